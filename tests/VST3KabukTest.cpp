#include "TestYardimcilari.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

#include <gtest/gtest.h>

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using Boz = void (*)(Blok&, ProcessData&); // spoils a block as a host might

std::string blob(std::string const& ad) {
    std::uint32_t const n = static_cast<std::uint32_t>(ad.size());
    return std::string("OKA1") + char(n) + char(n >> 8) + char(n >> 16) + char(n >> 24) + ad;
}

// A host's stream that takes `kalan` bytes and then refuses, or writes short.
struct DolanAkis : MemoryStream {
    explicit DolanAkis(int32 k) : kalan(k) {}
    tresult PLUGIN_API write(void* b, int32 n, int32* yazilan) override {
        int32 const k = std::min(n, kalan);
        kalan -= k;
        MemoryStream::write(b, k, yazilan);
        return k > 0 ? kResultOk : kResultFalse;
    }
    int32 kalan;
};

} // namespace

TEST(Fabrika, OneAudioEffectClassThatSavedProjectsFindByItsId) {
    IPluginFactory* f = GetPluginFactory();
    PClassInfo2 b{};
    auto* f3 = yuz<IPluginFactory3>(f);
    ASSERT_EQ(f3->countClasses(), 1);
    ASSERT_EQ(f3->getClassInfo2(0, &b), kResultOk);
    EXPECT_EQ(FUID::fromTUID(b.cid), FUID(0x91B358CA, 0xFFEA4773, 0xA81810FB, 0x41F5EC5D));
    EXPECT_EQ(std::string(b.category) + "|" + b.name + "|" + b.subCategories + "|" + b.version,
              "Audio Module Class|OKA Bridge|Fx|Analyzer|1.1.4");
    f3->release();
    f->release();
    TestOrnegi o;
    auto* g = yuz<IProcessContextRequirements>(o.islemci);
    EXPECT_EQ(g->getProcessContextRequirements(), 0x446u);
    g->release();
    auto* u = yuz<IUnitInfo>(o.bilesen);
    EXPECT_EQ(u->getUnitCount(), 1) << "the root unit hosts expect";
    u->release();
}

TEST(Kabuk, BusArrangementsAndSampleSizes) {
    struct Durum {
        SpeakerArrangement g, c;
        int32 nGiris;
        tresult beklenen;
    } const tablo[] = {
        {SpeakerArr::kMono, SpeakerArr::kMono, 1, kResultTrue},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 1, kResultTrue},
        {SpeakerArr::kMono, SpeakerArr::kStereo, 1, kResultFalse},
        {SpeakerArr::k51, SpeakerArr::k51, 1, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 2, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 0, kResultFalse},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        SpeakerArrangement g[2] = {d.g, d.g}, c[2] = {d.c, d.c};
        EXPECT_EQ(o.islemci->setBusArrangements(g, d.nGiris, c, 1), d.beklenen) << d.g << "/" << d.c;
        EXPECT_EQ(o.eklenti().bicim().kanal, d.beklenen == kResultTrue && d.g == SpeakerArr::kMono ? 1u : 2u)
            << "a refusal leaves the stereo default";
    }
    TestOrnegi o;
    EXPECT_EQ(o.eklenti().bicimOzet(), "sr=44100 kanal=2") << "the base set-up before the host's first";
    ProcessSetup s64{kRealtime, kSample64, 256, 96000.0}, s32{kRealtime, kSample32, 256, 96000.0};
    EXPECT_EQ(o.islemci->setupProcessing(s64), kResultFalse);
    EXPECT_EQ(o.eklenti().ornekHizi(), 44100.0) << "a refused set-up is not stored";
    EXPECT_EQ(o.islemci->setupProcessing(s32), kResultOk);
    EXPECT_EQ(o.eklenti().ornekHizi(), 96000.0);
}

TEST(Kabuk, OutputIsTheInputBitExactOrSilenceWithItsFlags) {
    struct Durum {
        char const* ad;
        Boz boz;
        unsigned sessiz; // bit k: output channel k gets silence
        uint64 bayraklar;
    } const tablo[] = {
        {"stereo", [](Blok&, ProcessData&) {}, 0, 0x2},
        {"mono", [](Blok& b, ProcessData&) { b.gB.numChannels = b.cB.numChannels = 1; }, 0, 0x2},
        {"in place", [](Blok& b, ProcessData&) { b.cB.channelBuffers32 = b.gP.data(); }, 0, 0x2},
        {"one input for two outputs", [](Blok& b, ProcessData&) { b.gB.numChannels = 1; }, 0b10, 0x2},
        {"a null input channel", [](Blok& b, ProcessData&) { b.gP[1] = nullptr; }, 0b10, 0x2},
        {"no input buffers", [](Blok& b, ProcessData&) { b.gB.channelBuffers32 = nullptr; }, 0b11, 0x2},
        {"no input bus", [](Blok&, ProcessData& v) { v.numInputs = 0; }, 0b11, 0x3},
        {"no input bus array", [](Blok&, ProcessData& v) { v.inputs = nullptr; }, 0b11, 0x3},
    };
    for (bool sustur : {false, true}) {
        for (auto const& d : tablo) {
            TestOrnegi o;
            o.eklenti().sustur = sustur;
            Blok b(2, 257);
            ProcessData v = b.veri();
            d.boz(b, v);
            ASSERT_EQ(o.islemci->process(v), kResultOk) << d.ad;
            for (int c = 0; c < b.cB.numChannels; ++c) {
                float const* k = b.cB.channelBuffers32[c];
                bool const sifir = sustur || (d.sessiz >> c & 1);
                EXPECT_EQ(std::vector<float>(k, k + 257),
                          sifir ? std::vector<float>(257) : Blok(2, 257).giris[c])
                    << d.ad << ", channel " << c << (sustur ? ", muted" : "");
            }
            EXPECT_EQ(b.cB.silenceFlags, sustur ? (1u << b.cB.numChannels) - 1 : d.bayraklar) << d.ad;
            EXPECT_EQ(o.eklenti().tepe.load() > 0.4, !(d.sessiz & 1))
                << d.ad << ": the meters hear the input";
        }
    }
    // Broken blocks are answered, not crashed on.
    Boz const bozuk[] = {
        [](Blok&, ProcessData& d) { d.numSamples = -5; },
        [](Blok&, ProcessData& d) { d.outputs = nullptr; },
        [](Blok& b, ProcessData&) { b.cB.channelBuffers32 = nullptr; },
        [](Blok& b, ProcessData&) { b.gP[0] = b.cP[1] = nullptr; },
        [](Blok& b, ProcessData&) { b.gB.numChannels = -3; },
    };
    for (Boz boz : bozuk) {
        TestOrnegi o;
        Blok b(2, 32);
        ProcessData v = b.veri();
        boz(b, v);
        EXPECT_EQ(o.islemci->process(v), kResultOk);
    }
    // A host that ignores our 32-bit answer must not make us read floats as doubles.
    TestOrnegi o;
    Blok b(2, 32);
    ProcessData v = b.veri();
    v.symbolicSampleSize = kSample64;
    std::vector<double> g(32, 0.5), c(32, 9.0);
    double* gp[2] = {g.data(), g.data()};
    double* cp[2] = {c.data(), c.data()};
    b.gB.channelBuffers64 = gp;
    b.cB.channelBuffers64 = cp;
    EXPECT_EQ(o.islemci->process(v), kResultOk);
    EXPECT_EQ(c, g);
}

TEST(Kabuk, TransportSampleTimesAndDeliveryFromTheContext) {
    TestOrnegi o;
    OKABridgeVST3& e = o.eklenti();
    Blok b(1, 100);
    ProcessContext k{};
    ProcessData v = b.veri();
    v.processContext = &k;
    std::uint32_t const hepsi = ProcessContext::kPlaying | ProcessContext::kCycleActive |
                                ProcessContext::kRecording | ProcessContext::kTempoValid |
                                ProcessContext::kProjectTimeMusicValid;
    struct Adim {
        std::int64_t zaman; // -1: no continuous time, the running sum of block lengths counts
        double ornekZamani;
        std::uint64_t teslim;
        std::uint32_t durum = 0; // context flags besides the time
    } const adimlar[] = {{-1, 0, 0, hepsi},
                         {-1, 100, 100, ProcessContext::kPlaying}, // tempo and position not valid: kept
                         {1000, 1000, 1000},
                         {1100, 1100, 1100},
                         {1050, 1050, 1100},
                         {1050, 1050, 1100},
                         {1001050, 1001050, 1100},
                         {1001150, 1001150, 1200},
                         {2001149, 2001149, 1001199},
                         {-1, 900, 1001199}};
    for (auto const& a : adimlar) {
        k.state = a.durum | (a.zaman < 0 ? 0 : ProcessContext::kContTimeValid);
        k.continousTimeSamples = a.zaman;
        k.tempo = a.durum == hepsi ? 133.0 : 60.0;
        k.projectTimeMusic = a.durum == hepsi ? 17.5 : 3.0;
        o.islemci->process(v);
        EXPECT_EQ(e.sonOrnekZamani.load(), a.ornekZamani) << a.zaman;
        EXPECT_EQ(e.teslim.load(), a.teslim) << a.zaman;
        EXPECT_EQ(e.caliyor.load(), (a.durum & ProcessContext::kPlaying) != 0) << a.zaman;
        EXPECT_EQ(std::pair(e.kayit.load(), e.dongu.load()), std::pair(a.durum == hepsi, a.durum == hepsi));
        if (a.durum) {
            EXPECT_EQ(std::pair(e.tempo.load(), e.konum.load()), std::pair(133.0, 17.5)) << a.zaman;
        }
    }
    EXPECT_EQ(std::pair(e.tasimaDurumu.load(), e.tasimaSonuc.load()), std::pair(1, 0));
    EXPECT_EQ(e.blokSayisi.load(), 10u);
    EXPECT_EQ(e.islenenOrnek.load(), 1000u);
    e.caliyor = true;
    v.processContext = nullptr;
    o.islemci->process(v);
    EXPECT_EQ(std::pair(e.tasimaDurumu.load(), e.tasimaSonuc.load()), std::pair(2, -1));
    EXPECT_TRUE(e.caliyor) << "fields keep their values without context";
}

// Every shape of blob is the state fuzzer's, and the headless host's test
// saves and restores names; here what a host's stream does to a save.
TEST(KayitliDurum, ANulEndsTheNameAndAFailedOrShortWriteIsAFailedSave) {
    OlaySatirlari y;
    TestOrnegi o;
    std::string const kayit = blob(std::string("Bas\0cd", 6));
    MemoryStream okunan(const_cast<char*>(kayit.data()), static_cast<TSize>(kayit.size()));
    ASSERT_EQ(o.bilesen->setState(&okunan), kResultOk);
    EXPECT_EQ(y.say("setState — elleAd=\"Bas\""), 1) << "the log shows the name that was applied";
    // 11 bytes in all: tag, length, name.
    for (int32 kalan : {0, 3, 4, 6, 8, 10}) {
        DolanAkis m(kalan);
        EXPECT_EQ(o.bilesen->getState(&m), kResultFalse) << kalan;
    }
    EXPECT_EQ(y.say("getState — elleAd=\"Bas\" YAZILAMADI"), 6);
    DolanAkis tam(100);
    EXPECT_EQ(o.bilesen->getState(&tam), kResultOk);
    EXPECT_EQ(std::string(tam.getData(), static_cast<std::size_t>(tam.getSize())), blob("Bas"));
    EXPECT_EQ(y.say("getState — elleAd=\"Bas\""), 7);
    EXPECT_EQ(o.bilesen->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(o.bilesen->getState(nullptr), kInvalidArgument);
}

TEST(Kabuk, LifecycleEventsAreLogged) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    {
        TestOrnegi o;
        ProcessSetup s{kRealtime, kSample32, 256, 48000.0};
        o.islemci->setupProcessing(s);
        SpeakerArrangement m = SpeakerArr::kMono;
        o.islemci->setBusArrangements(&m, 1, &m, 1);
        o.bilesen->setActive(true);
        o.bilesen->setActive(false);
    }
    for (auto [satir, kez] : {std::pair{"VST3 initialize — konak uygulama adi=\"(yok)\" surec=", 1},
                              {"VST3 setupProcessing → sr=48000 kanal=2 blok=256", 1},
                              {"VST3 veriyolu duzeni: mono", 1},
                              {"Initialize sr=48000 kanal=1 kanalAdi=\"(yok)\"", 1},
                              {"rol karari: kanal", 1},
                              {"Cleanup (Uninitialize)", 1},
                              {"VST3 terminate", 1},
                              {"Dispose — ornek KAPANIYOR", 1},
                              {"ornek KAPANDI", 1}})
        EXPECT_EQ(y.say(satir), kez) << satir;
}
