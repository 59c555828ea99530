#pragma once
// Single-producer single-consumer ring of audio blocks between the host's audio
// thread and the server thread. Storage is allocated once, up front, so the
// producer never allocates, locks or waits.
//
// When the ring is full the producer drops the oldest block by moving the read
// index itself, and may then overwrite the slot the consumer is copying. Both
// sides therefore move the read index only by compare-exchange: a consumer
// whose exchange fails knows its copy may be torn and discards it. The indices
// count blocks and never wrap back to an earlier value, so a stalled consumer
// cannot mistake a read index that went all the way round for its own.

#include <atomic>
#include <cstdint>
#include <optional>
#include <vector>

namespace oka {

struct HalkaTamponIcerisi;

class HalkaTampon {
public:
    static constexpr std::uint64_t KAPASITE = 64;
    static constexpr std::size_t SLOT_ORNEK = 8192; // floats per slot: 4096 stereo frames

    HalkaTampon();

    // [ses] Copies one mono or stereo block into the next slot. When all usable
    // slots are full the oldest waiting block is dropped. A block larger than a
    // slot is not written and drops nothing. Returns true when a block was
    // dropped to make room.
    bool yaz(float const* k0, float const* k1, unsigned kanalSayisi, unsigned kareSayisi, double zaman);

    // [sunucu] Copies the oldest waiting block into `hedef` (room for
    // SLOT_ORNEK floats) and releases its slot. A copy the producer overwrote
    // meanwhile is discarded and the next block read instead. Gives the
    // block's index (blocks written before it, dropped ones included); none
    // when the ring is empty.
    std::optional<std::uint64_t> oku(double& zaman, std::uint16_t& kanal, std::uint16_t& kare, float* hedef);

    // [sunucu] Drops every waiting block without copying it; gives the index
    // the next block written will have.
    std::uint64_t temizle();

    // [herhangi] Blocks currently waiting.
    std::uint64_t bekleyen() const;

private:
    // The ring's tests reach the slots and the two halves of `oku`.
    friend struct HalkaTamponIcerisi;

    // Every field is read by the consumer while the producer may rewrite it
    // (see above), so each is an atomic; relaxed access costs plain loads and
    // stores, and the index exchanges order them.
    struct Slot {
        std::atomic<double> zaman{0.0};
        std::atomic<std::uint16_t> kanal{0};
        std::atomic<std::uint16_t> kare{0};
        std::vector<std::atomic<float>> veri; // planar: channel 0 frames, then channel 1 frames
    };

    // The two halves of `oku`: copy the oldest waiting block, giving its
    // index (none when the ring is empty)...
    std::optional<std::uint64_t> kopyala(double& zaman, std::uint16_t& kanal, std::uint16_t& kare,
                                         float* hedef) const;
    // ...then release it; false when the producer dropped that block during
    // the copy, which may then be torn.
    bool birak(std::uint64_t indis);

    std::uint64_t const kapasite = KAPASITE;
    std::vector<Slot> slotlar;
    std::atomic<std::uint64_t> yazmaIndisi{0}; // blocks written so far; slot = index mod kapasite
    std::atomic<std::uint64_t> okumaIndisi{0}; // blocks released so far; only ever grows
};

} // namespace oka
