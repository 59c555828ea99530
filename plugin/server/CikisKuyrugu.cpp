#include "CikisKuyrugu.h"

#include <utility>

namespace oka {

CikisKuyrugu::CikisKuyrugu(Gonderici gonderici, std::size_t metinSiniri)
    : gonderici_(std::move(gonderici)), metinSiniri_(metinSiniri) {}

bool CikisKuyrugu::bosalt() {
    while (!bozuk_) {
        if (kalan_.empty()) {
            if (metinler_.empty())
                return true;
            kalan_ = std::move(metinler_.front());
            kalanBas_ = 0;
            metinler_.pop_front();
            metinBayt_ -= kalan_.size();
            continue;
        }
        long const n = gonderici_(kalan_.data() + kalanBas_, kalan_.size() - kalanBas_);
        if (n == HATA) {
            bozuk_ = true;
            break;
        }
        if (n <= 0)
            return true;
        kalanBas_ += std::size_t(n);
        if (kalanBas_ < kalan_.size())
            return true;
        kalan_.clear();
        kalanBas_ = 0;
    }
    return false;
}

long CikisKuyrugu::ilkGonderim(std::string const& cerceve) {
    long const n = gonderici_(cerceve.data(), cerceve.size());
    if (n == HATA) {
        bozuk_ = true;
        return HATA;
    }
    if (n <= 0)
        return BEKLE;
    if (std::size_t(n) < cerceve.size()) {
        kalan_.assign(cerceve, std::size_t(n), std::string::npos);
        kalanBas_ = 0;
        ++yarimGonderim_;
    }
    return n;
}

CikisKuyrugu::Sonuc CikisKuyrugu::ses(std::string const& cerceve) {
    if (!bosalt())
        return Sonuc::Hata;
    if (bekliyor())
        return Sonuc::Dusuruldu;
    long const n = ilkGonderim(cerceve);
    if (n == HATA)
        return Sonuc::Hata;
    return n == BEKLE ? Sonuc::Dusuruldu : Sonuc::Gonderildi;
}

CikisKuyrugu::Sonuc CikisKuyrugu::metin(std::string cerceve) {
    if (!bosalt())
        return Sonuc::Hata;
    if (!bekliyor()) {
        long const n = ilkGonderim(cerceve);
        if (n == HATA)
            return Sonuc::Hata;
        if (n != BEKLE)
            return Sonuc::Gonderildi;
    }
    if (metinBayt_ + cerceve.size() > metinSiniri_)
        return Sonuc::Tasma;
    metinBayt_ += cerceve.size();
    metinler_.push_back(std::move(cerceve));
    return Sonuc::Kuyrukta;
}

} // namespace oka
