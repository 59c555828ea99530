// The audio thread must never allocate. This binary's global allocator counts
// every allocation made while the calling thread is marked as the audio thread.

#include "TestYardimcilari.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "server/Sunucu.h"

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

namespace {
thread_local bool tSesIpligi = false;
std::atomic<int> gSesTahsisi{0};

void* ayir(std::size_t n) noexcept {
    if (tSesIpligi)
        gSesTahsisi.fetch_add(1);
    return std::malloc(n ? n : 1);
}
} // namespace

// The library's array forms call these; a sanitizer's runtime brings its own.
void* operator new(std::size_t n) {
    if (void* p = ayir(n))
        return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t n, std::nothrow_t const&) noexcept {
    return ayir(n);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

TEST(SesIpligi, ProcessNeverAllocates) {
    using namespace Steinberg::Vst;
    std::thread([] {
        tSesIpligi = true;
        delete new std::string(100, 'x'); // proves the hook is live
        tSesIpligi = false;
    }).join();
    ASSERT_GT(gSesTahsisi.exchange(0), 0);

    KapiKilidi kapilar("oka-kapilar");
    TestOrnegi o;
    ProcessSetup s{kRealtime, kSample32, 4096, 48000.0};
    o.islemci->setupProcessing(s);
    o.bilesen->setActive(true);
    SahteKabuk dinlenen; // an app is connected: its blocks go into the ring too
    dinlenen.baslat();
    dinlenen.sunucuAl()->bagli = true;
    Blok stereo(2, 4096), mono(1, 31);
    ProcessContext k{};
    k.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kContTimeValid;
    std::thread([&] {
        tSesIpligi = true;
        for (int i = 0; i < 200; ++i) {
            ProcessData v = (i % 2 ? stereo : mono).veri(i % 3 == 0);
            v.processContext = i % 5 ? &k : nullptr;
            k.continousTimeSamples += 4096;
            o.eklenti().sustur.store(i % 7 == 0);
            o.islemci->process(v);
            dinlenen.sesIsle(stereo.gP.data(), 2, 4096);
        }
        tSesIpligi = false;
    }).join();
    EXPECT_EQ(gSesTahsisi.load(), 0);
    o.bilesen->setActive(false);
}
