#include "CikisKuyrugu.h"

#include <utility>

namespace oka {

CikisKuyrugu::CikisKuyrugu(Gonderici gonderici, std::size_t sesSiniri)
    : gonderici_(std::move(gonderici)), sesSiniri_(sesSiniri) {}

std::string& CikisKuyrugu::son() {
    // The wait for the client starts with the first byte that waits.
    if (bekleyen() == 0)
        sonIlerleme_ = Saat::now();
    // Drop what is sent before the buffer grows; the storage itself is kept.
    if (bas_ > 0 && bas_ * 2 >= tampon_.size()) {
        tampon_.erase(0, bas_);
        bas_ = 0;
    }
    return tampon_;
}

bool CikisKuyrugu::gonder(Saat::time_point simdi) {
    if (bozuk_)
        return false;
    if (bekleyen() == 0)
        return true;
    long const n = gonderici_(tampon_.data() + bas_, bekleyen());
    if (n == HATA) {
        bozuk_ = true;
        return false;
    }
    if (n > 0) {
        bas_ += std::size_t(n);
        sonIlerleme_ = simdi;
    }
    if (bekleyen() == 0) {
        tampon_.clear();
        bas_ = 0;
    }
    return true;
}

bool CikisKuyrugu::takildi(Saat::time_point simdi, Saat::duration sinir) const {
    return bekleyen() > 0 && simdi - sonIlerleme_ >= sinir;
}

} // namespace oka
