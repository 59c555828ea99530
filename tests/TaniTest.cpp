// The diagnostics pass on known inputs, and the thread that runs it.

#include "TestYardimcilari.h"

#include "diag/Tani.h"
#include "server/Sunucu.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <chrono>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A core whose server the test can see. Its thread is held off (one pass an
// hour) so that the test runs the passes itself.
struct GorunurCekirdek : SahteKabuk {
    GorunurCekirdek() { taniAraligi = std::chrono::hours(1); }
    // As every shell must: the thread asks virtual questions, so it stops first.
    ~GorunurCekirdek() override { kapat(); }
    using KopruCekirdek::sunucuAl;
};

struct Tasima {
    std::int32_t kaynak;
    bool caliyor = false, kayit = false, dongu = false;
    double tempo = 120.0;
};

} // namespace

TEST(Tani, TransportNoticesOnlyWhenSourceOrStateChanges) {
    struct Durum {
        char const* ad;
        std::vector<Tasima> turlar;
        std::vector<bool> bildirim; // raised in each pass
    } const tablo[] = {
        {"before any block the first pass differs from -1", {{0}, {0}}, {true, false}},
        {"playback starts", {{1}, {1}, {1, true}}, {true, false, true}},
        {"a tempo change alone", {{1, true}, {1, true, false, false, 90.0}}, {true, false}},
        {"recording and cycle", {{1}, {1, false, true}, {1, false, true, true}}, {true, true, true}},
        {"context dropped", {{1, true}, {2, true}, {2, true}}, {true, true, false}},
        {"context back", {{2}, {1}}, {true, true}},
    };
    GorunurCekirdek c;
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    ASSERT_NE(s, nullptr);
    for (auto const& d : tablo) {
        oka::TaniDurumu durum;
        for (std::size_t i = 0; i < d.turlar.size(); ++i) {
            Tasima const& t = d.turlar[i];
            c.tasimaDurumu = t.kaynak;
            c.caliyor = t.caliyor;
            c.kayit = t.kayit;
            c.dongu = t.dongu;
            c.tempo = t.tempo;
            s->tasimaIstegi = false;
            oka::taniTuru(c, s, durum);
            EXPECT_EQ(s->tasimaIstegi.load(), d.bildirim[i]) << d.ad << ", pass " << i + 1;
        }
    }
}

TEST(Tani, WithoutAServerNothingIsRaisedAndTheSourceIsLogged) {
    OlaySatirlari y;
    SahteKabuk c;
    oka::TaniDurumu d;
    c.tasimaDurumu = 1;
    c.konum = 16.6;
    c.tempo = 127.456;
    oka::taniTuru(c, nullptr, d);
    c.tasimaDurumu = 2;
    oka::taniTuru(c, nullptr, d);
    EXPECT_EQ(y.say("TRANSPORT geri cagrisi VAR (transportStateProc)"), 1);
    EXPECT_EQ(y.say("TRANSPORT caliyor=0 kayit=0 dongu=0 konum=17 tempo=127.46 sonuc=0"), 1);
    EXPECT_EQ(y.say("TRANSPORT geri cagrisi YOK (konak kAudioUnitProperty_HostCallbacks kurmadi)"), 1);
}

TEST(Tani, DeliveryReportFromKnownSampleTimes) {
    // 101 blocks of 480 frames at 48 kHz: one second of steps. The step size
    // sets the drift of the host's clock against the sample rate.
    struct Durum {
        std::int64_t adim;
        char const* satir;
    } const tablo[] = {
        {480, "TESLIM ornekZamani=48000 cerceve/sn=101.0 beklenen=100.0 sapma_ppm=0 gonderilen=0 atlanan=0 "
              "tampon_dolu=0 (blok/sn=101 ornek/blok=480 ornekleme=48000)"},
        {481,
         "TESLIM ornekZamani=48100 cerceve/sn=101.0 beklenen=100.0 sapma_ppm=2083 gonderilen=0 atlanan=0 "
         "tampon_dolu=0 (blok/sn=101 ornek/blok=480 ornekleme=48000)"},
        {479, "TESLIM ornekZamani=47900 cerceve/sn=101.0 beklenen=100.0 sapma_ppm=-2083 gonderilen=0 "
              "atlanan=0 tampon_dolu=0 (blok/sn=101 ornek/blok=480 ornekleme=48000)"},
    };
    for (auto const& d : tablo) {
        OlaySatirlari y;
        TestOrnegi o;
        ProcessSetup s{kRealtime, kSample32, 480, 48000.0};
        o.islemci->setupProcessing(s);
        Blok b(2, 480);
        ProcessContext k{};
        k.state = ProcessContext::kContTimeValid;
        ProcessData v = b.veri();
        v.processContext = &k;
        for (int i = 0; i <= 100; ++i) {
            k.continousTimeSamples = i * d.adim;
            o.islemci->process(v);
        }
        oka::TaniDurumu durum;
        oka::taniTuru(o.eklenti(), nullptr, durum);
        EXPECT_EQ(y.say(d.satir), 1) << d.adim;
        y.temizle();
        oka::taniTuru(o.eklenti(), nullptr, durum);
        EXPECT_EQ(y.say("TESLIM"), 0) << "the counters were taken";
    }
}

TEST(Tani, LevelReportFromAKnownTone) {
    struct Durum {
        float genlik;
        bool baglam, caliyor;
        char const* satir;
    } const tablo[] = {
        {0.5f, true, true, "SEVIYE tepe=-6.0 dBFS rms=-9.0 dBFS ornek=9600 transport=caliyor"},
        {1.0f, true, false, "SEVIYE tepe=0.0 dBFS rms=-3.0 dBFS ornek=9600 transport=durdu"},
        {0.0f, false, false, "SEVIYE tepe=-inf dBFS rms=-inf dBFS ornek=9600 transport=bilinmiyor"},
    };
    for (auto const& d : tablo) {
        OlaySatirlari y;
        TestOrnegi o;
        Blok b(2, 480);
        // Exactly one period per block, a peak on a sample.
        for (auto& kanal : b.giris)
            for (int i = 0; i < 480; ++i)
                kanal[i] = d.genlik * static_cast<float>(std::sin(2.0 * M_PI * i / 480.0));
        ProcessContext k{};
        k.state = d.caliyor ? ProcessContext::kPlaying : 0;
        ProcessData v = b.veri();
        v.processContext = d.baglam ? &k : nullptr;
        for (int i = 0; i < 10; ++i)
            o.islemci->process(v);
        oka::TaniDurumu durum;
        oka::taniTuru(o.eklenti(), nullptr, durum);
        EXPECT_EQ(y.say(d.satir), 1) << d.satir;
    }
}

TEST(Tani, StoppingDoesNotWaitForThePassesSecond) {
    // The product's one-second pass: a stop must still return at once.
    for (bool yokEt : {false, true}) {
        auto o = std::make_unique<TestOrnegi>();
        o->bilesen->setActive(true);
        std::this_thread::sleep_for(50ms);
        auto const bas = std::chrono::steady_clock::now();
        if (yokEt)
            o.reset();
        else
            o->bilesen->setActive(false);
        auto const gecen = std::chrono::steady_clock::now() - bas;
        EXPECT_LT(gecen, 500ms) << (yokEt ? "destruction" : "deactivation");
    }
}

TEST(Tani, ThreadRunsAPassPerIntervalAndRestartsWithFreshState) {
    OlaySatirlari y;
    GorunurCekirdek c;
    c.tasimaDurumu = 1;
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    ASSERT_NE(s, nullptr);
    // Start the short-interval thread once the server exists: a pass that finds
    // none raises nothing, and a slow build may take longer than one pass.
    c.taniIpligiDurdur();
    c.taniAraligi = 20ms;
    c.taniIpligiBaslat();
    ASSERT_TRUE(bekleKadar([&] { return s->tasimaIstegi.load(); })) << "the first pass raises a notice";
    // The first pass raises twice (source, then state, right after its log
    // line); clear the flag only once that pass is through.
    ASSERT_TRUE(bekleKadar([&] { return y.say("TRANSPORT caliyor=0") == 1; }));
    std::this_thread::sleep_for(50ms);
    s->tasimaIstegi = false;
    std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(s->tasimaIstegi.load()) << "nothing changed, nothing raised";
    c.tepe = 0.5;
    c.olculenOrnek = 1;
    EXPECT_TRUE(bekleKadar([&] { return y.say("SEVIYE tepe=-6.0") == 1; })) << "later passes still run";

    c.taniIpligiDurdur();
    c.baslat();
    EXPECT_EQ(y.say("tani ipligi yeniden baslatildi (Cleanup sonrasi Initialize)"), 1);
    EXPECT_TRUE(bekleKadar([&] { return s->tasimaIstegi.load(); })) << "a restart forgets the last source";
    c.baslat();
    EXPECT_EQ(y.say("tani ipligi yeniden baslatildi"), 1) << "a running thread is not restarted";
}
