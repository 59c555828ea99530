#pragma once
// A single-producer single-consumer ring of byte records between a real-time
// thread and an ordinary one: no lock, no allocation after construction.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace oka::yardimci {

class BaytHalkasi {
public:
    // Room for `kapasite` bytes, rounded up to a power of two; each record takes 4 more.
    explicit BaytHalkasi(size_t kapasite);

    // [uretici] False, and nothing written, when the record does not fit with `birakilan` bytes left free.
    bool yaz(uint8_t const* baytlar, uint32_t sayi, size_t birakilan = 0);
    // [tuketici] Length of the next record; 0 when there is none.
    uint32_t siradakiBoyu() const;
    // [tuketici] Takes the next record into `hedef`, which holds siradakiBoyu() bytes.
    void al(uint8_t* hedef);
    // [tuketici] Drops every record not yet taken.
    void bosalt() { okunan_.store(yazilan_.load(std::memory_order_acquire), std::memory_order_release); }
    // [herhangi] True when the consumer has taken everything written so far.
    bool bos() const { return yazilan_.load(std::memory_order_acquire) == okunan_.load(std::memory_order_acquire); }

private:
    void kopyalaIceri(size_t konum, uint8_t const* kaynak, size_t sayi);
    void kopyalaDisari(size_t konum, uint8_t* hedef, size_t sayi) const;

    std::vector<uint8_t> tampon_;
    size_t maske_;
    std::atomic<size_t> yazilan_{0}; // bytes ever written; only the producer stores
    std::atomic<size_t> okunan_{0};  // bytes ever taken; only the consumer stores
};

} // namespace oka::yardimci
