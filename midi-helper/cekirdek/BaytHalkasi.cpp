#include "BaytHalkasi.h"

#include <algorithm>
#include <cstring>

namespace oka::yardimci {

BaytHalkasi::BaytHalkasi(size_t kapasite) {
    size_t boy = 16;
    while (boy < kapasite)
        boy <<= 1;
    tampon_.resize(boy);
    maske_ = boy - 1;
}

void BaytHalkasi::kopyalaIceri(size_t konum, uint8_t const* kaynak, size_t sayi) {
    size_t const bas = konum & maske_;
    size_t const ilk = std::min(sayi, tampon_.size() - bas);
    std::memcpy(tampon_.data() + bas, kaynak, ilk);
    std::memcpy(tampon_.data(), kaynak + ilk, sayi - ilk);
}

void BaytHalkasi::kopyalaDisari(size_t konum, uint8_t* hedef, size_t sayi) const {
    size_t const bas = konum & maske_;
    size_t const ilk = std::min(sayi, tampon_.size() - bas);
    std::memcpy(hedef, tampon_.data() + bas, ilk);
    std::memcpy(hedef + ilk, tampon_.data(), sayi - ilk);
}

bool BaytHalkasi::yaz(uint8_t const* baytlar, uint32_t sayi, size_t birakilan) {
    size_t const y = yazilan_.load(std::memory_order_relaxed);
    size_t const o = okunan_.load(std::memory_order_acquire);
    if (tampon_.size() - (y - o) < sizeof sayi + sayi + birakilan)
        return false;
    kopyalaIceri(y, reinterpret_cast<uint8_t const*>(&sayi), sizeof sayi);
    kopyalaIceri(y + sizeof sayi, baytlar, sayi);
    yazilan_.store(y + sizeof sayi + sayi, std::memory_order_release);
    return true;
}

uint32_t BaytHalkasi::siradakiBoyu() const {
    size_t const o = okunan_.load(std::memory_order_relaxed);
    if (yazilan_.load(std::memory_order_acquire) == o)
        return 0;
    uint32_t sayi;
    kopyalaDisari(o, reinterpret_cast<uint8_t*>(&sayi), sizeof sayi);
    return sayi;
}

void BaytHalkasi::al(uint8_t* hedef) {
    size_t const o = okunan_.load(std::memory_order_relaxed);
    uint32_t const sayi = siradakiBoyu();
    kopyalaDisari(o + sizeof sayi, hedef, sayi);
    okunan_.store(o + sizeof sayi + sayi, std::memory_order_release);
}

} // namespace oka::yardimci
