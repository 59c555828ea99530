#include "TestYardimcilari.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/ivstunits.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

#include <cstring>
#include <gtest/gtest.h>

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

std::string blob(std::string const& ad) {
    std::uint32_t const n = static_cast<std::uint32_t>(ad.size());
    return std::string("OKA1") + char(n) + char(n >> 8) + char(n >> 16) + char(n >> 24) + ad;
}

tresult durumYukle(TestOrnegi& o, std::string const& b) {
    MemoryStream m(const_cast<char*>(b.data()), static_cast<TSize>(b.size()));
    return o.bilesen->setState(&m);
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
    std::string bayt() { return std::string(getData(), static_cast<std::size_t>(getSize())); }
    int32 kalan;
};

std::string durumAl(TestOrnegi& o) {
    DolanAkis m(1 << 20);
    EXPECT_EQ(o.bilesen->getState(&m), kResultOk);
    return m.bayt();
}

} // namespace

TEST(Fabrika, OneAudioEffectClassWhoseFacesAreOneObject) {
    IPluginFactory* f = GetPluginFactory();
    PFactoryInfo fb{};
    ASSERT_EQ(f->getFactoryInfo(&fb), kResultOk);
    EXPECT_STREQ(fb.vendor, "Velmora");
    EXPECT_EQ(fb.flags, 16);
    ASSERT_EQ(f->countClasses(), 1);
    IPluginFactory3* f3 = nullptr;
    ASSERT_EQ(f->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&f3)), kResultOk);
    PClassInfo2 b{};
    ASSERT_EQ(f3->getClassInfo2(0, &b), kResultOk);
    EXPECT_EQ(FUID::fromTUID(b.cid), FUID(0x91B358CA, 0xFFEA4773, 0xA81810FB, 0x41F5EC5D));
    EXPECT_EQ(std::string(b.category) + "|" + b.name + "|" + b.subCategories + "|" + b.version + "|" +
                  b.sdkVersion,
              "Audio Module Class|OKA Bridge|Fx|Analyzer|1.1.4|VST 3.8.1");
    EXPECT_EQ(f3->getClassInfo2(1, &b), kInvalidArgument);
    f3->release();
    f->release();

    TestOrnegi o;
    for (char const* taban : {"SingleComponentEffect", "EditControllerEx1", "EditController", "FObject"})
        EXPECT_TRUE(o.eklenti().isTypeOf(taban, true)) << taban;
    IEditController* d = nullptr;
    IProcessContextRequirements* g = nullptr;
    ASSERT_EQ(o.bilesen->queryInterface(IEditController::iid, reinterpret_cast<void**>(&d)), kResultOk);
    ASSERT_EQ(o.islemci->queryInterface(IProcessContextRequirements::iid, reinterpret_cast<void**>(&g)),
              kResultOk);
    EXPECT_EQ(g->getProcessContextRequirements(), 0x446u);
    EXPECT_EQ(d->getParameterCount(), 0);
    g->release();
    d->release();
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
        int kanal;
        bool yerinde, sustur;
        void (*boz)(Blok&, ProcessData&);
        std::vector<bool> sessiz; // per output channel
        uint64 bayraklar;
    } const tablo[] = {
        {"mono", 1, false, false, nullptr, {false}, 0x2},
        {"stereo in place", 2, true, false, nullptr, {false, false}, 0x2},
        {"muted", 2, false, true, nullptr, {true, true}, 0x3},
        {"one input channel for two outputs",
         2,
         false,
         false,
         [](Blok& b, ProcessData&) { b.gB.numChannels = 1; },
         {false, true},
         0x2},
        {"no input bus", 2, false, false, [](Blok&, ProcessData& v) { v.numInputs = 0; }, {true, true}, 0x3},
        {"no input bus array",
         2,
         false,
         false,
         [](Blok&, ProcessData& v) { v.inputs = nullptr; },
         {true, true},
         0x3},
        {"no input buffers",
         2,
         false,
         false,
         [](Blok& b, ProcessData&) { b.gB.channelBuffers32 = nullptr; },
         {true, true},
         0x2},
        {"a null input channel",
         2,
         false,
         false,
         [](Blok& b, ProcessData&) { b.gP[1] = nullptr; },
         {false, true},
         0x2},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        o.eklenti().sustur = d.sustur;
        Blok b(d.kanal, 257);
        auto const beklenen = b.giris;
        ProcessData v = b.veri(d.yerinde);
        if (d.boz)
            d.boz(b, v);
        ASSERT_EQ(o.islemci->process(v), kResultOk) << d.ad;
        for (int c = 0; c < d.kanal; ++c)
            EXPECT_EQ(d.yerinde ? b.giris[c] : b.cikis[c],
                      d.sessiz[c] ? std::vector<float>(257, 0.0f) : beklenen[c])
                << d.ad << ", channel " << c;
        EXPECT_EQ(b.cB.silenceFlags, d.bayraklar) << d.ad;
    }
    TestOrnegi o;
    o.eklenti().sustur = true;
    Blok b(2, 64);
    ProcessData v = b.veri();
    o.islemci->process(v);
    EXPECT_EQ(o.eklenti().olculenOrnek.load(), 128u) << "the meters hear the input, not the muted output";
}

TEST(Kabuk, BrokenBlocksAreTolerated) {
    void (*const tablo[])(Blok&, ProcessData&) = {
        [](Blok&, ProcessData& d) { d.numSamples = -5; },
        [](Blok&, ProcessData& d) { d.outputs = nullptr; },
        [](Blok& b, ProcessData&) { b.cB.channelBuffers32 = nullptr; },
        [](Blok& b, ProcessData&) { b.gP[0] = b.cP[1] = nullptr; },
        [](Blok& b, ProcessData&) { b.gB.numChannels = -3; },
    };
    for (auto boz : tablo) {
        TestOrnegi o;
        Blok x(2, 32);
        ProcessData v = x.veri();
        boz(x, v);
        EXPECT_EQ(o.islemci->process(v), kResultOk);
    }
    // A host that ignores our 32-bit answer must not make us read floats as doubles.
    TestOrnegi o;
    Blok x(2, 32);
    ProcessData v = x.veri();
    v.symbolicSampleSize = kSample64;
    std::vector<double> g(32, 0.5), c(32, 9.0);
    double* gp[2] = {g.data(), g.data()};
    double* cp[2] = {c.data(), c.data()};
    x.gB.channelBuffers64 = gp;
    x.cB.channelBuffers64 = cp;
    EXPECT_EQ(o.islemci->process(v), kResultOk);
    EXPECT_EQ(c, g);
}

TEST(Kabuk, TransportFieldsWithAndWithoutContext) {
    TestOrnegi o;
    OKABridgeVST3& e = o.eklenti();
    Blok b(2, 32);
    ProcessContext k{};
    k.state = ProcessContext::kPlaying | ProcessContext::kCycleActive | ProcessContext::kRecording |
              ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid;
    k.tempo = 133.0;
    k.projectTimeMusic = 17.5;
    ProcessData v = b.veri();
    v.processContext = &k;
    o.islemci->process(v);
    EXPECT_EQ(e.tasimaDurumu.load(), 1);
    EXPECT_EQ(e.tasimaSonuc.load(), 0);
    EXPECT_TRUE(e.caliyor && e.kayit && e.dongu);
    EXPECT_EQ(e.konum.load(), 17.5);

    k.state = ProcessContext::kPlaying; // tempo and position not valid: kept
    k.tempo = 60.0;
    k.projectTimeMusic = 3.0;
    o.islemci->process(v);
    EXPECT_EQ(e.tempo.load(), 133.0);
    EXPECT_EQ(e.konum.load(), 17.5);
    EXPECT_FALSE(e.kayit || e.dongu);

    v.processContext = nullptr;
    o.islemci->process(v);
    EXPECT_EQ(e.tasimaDurumu.load(), 2);
    EXPECT_EQ(e.tasimaSonuc.load(), -1);
    EXPECT_TRUE(e.caliyor) << "fields keep their values without context";
}

TEST(Kabuk, SampleTimesAndDeliveryIgnoreBackwardAndHugeSteps) {
    TestOrnegi o;
    OKABridgeVST3& e = o.eklenti();
    Blok b(1, 100);
    ProcessContext k{};
    ProcessData v = b.veri();
    v.processContext = &k;
    struct Adim {
        std::int64_t zaman; // -1: no continuous time, the running sum of block lengths counts
        double ornekZamani;
        std::uint64_t teslim;
    } const adimlar[] = {{-1, 0, 0},
                         {-1, 100, 100},
                         {1000, 1000, 1000},
                         {1100, 1100, 1100},
                         {1050, 1050, 1100},
                         {1050, 1050, 1100},
                         {1001050, 1001050, 1100},
                         {1001150, 1001150, 1200},
                         {2001149, 2001149, 1001199},
                         {-1, 900, 1001199}};
    for (auto const& a : adimlar) {
        k.state = a.zaman < 0 ? 0 : ProcessContext::kContTimeValid;
        k.continousTimeSamples = a.zaman;
        o.islemci->process(v);
        EXPECT_EQ(e.sonOrnekZamani.load(), a.ornekZamani) << a.zaman;
        EXPECT_EQ(e.teslim.load(), a.teslim) << a.zaman;
    }
    EXPECT_EQ(e.blokSayisi.load(), 10u);
    EXPECT_EQ(e.islenenOrnek.load(), 1000u);
}

TEST(KayitliDurum, RoundTripsTheManualNameIncludingNonAscii) {
    TestOrnegi o;
    EXPECT_EQ(durumAl(o), std::string("OKA1\0\0\0\0", 8)) << "no name: exactly 8 bytes";
    std::string const ad = "Vokal ş Ğ 🎤";
    ASSERT_EQ(durumYukle(o, blob(ad)), kResultOk);
    EXPECT_EQ(durumAl(o), blob(ad)) << "the length counts UTF-8 bytes";
    TestOrnegi yeni;
    ASSERT_EQ(durumYukle(yeni, durumAl(o)), kResultOk);
    EXPECT_EQ(yeni.eklenti().elleAdKopyasi(), ad);
}

TEST(KayitliDurum, EveryShapeOfBlob) {
    struct Durum {
        char const* ad;
        std::string blob;
        tresult sonuc;
        char const* sonrakiAd; // manual name afterwards; it was "Eski"
        char const* satir;     // event line, when one names the blob
    } const tablo[] = {
        {"empty stream", "", kResultOk, "Eski", "setState — tanınmayan biçim, YOK SAYILDI"},
        {"short tag", "OK", kResultOk, "Eski", "setState — tanınmayan biçim, YOK SAYILDI"},
        {"wrong tag", "OKA2\x03\0\0\0abc", kResultOk, "Eski", "setState — tanınmayan biçim, YOK SAYILDI"},
        {"tag only", "OKA1", kResultFalse, "Eski", nullptr},
        {"length cut short", std::string("OKA1\x03\0", 6), kResultFalse, "Eski", nullptr},
        {"name cut short", std::string("OKA1\x05\0\0\0abc", 11), kResultFalse, "Eski", nullptr},
        {"zero length clears", std::string("OKA1\0\0\0\0zzz", 11), kResultOk, "", "setState — elleAd=\"\""},
        {"4095 is the longest", blob(std::string(4095, 'n')), kResultOk, nullptr, nullptr},
        {"4096 clears without reading", std::string("OKA1\x00\x10\0\0", 8), kResultOk, "", nullptr},
        {"huge length clears", std::string("OKA1\xff\xff\xff\xff", 8), kResultOk, "", nullptr},
        {"trailing bytes ignored", blob("Yeni") + "ek", kResultOk, "Yeni", "setState — elleAd=\"Yeni\""},
        {"a NUL byte ends the name and its log line", blob(std::string("ab\0cd", 5)), kResultOk, "ab",
         "setState — elleAd=\"ab\""},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        ASSERT_EQ(durumYukle(o, blob("Eski")), kResultOk);
        OlaySatirlari y;
        EXPECT_EQ(durumYukle(o, d.blob), d.sonuc) << d.ad;
        EXPECT_EQ(o.eklenti().elleAdKopyasi(), d.sonrakiAd ? d.sonrakiAd : std::string(4095, 'n')) << d.ad;
        if (d.satir) {
            EXPECT_EQ(y.ornegin(o.eklenti().ornekEtiketi()).at(0), d.satir) << d.ad;
        }
    }
    TestOrnegi o;
    EXPECT_EQ(o.bilesen->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(o.bilesen->getState(nullptr), kInvalidArgument);
}

TEST(KayitliDurum, AFailedOrShortWriteIsAFailedSave) {
    OlaySatirlari y;
    TestOrnegi o;
    ASSERT_EQ(durumYukle(o, blob("Bas")), kResultOk);
    // 11 bytes in all: tag, length, name.
    for (int32 kalan : {0, 3, 4, 6, 8, 10}) {
        DolanAkis m(kalan);
        EXPECT_EQ(o.bilesen->getState(&m), kResultFalse) << kalan;
    }
    EXPECT_EQ(y.say("getState — elleAd=\"Bas\" YAZILAMADI"), 6);
    EXPECT_EQ(durumAl(o), blob("Bas"));
    EXPECT_EQ(y.say("getState — elleAd=\"Bas\""), 7);
}

TEST(Kabuk, LifecycleEventsAreLogged) {
    OlaySatirlari y;
    {
        TestOrnegi o;
        ProcessSetup s{kRealtime, kSample32, 256, 48000.0};
        o.islemci->setupProcessing(s);
        SpeakerArrangement m = SpeakerArr::kMono;
        o.islemci->setBusArrangements(&m, 1, &m, 1);
        o.bilesen->setActive(true);
        o.bilesen->setActive(false);
        o.bilesen->setActive(true);
    }
    for (auto [satir, kez] : {std::pair{"VST3 initialize — konak uygulama adi=\"(yok)\" surec=", 1},
                              {"VST3 setupProcessing → sr=48000 kanal=2 blok=256", 1},
                              {"VST3 veriyolu duzeni: mono", 1},
                              {"Initialize sr=48000 kanal=1 kanalAdi=\"(yok)\"", 2},
                              {"rol karari: kanal", 1},
                              {"Cleanup (Uninitialize)", 1},
                              {"tani ipligi yeniden baslatildi (Cleanup sonrasi Initialize)", 1},
                              {"VST3 terminate", 1},
                              {"Dispose — ornek KAPANIYOR", 1}})
        EXPECT_EQ(y.say(satir), kez) << satir;
}
