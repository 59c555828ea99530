#include "HalkaTampon.h"

namespace oka {

HalkaTampon::HalkaTampon() : slotlar(KAPASITE) {
    for (auto& s : slotlar)
        s.veri = std::vector<std::atomic<float>>(SLOT_ORNEK);
}

bool HalkaTampon::yaz(float const* k0, float const* k1, unsigned kanalSayisi, unsigned kareSayisi,
                      double zaman) {
    std::size_t const n = std::size_t(kanalSayisi) * kareSayisi;
    if (n > SLOT_ORNEK)
        return false;
    std::uint64_t const w = yazmaIndisi.load(std::memory_order_relaxed); // only this thread writes it
    std::uint64_t r = okumaIndisi.load(std::memory_order_acquire);
    // Full: drop the oldest block. When the exchange fails the consumer has
    // just released that block, which leaves room without a drop.
    bool const dolu =
        w - r == kapasite - 1 && okumaIndisi.compare_exchange_strong(r, r + 1, std::memory_order_acq_rel);
    Slot& s = slotlar[w % kapasite];
    s.zaman.store(zaman, std::memory_order_relaxed);
    s.kanal.store(static_cast<std::uint16_t>(kanalSayisi), std::memory_order_relaxed);
    s.kare.store(static_cast<std::uint16_t>(kareSayisi), std::memory_order_relaxed);
    for (unsigned i = 0; i < kareSayisi; ++i)
        s.veri[i].store(k0[i], std::memory_order_relaxed);
    if (kanalSayisi == 2)
        for (unsigned i = 0; i < kareSayisi; ++i)
            s.veri[kareSayisi + i].store(k1 ? k1[i] : 0.0f, std::memory_order_relaxed);
    yazmaIndisi.store(w + 1, std::memory_order_release);
    return dolu;
}

std::optional<std::uint64_t> HalkaTampon::kopyala(double& zaman, std::uint16_t& kanal, std::uint16_t& kare,
                                                  float* hedef) const {
    std::uint64_t const r = okumaIndisi.load(std::memory_order_acquire);
    if (r == yazmaIndisi.load(std::memory_order_acquire))
        return std::nullopt;
    Slot const& s = slotlar[r % kapasite];
    zaman = s.zaman.load(std::memory_order_relaxed);
    kanal = s.kanal.load(std::memory_order_relaxed);
    kare = s.kare.load(std::memory_order_relaxed);
    std::size_t n = std::size_t(kanal) * kare;
    if (n > SLOT_ORNEK) // fields of two different blocks: torn, and birak will say so
        kanal = kare = 0, n = 0;
    for (std::size_t i = 0; i < n; ++i)
        hedef[i] = s.veri[i].load(std::memory_order_relaxed);
    return r;
}

bool HalkaTampon::birak(std::uint64_t indis) {
    // Release ordering keeps the copy's loads before the exchange, so a
    // producer that drops this block afterwards writes the slot only after them.
    return okumaIndisi.compare_exchange_strong(indis, indis + 1, std::memory_order_acq_rel);
}

std::optional<std::uint64_t> HalkaTampon::oku(double& zaman, std::uint16_t& kanal, std::uint16_t& kare,
                                              float* hedef) {
    for (;;) {
        std::optional<std::uint64_t> const r = kopyala(zaman, kanal, kare, hedef);
        if (!r || birak(*r))
            return r;
    }
}

std::uint64_t HalkaTampon::temizle() {
    // The write index, read after the read index, is never behind it; a
    // failed exchange means the producer dropped a block meanwhile.
    std::uint64_t r = okumaIndisi.load(std::memory_order_acquire);
    std::uint64_t w = yazmaIndisi.load(std::memory_order_acquire);
    while (!okumaIndisi.compare_exchange_weak(r, w, std::memory_order_acq_rel))
        w = yazmaIndisi.load(std::memory_order_acquire);
    return w;
}

std::uint64_t HalkaTampon::bekleyen() const {
    std::uint64_t const r = okumaIndisi.load(std::memory_order_acquire);
    std::uint64_t const w = yazmaIndisi.load(std::memory_order_acquire);
    return w - r; // read in this order, w is never behind r
}

} // namespace oka
