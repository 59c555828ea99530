// The VST3 shell through the faces a host uses.

#include "TestYardimcilari.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

using Boz = void (*)(Blok&, ProcessData&); // spoils a block as a host might

std::string blob(std::string const& ad) {
    std::uint32_t const n = static_cast<std::uint32_t>(ad.size());
    return std::string("OKA1") + char(n) + char(n >> 8) + char(n >> 16) + char(n >> 24) + ad;
}

// A host's stream that takes `kalan` bytes and then refuses, or writes short;
// without `sayar` it never reports how many bytes it took.
struct DolanAkis : MemoryStream {
    DolanAkis(int32 k, bool s) : kalan(k), sayar(s) {}
    tresult PLUGIN_API write(void* b, int32 n, int32* yazilan) override {
        int32 const k = std::min(n, kalan);
        kalan -= k;
        MemoryStream::write(b, k, sayar ? yazilan : nullptr);
        return k > 0 ? kResultOk : kResultFalse;
    }
    int32 kalan;
    bool sayar;
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
    auto* u = yuz<IUnitInfo>(o.bilesen);
    EXPECT_EQ(std::pair(g->getProcessContextRequirements(), u->getUnitCount()), std::pair(0x446u, 1))
        << "the context we read, and the root unit hosts expect";
    g->release();
    u->release();
}

TEST(Kabuk, BusArrangementsAndSampleSizes) {
    using SA = SpeakerArrangement;
    std::tuple<SA, SA, int32, tresult> const tablo[] = {
        {SpeakerArr::kMono, SpeakerArr::kMono, 1, kResultTrue},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 1, kResultTrue},
        {SpeakerArr::kMono, SpeakerArr::kStereo, 1, kResultFalse},
        {SpeakerArr::k51, SpeakerArr::k51, 1, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 2, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 0, kResultFalse}};
    for (auto [giris, cikis, nGiris, beklenen] : tablo) {
        TestOrnegi o;
        SA g[2] = {giris, giris}, c[2] = {cikis, cikis};
        EXPECT_EQ(o.islemci->setBusArrangements(g, nGiris, c, 1), beklenen) << giris << "/" << cikis;
        EXPECT_EQ(o.eklenti().bicim().kanal, beklenen == kResultTrue && giris == SpeakerArr::kMono ? 1u : 2u)
            << "a refusal leaves the stereo default";
    }
    TestOrnegi o;
    EXPECT_EQ(o.eklenti().bicimOzet(), "sr=44100 kanal=2") << "the base set-up before the host's first";
    // A refused set-up is not stored; a rate of 0 leaves the format unknown.
    std::tuple<SymbolicSampleSizes, double, tresult, char const*> const kurulumlar[] = {
        {kSample64, 96000.0, kResultFalse, "sr=44100 kanal=2"},
        {kSample32, 0.0, kResultOk, "sr=? kanal=?"},
        {kSample32, 96000.0, kResultOk, "sr=96000 kanal=2"}};
    for (auto [boyut, hiz, sonuc, ozet] : kurulumlar) {
        ProcessSetup s{kRealtime, boyut, 256, hiz};
        EXPECT_EQ(o.islemci->setupProcessing(s), sonuc);
        EXPECT_EQ(o.eklenti().bicimOzet(), ozet);
    }
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
    Boz const bozuk[] = {[](Blok&, ProcessData& d) { d.numSamples = -5; },
                         [](Blok&, ProcessData& d) { d.outputs = nullptr; },
                         [](Blok& b, ProcessData&) { b.cB.channelBuffers32 = nullptr; },
                         [](Blok& b, ProcessData&) { b.gP[0] = b.cP[1] = nullptr; },
                         [](Blok& b, ProcessData&) { b.gB.numChannels = -3; }};
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
        EXPECT_EQ(std::tuple(e.sonOrnekZamani.load(), e.teslim.load(), e.caliyor.load(), e.kayit.load(),
                             e.dongu.load()),
                  std::tuple(a.ornekZamani, a.teslim, (a.durum & ProcessContext::kPlaying) != 0,
                             a.durum == hepsi, a.durum == hepsi))
            << a.zaman;
        EXPECT_EQ(std::pair(e.tempo.load(), e.konum.load()), std::pair(133.0, 17.5)) << a.zaman;
    }
    EXPECT_EQ(
        std::tuple(e.tasimaDurumu.load(), e.tasimaSonuc.load(), e.blokSayisi.load(), e.islenenOrnek.load()),
        std::tuple(1, 0, 10u, 1000u));
    e.caliyor = true;
    v.processContext = nullptr;
    o.islemci->process(v);
    EXPECT_EQ(std::tuple(e.tasimaDurumu.load(), e.tasimaSonuc.load(), e.caliyor.load()),
              std::tuple(2, -1, true))
        << "fields keep their values without context";
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
    // 11 bytes in all: tag, length, name; a stream that reports no count is taken at its word.
    std::pair<int32, bool> const akislar[] = {{0, true}, {3, true},  {4, true},   {6, true},
                                              {8, true}, {10, true}, {100, true}, {100, false}};
    for (auto [kalan, sayar] : akislar) {
        DolanAkis m(kalan, sayar);
        EXPECT_EQ(o.bilesen->getState(&m), kalan < 11 ? kResultFalse : kResultOk) << kalan;
        if (kalan > 11) {
            EXPECT_EQ(std::string(m.getData(), static_cast<std::size_t>(m.getSize())), blob("Bas"));
        }
    }
    EXPECT_EQ(std::pair(y.say("getState — elleAd=\"Bas\" YAZILAMADI"), y.say("getState — elleAd=\"Bas\"")),
              std::pair(6, 8));
    std::string const uzun(0x10203, 'a'); // longer than a restore takes, but saved whole
    o.eklenti().elleAdiUygula(uzun.c_str(), "arayuz");
    MemoryStream m;
    EXPECT_EQ(o.bilesen->getState(&m), kResultOk);
    EXPECT_EQ(std::string(m.getData(), 8), std::string("OKA1\x03\x02\x01\0", 8));
    EXPECT_EQ(o.bilesen->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(o.bilesen->getState(nullptr), kInvalidArgument);
}

TEST(Kabuk, LifecycleEventsAreLoggedOnce) {
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
    for (auto satir :
         {"VST3 initialize — konak uygulama adi=\"(yok)\" surec=",
          "VST3 setupProcessing → sr=48000 kanal=2 blok=256", "VST3 veriyolu duzeni: mono",
          "Initialize sr=48000 kanal=1 kanalAdi=\"(yok)\"", "rol karari: kanal", "Cleanup (Uninitialize)",
          "VST3 terminate", "Dispose — ornek KAPANIYOR", "ornek KAPANDI"})
        EXPECT_EQ(y.say(satir), 1) << satir;
}
