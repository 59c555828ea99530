#pragma once
// Single-producer single-consumer ring of audio blocks between the host's audio
// thread and the server thread. Storage is allocated once, up front, so the
// producer never allocates, locks or waits.

#include <atomic>
#include <cstdint>
#include <vector>

namespace oka {

class HalkaTampon {
public:
    static constexpr std::uint64_t KAPASITE = 64;
    static constexpr std::size_t SLOT_ORNEK = 8192; // floats per slot: 4096 stereo frames

    struct Slot {
        double zaman = 0.0;
        std::uint16_t kanal = 0;
        std::uint16_t kare = 0;
        std::vector<float> veri; // planar: channel 0 frames, then channel 1 frames
    };

    HalkaTampon();

    // [ses] Copies one mono or stereo block into the next slot. When all usable
    // slots are full the oldest waiting block is dropped. A block larger than a
    // slot is not written. Returns true when a block was dropped to make room.
    bool yaz(float const* k0, float const* k1, unsigned kanalSayisi, unsigned kareSayisi, double zaman);

    // [sunucu] Copies the oldest waiting block into `hedef` (grown when needed)
    // and releases its slot. False when the ring is empty.
    bool oku(double& zaman, std::uint16_t& kanal, std::uint16_t& kare, std::vector<float>& hedef);

    // [herhangi] Blocks currently waiting.
    std::uint64_t bekleyen() const;

    std::uint64_t const kapasite = KAPASITE;
    std::vector<Slot> slotlar;
    std::atomic<std::uint64_t> yazmaIndisi{0};
    std::atomic<std::uint64_t> okumaIndisi{0};
};

} // namespace oka
