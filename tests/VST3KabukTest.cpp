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

std::string bayt(MemoryStream& m) {
    return std::string(m.getData(), static_cast<std::size_t>(m.getSize()));
}

std::string blob(std::string const& ad) {
    std::uint32_t const n = static_cast<std::uint32_t>(ad.size());
    return std::string("OKA1") + char(n) + char(n >> 8) + char(n >> 16) + char(n >> 24) + ad;
}

tresult durumYukle(TestOrnegi& o, std::string const& b) {
    MemoryStream m(const_cast<char*>(b.data()), static_cast<TSize>(b.size()));
    return o.bilesen->setState(&m);
}

std::string durumAl(TestOrnegi& o) {
    MemoryStream m;
    EXPECT_EQ(o.bilesen->getState(&m), kResultOk);
    return bayt(m);
}

} // namespace

TEST(Fabrika, RegistersOneAudioEffectClassWithItsData) {
    IPluginFactory* f = GetPluginFactory();
    PFactoryInfo fb{};
    ASSERT_EQ(f->getFactoryInfo(&fb), kResultOk);
    EXPECT_STREQ(fb.vendor, "Velmora");
    EXPECT_STREQ(fb.email, "");
    EXPECT_EQ(fb.flags, 16);
    ASSERT_EQ(f->countClasses(), 1);

    IPluginFactory3* f3 = nullptr;
    ASSERT_EQ(f->queryInterface(IPluginFactory3::iid, reinterpret_cast<void**>(&f3)), kResultOk);
    PClassInfo2 b{};
    ASSERT_EQ(f3->getClassInfo2(0, &b), kResultOk);
    EXPECT_EQ(std::memcmp(b.cid, OKABridgeVST3::cid.toTUID(), sizeof(TUID)), 0);
    EXPECT_EQ(FUID::fromTUID(b.cid), FUID(0x91B358CA, 0xFFEA4773, 0xA81810FB, 0x41F5EC5D));
    EXPECT_EQ(b.cardinality, 0x7FFFFFFF);
    EXPECT_STREQ(b.category, "Audio Module Class");
    EXPECT_STREQ(b.name, "OKA Bridge");
    EXPECT_EQ(b.classFlags, 0u);
    EXPECT_STREQ(b.subCategories, "Fx|Analyzer");
    EXPECT_STREQ(b.vendor, "");
    EXPECT_STREQ(b.version, "1.1.4");
    EXPECT_STREQ(b.sdkVersion, "VST 3.8.1");
    PClassInfoW w{};
    ASSERT_EQ(f3->getClassInfoUnicode(0, &w), kResultOk);
    EXPECT_EQ(w.name[0], u'O');
    EXPECT_EQ(f3->getClassInfo2(1, &b), kInvalidArgument);

    void* yok = nullptr;
    EXPECT_NE(f->createInstance(FUID(1, 2, 3, 4).toTUID(), IComponent::iid, &yok), kResultOk);
    EXPECT_EQ(yok, nullptr);
    f3->release();
    f->release();
}

TEST(Fabrika, EveryFaceAnswersForTheSameObject) {
    TestOrnegi o;
    EXPECT_TRUE(o.eklenti().isTypeOf("OKABridgeVST3", false));
    for (char const* taban :
         {"SingleComponentEffect", "EditControllerEx1", "EditController", "ComponentBase", "FObject"})
        EXPECT_TRUE(o.eklenti().isTypeOf(taban, true)) << taban;
    EXPECT_FALSE(o.eklenti().isTypeOf("EditController", false));

    IEditController* d = nullptr;
    IProcessContextRequirements* g = nullptr;
    IUnitInfo* u = nullptr;
    ASSERT_EQ(o.bilesen->queryInterface(IEditController::iid, reinterpret_cast<void**>(&d)), kResultOk);
    ASSERT_EQ(o.islemci->queryInterface(IProcessContextRequirements::iid, reinterpret_cast<void**>(&g)),
              kResultOk);
    ASSERT_EQ(d->queryInterface(IUnitInfo::iid, reinterpret_cast<void**>(&u)), kResultOk);
    EXPECT_EQ(g->getProcessContextRequirements(), 0x446u);
    ASSERT_EQ(u->getUnitCount(), 1);
    UnitInfo kok{};
    ASSERT_EQ(u->getUnitInfo(0, kok), kResultOk);
    EXPECT_EQ(kok.id, kRootUnitId);
    EXPECT_EQ(kok.parentUnitId, kNoParentUnitId);
    EXPECT_EQ(d->getParameterCount(), 0);
    EXPECT_EQ(d->createView("editor"), nullptr);
    u->release();
    g->release();
    d->release();
}

TEST(Kabuk, BusesAreGirisAndCikisStereoByDefault) {
    TestOrnegi o;
    ASSERT_EQ(o.bilesen->getBusCount(kAudio, kInput), 1);
    ASSERT_EQ(o.bilesen->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(o.bilesen->getBusCount(kEvent, kInput), 0);
    BusInfo g{}, c{};
    o.bilesen->getBusInfo(kAudio, kInput, 0, g);
    o.bilesen->getBusInfo(kAudio, kOutput, 0, c);
    EXPECT_EQ(g.name[0], u'G');
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t const*>(g.name)), u"Giris");
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t const*>(c.name)), u"Cikis");
    EXPECT_EQ(g.channelCount, 2);
    EXPECT_EQ(g.busType, kMain);
    EXPECT_EQ(g.flags, static_cast<uint32>(BusInfo::kDefaultActive));
    EXPECT_EQ(o.eklenti().bicimOzet(), "sr=44100 kanal=2") << "the base set-up before the host's first";
}

TEST(Kabuk, BusArrangementsAcceptedAndRefused) {
    struct Durum {
        SpeakerArrangement g, c;
        int32 nGiris, nCikis;
        tresult beklenen;
    } const tablo[] = {
        {SpeakerArr::kMono, SpeakerArr::kMono, 1, 1, kResultTrue},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 1, 1, kResultTrue},
        {SpeakerArr::kMono, SpeakerArr::kStereo, 1, 1, kResultFalse},
        {SpeakerArr::k51, SpeakerArr::k51, 1, 1, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 2, 1, kResultFalse},
        {SpeakerArr::kStereo, SpeakerArr::kStereo, 0, 1, kResultFalse},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        SpeakerArrangement g[2] = {d.g, d.g}, c[2] = {d.c, d.c};
        EXPECT_EQ(o.islemci->setBusArrangements(g, d.nGiris, c, d.nCikis), d.beklenen) << d.g << "/" << d.c;
        SpeakerArrangement simdi = 0;
        o.islemci->getBusArrangement(kInput, 0, simdi);
        EXPECT_EQ(simdi, d.beklenen == kResultTrue ? d.g : SpeakerArr::kStereo)
            << "a refusal leaves the buses";
    }
    TestOrnegi o;
    SpeakerArrangement m = SpeakerArr::kMono;
    EXPECT_EQ(o.islemci->setBusArrangements(nullptr, 1, &m, 1), kResultFalse);
    ASSERT_EQ(o.islemci->setBusArrangements(&m, 1, &m, 1), kResultTrue);
    EXPECT_EQ(o.eklenti().bicim().kanal, 1u);
}

TEST(Kabuk, Only32BitSamplesAreProcessed) {
    TestOrnegi o;
    EXPECT_EQ(o.islemci->canProcessSampleSize(kSample32), kResultTrue);
    EXPECT_EQ(o.islemci->canProcessSampleSize(kSample64), kResultFalse);
    ProcessSetup s64{kRealtime, kSample64, 256, 96000.0};
    EXPECT_EQ(o.islemci->setupProcessing(s64), kResultFalse);
    EXPECT_EQ(o.eklenti().ornekHizi(), 44100.0) << "a refused set-up is not stored";
    ProcessSetup s32{kRealtime, kSample32, 256, 96000.0};
    EXPECT_EQ(o.islemci->setupProcessing(s32), kResultOk);
    EXPECT_EQ(o.eklenti().ornekHizi(), 96000.0);
}

TEST(Kabuk, PassesAudioThroughBitExact) {
    for (int kanal : {1, 2}) {
        for (bool yerinde : {false, true}) {
            TestOrnegi o;
            SpeakerArrangement d = kanal == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
            o.islemci->setBusArrangements(&d, 1, &d, 1);
            Blok b(kanal, 257);
            b.doldur(0.75f);
            auto const beklenen = b.giris;
            ProcessData v = b.veri(yerinde);
            ASSERT_EQ(o.islemci->process(v), kResultOk);
            for (int c = 0; c < kanal; ++c) {
                auto const& cikan = yerinde ? b.giris[c] : b.cikis[c];
                EXPECT_EQ(std::memcmp(cikan.data(), beklenen[c].data(), 257 * sizeof(float)), 0)
                    << "kanal " << kanal << " yerinde " << yerinde;
            }
            EXPECT_EQ(b.cB.silenceFlags, 0x2u) << "input silence flags are copied";
        }
    }
}

TEST(Kabuk, MuteGivesZerosAndSilenceBitsWhileTheCoreStillHearsTheInput) {
    TestOrnegi o;
    o.eklenti().sustur = true;
    Blok b(2, 64);
    b.doldur(0.5f);
    ProcessData v = b.veri();
    ASSERT_EQ(o.islemci->process(v), kResultOk);
    for (auto const& k : b.cikis)
        for (float x : k)
            ASSERT_EQ(x, 0.0f);
    EXPECT_EQ(b.cB.silenceFlags, 0x3u);
    EXPECT_GT(o.eklenti().tepe.load(), 0.4) << "the meters measure the input, not the muted output";
    EXPECT_EQ(o.eklenti().olculenOrnek.load(), 128u);
}

TEST(Kabuk, OutputChannelsWithoutInputAreSilencedAndMissingBuffersTolerated) {
    TestOrnegi o;
    Blok b(2, 16);
    b.doldur(0.5f);
    ProcessData v = b.veri();
    b.gB.numChannels = 1; // host gives one input channel for a stereo output
    ASSERT_EQ(o.islemci->process(v), kResultOk);
    EXPECT_EQ(b.cikis[0], b.giris[0]);
    EXPECT_EQ(b.cikis[1], std::vector<float>(16, 0.0f));

    struct Bozuk {
        char const* ad;
        void (*boz)(Blok&, ProcessData&);
    } const tablo[] = {
        {"zero samples", [](Blok&, ProcessData& d) { d.numSamples = 0; }},
        {"negative samples", [](Blok&, ProcessData& d) { d.numSamples = -5; }},
        {"no input bus", [](Blok&, ProcessData& d) { d.numInputs = 0; }},
        {"null bus arrays", [](Blok&, ProcessData& d) { d.inputs = d.outputs = nullptr; }},
        {"null input buffers", [](Blok& b, ProcessData&) { b.gB.channelBuffers32 = nullptr; }},
        {"null output buffers", [](Blok& b, ProcessData&) { b.cB.channelBuffers32 = nullptr; }},
        {"null channels", [](Blok& b, ProcessData&) { b.gP[0] = b.gP[1] = b.cP[1] = nullptr; }},
        {"negative channel count", [](Blok& b, ProcessData&) { b.gB.numChannels = -3; }},
        {"64 bit anyway", [](Blok&, ProcessData& d) { d.symbolicSampleSize = kSample64; }},
    };
    for (auto const& d : tablo) {
        Blok x(2, 32);
        x.doldur(0.25f);
        ProcessData v2 = x.veri();
        d.boz(x, v2);
        if (v2.symbolicSampleSize == kSample64) {
            // A host that ignores our answer must not make us read floats as doubles.
            std::vector<double> g(32, 0.5), c(32, 9.0);
            double* gp[2] = {g.data(), g.data()};
            double* cp[2] = {c.data(), c.data()};
            x.gB.channelBuffers64 = gp;
            x.cB.channelBuffers64 = cp;
            EXPECT_EQ(o.islemci->process(v2), kResultOk);
            EXPECT_EQ(c, g);
            continue;
        }
        EXPECT_EQ(o.islemci->process(v2), kResultOk) << d.ad;
    }
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
    EXPECT_EQ(e.tempo.load(), 133.0);
    EXPECT_EQ(e.konum.load(), 17.5);

    k.state = ProcessContext::kPlaying; // tempo and position not valid: kept
    k.tempo = 60.0;
    o.islemci->process(v);
    EXPECT_EQ(e.tempo.load(), 133.0);
    EXPECT_FALSE(e.kayit);

    v.processContext = nullptr;
    o.islemci->process(v);
    EXPECT_EQ(e.tasimaDurumu.load(), 2);
    EXPECT_EQ(e.tasimaSonuc.load(), -1);
    EXPECT_TRUE(e.caliyor) << "fields keep their values without context";
    EXPECT_EQ(e.tempo.load(), 133.0);
    EXPECT_EQ(e.tasimaAlanlari(), "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true");
}

TEST(Kabuk, SampleTimesAndDeliveryWithoutContinuousTime) {
    TestOrnegi o;
    OKABridgeVST3& e = o.eklenti();
    Blok b(2, 512);
    ProcessData v = b.veri();
    for (int i = 0; i < 4; ++i) {
        o.islemci->process(v);
        EXPECT_EQ(e.sonOrnekZamani.load(), 512.0 * i);
    }
    EXPECT_EQ(e.teslim.load(), 3u * 512u) << "the first block has no step";
    EXPECT_EQ(e.blokSayisi.load(), 4u);
    EXPECT_EQ(e.islenenOrnek.load(), 4u * 512u);
}

TEST(Kabuk, DeliveryIgnoresBackwardAndHugeSteps) {
    TestOrnegi o;
    OKABridgeVST3& e = o.eklenti();
    Blok b(1, 100);
    ProcessContext k{};
    k.state = ProcessContext::kContTimeValid;
    ProcessData v = b.veri();
    v.processContext = &k;
    struct Adim {
        std::int64_t zaman;
        std::uint64_t teslim;
    } const adimlar[] = {{1000, 0},      {1100, 100},    {1050, 100},       {1050, 100},
                         {1001050, 100}, {1001150, 200}, {2001149, 1000199}};
    for (auto const& a : adimlar) {
        k.continousTimeSamples = a.zaman;
        o.islemci->process(v);
        EXPECT_EQ(e.teslim.load(), a.teslim) << a.zaman;
        EXPECT_EQ(e.sonOrnekZamani.load(), static_cast<double>(a.zaman));
    }
}

TEST(KayitliDurum, RoundTripsTheManualNameIncludingNonAscii) {
    TestOrnegi o;
    EXPECT_EQ(durumAl(o), std::string("OKA1\0\0\0\0", 8)) << "no name: exactly 8 bytes";
    std::string const ad = "Vokal ş Ğ 🎤";
    ASSERT_EQ(durumYukle(o, blob(ad)), kResultOk);
    EXPECT_EQ(durumAl(o), blob(ad));
    EXPECT_EQ(static_cast<unsigned char>(durumAl(o)[4]), ad.size()) << "length counts UTF-8 bytes";
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
    } const tablo[] = {
        {"empty stream", "", kResultOk, "Eski"},
        {"short tag", "OK", kResultOk, "Eski"},
        {"wrong tag", "OKA2\x03\0\0\0abc", kResultOk, "Eski"},
        {"tag only", "OKA1", kResultFalse, "Eski"},
        {"length cut short", std::string("OKA1\x03\0", 6), kResultFalse, "Eski"},
        {"name cut short", std::string("OKA1\x05\0\0\0abc", 11), kResultFalse, "Eski"},
        {"zero length clears", std::string("OKA1\0\0\0\0", 8), kResultOk, ""},
        {"zero length ignores what follows", std::string("OKA1\0\0\0\0zzz", 11), kResultOk, ""},
        {"4095 is the longest", blob(std::string(4095, 'n')), kResultOk, nullptr},
        {"4096 clears without reading", std::string("OKA1\x00\x10\0\0", 8), kResultOk, ""},
        {"huge length clears", std::string("OKA1\xff\xff\xff\xff", 8), kResultOk, ""},
        {"trailing bytes ignored", blob("Yeni") + "ek", kResultOk, "Yeni"},
        {"a NUL byte ends the name", blob(std::string("ab\0cd", 5)), kResultOk, "ab"},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        ASSERT_EQ(durumYukle(o, blob("Eski")), kResultOk);
        EXPECT_EQ(durumYukle(o, d.blob), d.sonuc) << d.ad;
        std::string const beklenen = d.sonrakiAd ? d.sonrakiAd : std::string(4095, 'n');
        EXPECT_EQ(o.eklenti().elleAdKopyasi(), beklenen) << d.ad;
    }
    TestOrnegi o;
    EXPECT_EQ(o.bilesen->setState(nullptr), kInvalidArgument);
    EXPECT_EQ(o.bilesen->getState(nullptr), kInvalidArgument);
}

TEST(KayitliDurum, UnknownFormatIsLoggedAndRestoreIsLogged) {
    OlaySatirlari y;
    TestOrnegi o;
    durumYukle(o, "XYZW");
    durumYukle(o, blob("Bas"));
    durumAl(o);
    EXPECT_EQ(y.say("setState — tanınmayan biçim, YOK SAYILDI"), 1);
    EXPECT_EQ(y.say("setState — elleAd=\"Bas\""), 1);
    EXPECT_EQ(y.say("elle ad (setState): \"Bas\""), 1);
    EXPECT_EQ(y.say("getState — elleAd=\"Bas\""), 1);
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
    EXPECT_EQ(y.say("VST3 initialize — konak uygulama adi=\"(yok)\" surec="), 1);
    EXPECT_EQ(y.say("VST3 setupProcessing → sr=48000 kanal=2 blok=256"), 1);
    EXPECT_EQ(y.say("VST3 veriyolu duzeni: mono"), 1);
    EXPECT_EQ(y.say("Initialize sr=48000 kanal=1 kanalAdi=\"(yok)\""), 2);
    EXPECT_EQ(y.say("rol karari: kanal"), 1);
    EXPECT_EQ(y.say("Cleanup (Uninitialize)"), 1);
    EXPECT_EQ(y.say("VST3 terminate"), 1);
    EXPECT_EQ(y.say("Dispose — ornek KAPANIYOR"), 1);
}
