#pragma once
// The way between the helper's queue and a real-time MIDI callback (JACK's):
// a cycle counter to wait on, and the output ring with room kept for releases
// and a close that lets nothing out twice.

#include "BaytHalkasi.h"
#include "Cerceve.h"

#include <atomic>
#include <chrono>
#include <thread>

namespace oka::yardimci {

class DonguSayaci {
public:
    // [ses] At the end of each cycle. It wakes no one, so the real-time thread takes no lock and makes no
    // system call: the waiters look again each millisecond.
    void donguBitti() { dongu_.fetch_add(1, std::memory_order_acq_rel); }
    // [q] Until `kosul` holds, looking each millisecond; false when it still does not after `sabir` without a
    // cycle (a stalled server).
    template <class Kosul> bool bekle(Kosul kosul, std::chrono::milliseconds sabir);
    // [q] Until `sayi` whole cycles have ended from now.
    bool donguBekle(unsigned sayi, std::chrono::milliseconds sabir);

private:
    std::atomic<uint64_t> dongu_{0};
};

class CikisKapisi {
public:
    // What the callback does with the output port this cycle.
    enum class Kip : uint8_t { KAPALI, SESSIZ, ACIK };

    // `ayrilan` bytes of `kapasite` are kept for releases.
    CikisKapisi(size_t kapasite, size_t ayrilan) : halka_(kapasite), ayrilan_(ayrilan) {}

    // [q] Queues one message; false, and nothing queued, when full. A release may use the room kept back.
    bool yaz(Baytlar const& m, bool birakma);
    // [q] The callback starts serving the port.
    void ac() { kip_.store(Kip::ACIK, std::memory_order_release); }
    // [q] Everything queued goes out (while cycles come), then one whole cycle clears the port's buffer so
    // the readers never see its last messages again, then the callback lets go of the port.
    void kapat(DonguSayaci& dongu, std::chrono::milliseconds sabir);

    // [ses]
    Kip kip() const { return kip_.load(std::memory_order_acquire); }
    BaytHalkasi& halka() { return halka_; }

private:
    BaytHalkasi halka_;
    size_t const ayrilan_;
    std::atomic<Kip> kip_{Kip::KAPALI};
};

template <class Kosul> bool DonguSayaci::bekle(Kosul kosul, std::chrono::milliseconds sabir) {
    uint64_t gorulen = dongu_.load(std::memory_order_acquire);
    auto son = std::chrono::steady_clock::now() + sabir;
    bool tamam;
    while (!(tamam = kosul()) && std::chrono::steady_clock::now() < son) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (uint64_t const d = dongu_.load(std::memory_order_acquire); d != gorulen) {
            gorulen = d;
            son = std::chrono::steady_clock::now() + sabir;
        }
    }
    return tamam;
}

} // namespace oka::yardimci
