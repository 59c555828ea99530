#include "CikisKapisi.h"

namespace oka::yardimci {

bool DonguSayaci::donguBekle(unsigned sayi, std::chrono::milliseconds sabir) {
    uint64_t const hedef = dongu_.load(std::memory_order_acquire) + sayi;
    return bekle([&] { return dongu_.load(std::memory_order_acquire) >= hedef; }, sabir);
}

bool CikisKapisi::yaz(Baytlar const& m, bool birakma) {
    return halka_.yaz(m.data(), uint32_t(m.size()), birakma ? 0 : ayrilan_);
}

void CikisKapisi::kapat(DonguSayaci& dongu, std::chrono::milliseconds sabir) {
    bool calisiyor = kip() != Kip::ACIK || dongu.bekle([this] { return halka_.bos(); }, sabir);
    // The cycle that took the last message may have begun before it was queued: two more end after it.
    kip_.store(Kip::SESSIZ, std::memory_order_release);
    calisiyor = calisiyor && dongu.donguBekle(2, sabir);
    kip_.store(Kip::KAPALI, std::memory_order_release);
    if (calisiyor) // a server that runs no cycles runs no callback either
        dongu.donguBekle(2, sabir);
    halka_.bosalt();
}

} // namespace oka::yardimci
