#include "HalkaTampon.h"

#include <cstring>

namespace oka {

HalkaTampon::HalkaTampon() : slotlar(KAPASITE) {
    for (auto& s : slotlar)
        s.veri.resize(SLOT_ORNEK);
}

bool HalkaTampon::yaz(float const* k0, float const* k1, unsigned kanalSayisi, unsigned kareSayisi,
                      double zaman) {
    std::uint64_t const w = yazmaIndisi.load(std::memory_order_relaxed); // only this thread writes it
    std::uint64_t const sonraki = (w + 1) % kapasite;
    bool dolu = false;
    if (sonraki == okumaIndisi.load(std::memory_order_acquire)) {
        // Full: drop the oldest waiting block. A racing consumer store writes the
        // same or the next index, so at most that one block is lost.
        okumaIndisi.store((okumaIndisi.load(std::memory_order_relaxed) + 1) % kapasite,
                          std::memory_order_release);
        dolu = true;
    }
    std::size_t const n = std::size_t(kanalSayisi) * kareSayisi;
    if (n > SLOT_ORNEK)
        return dolu;
    Slot& s = slotlar[w];
    s.zaman = zaman;
    s.kanal = static_cast<std::uint16_t>(kanalSayisi);
    s.kare = static_cast<std::uint16_t>(kareSayisi);
    std::memcpy(s.veri.data(), k0, sizeof(float) * kareSayisi);
    if (kanalSayisi == 2 && k1)
        std::memcpy(s.veri.data() + kareSayisi, k1, sizeof(float) * kareSayisi);
    else if (kanalSayisi == 2)
        std::memset(s.veri.data() + kareSayisi, 0, sizeof(float) * kareSayisi);
    yazmaIndisi.store(sonraki, std::memory_order_release);
    return dolu;
}

bool HalkaTampon::oku(double& zaman, std::uint16_t& kanal, std::uint16_t& kare, std::vector<float>& hedef) {
    std::uint64_t const r = okumaIndisi.load(std::memory_order_relaxed);
    if (r == yazmaIndisi.load(std::memory_order_acquire))
        return false;
    Slot const& s = slotlar[r];
    zaman = s.zaman;
    kanal = s.kanal;
    kare = s.kare;
    std::size_t const n = std::size_t(kanal) * kare;
    if (hedef.size() < n)
        hedef.resize(n);
    std::memcpy(hedef.data(), s.veri.data(), sizeof(float) * n);
    okumaIndisi.store((r + 1) % kapasite, std::memory_order_release);
    return true;
}

std::uint64_t HalkaTampon::bekleyen() const {
    std::uint64_t const w = yazmaIndisi.load(std::memory_order_acquire);
    std::uint64_t const r = okumaIndisi.load(std::memory_order_acquire);
    return (w - r + kapasite) % kapasite;
}

} // namespace oka
