// Host naming through the plug-in's faces, with the headless host's side of
// the two extensions as the host.

#include "TestYardimcilari.h"

#include "Baglam.h"
#include "Utf8.h"
#include "core/KonakEtiketi.h"
#include "platform/Surec.h"

#include <atomic>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

// A PreSonus provider that counts its name reads and, for real, its references.
// With `dolu` set it fills the whole buffer with 'p' and no terminator.
struct Saglayici : BilesenIsleyici {
    explicit Saglayici(bool presonus = true) : BilesenIsleyici(presonus) {}
    tresult PLUGIN_API getContextInfoString(TChar* s, int32 n, FIDString id) override {
        ++okuma;
        if (dolu) {
            std::fill(s, s + n, u'p');
            return kResultOk;
        }
        return BilesenIsleyici::getContextInfoString(s, n, id);
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++sayac); }
    uint32 PLUGIN_API release() override { return static_cast<uint32>(--sayac); }
    int okuma = 0;
    bool dolu = false;
    std::atomic<int> sayac{1};
};

tresult isleyiciKoy(FUnknown* bilesen, IComponentHandler* h) {
    auto* d = yuz<IEditController>(bilesen);
    tresult const r = d->setComponentHandler(h);
    d->release();
    return r;
}

} // namespace

TEST(Adlandirma, ChannelContextReadsWhatTheHostGives) {
    std::string const surec = oka::surecAdi(), uzun(300, 'x'), kesik(256, 'x');
    struct Durum {
        KanalBaglami baglam;
        std::string satir, konakAd, kaynak;
    } const tablo[] = {
        {{"Stereo Out", "Mixer", "u-7", 3, 2, 1, -16776961},
         "VST3 kanal baglami → ad=\"Stereo Out\" ad_alani=\"Mixer\" sira=3 ad_alani_sirasi=2 "
         "konum=fader-sonrasi "
         "uid=\"u-7\" renk=-16776961 surec=" +
             surec + " onek=" + oka::konakEtiketi(surec),
         "Stereo Out",
         "kanal-baglami"},
        // 300 units without a terminator in a buffer of 256: cut there.
        {{uzun, {}, {}, {}, {}, 0, {}}, "konum=fader-oncesi ", kesik, "kanal-baglami"},
        {{uzun, {}, {}, {}, {}, 2, {}}, "konum=panner ", kesik, "kanal-baglami"},
        {{uzun, {}, {}, {}, {}, 7, {}}, "konum=bilinmeyen ", kesik, "kanal-baglami"},
        {{},
         "VST3 kanal baglami → ad=(yok) ad_alani=(yok) sira=(yok) ad_alani_sirasi=(yok) konum=(yok) "
         "uid=(yok) "
         "renk=(yok) surec=",
         "",
         "konak"}, // no name leaves name and source alone
    };
    for (auto const& d : tablo) {
        OlaySatirlari y;
        TestOrnegi o;
        EXPECT_EQ(kanalBaglamiGonder(o.bilesen, d.baglam), kResultOk) << d.satir;
        EXPECT_EQ(y.say(d.satir), 1) << d.satir;
        EXPECT_EQ(std::pair(o.eklenti().konakKanalAdi(), o.eklenti().konakAdKaynagi()),
                  std::pair(d.konakAd, d.kaynak))
            << d.satir;
    }
    TestOrnegi o;
    EXPECT_EQ(o.eklenti().setChannelContextInfos(nullptr), kResultFalse);
}

TEST(Adlandirma, ANameChangesOnceAndTheMainOutputReDecidesTheRole) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    TestOrnegi o;
    o.bilesen->setActive(true);
    KanalBaglami b;
    b.ad = "Vocals";
    kanalBaglamiGonder(o.bilesen, b);
    kanalBaglamiGonder(o.bilesen, b);
    Saglayici h;
    h.ad = b.ad;
    h.ana = 1;
    isleyiciKoy(o.bilesen, &h); // the same name from the other extension only changes the source
    EXPECT_EQ(o.eklenti().konakAdKaynagi(), "presonus");
    EXPECT_EQ(y.say("kanal adi ("), 1);
    EXPECT_EQ(y.say("rol YENIDEN karari (PreSonus ana cikis): kanal → master"), 1);
    isleyiciKoy(o.bilesen, nullptr);
}

TEST(Adlandirma, PresonusNoticesRereadNameAndMain) {
    TestOrnegi o;
    Saglayici h;
    isleyiciKoy(o.bilesen, &h);
    std::pair<char const*, int> const okumalar[] = {{nullptr, 1}, {"", 1},      {"name", 1},
                                                    {"main", 1},  {"color", 0}, {"volume", 0}};
    for (auto [id, okuma] : okumalar) {
        h.okuma = 0;
        baglamDegistiBildir(o.bilesen, id);
        EXPECT_EQ(h.okuma, okuma) << (id ? id : "null");
    }
    h.okuma = 0;
    static_cast<Presonus::IContextInfoHandler&>(o.eklenti()).notifyContextInfoChange();
    EXPECT_EQ(h.okuma, 1) << "the first face, without an identifier";
    // Any value but 0 states the main output; no value states nothing.
    for (auto [ana, konakAna] : {std::pair{5, 1}, {0, 0}, {-3, 1}, {-99, -1}, {1, 1}}) {
        h.ana = ana == -99 ? std::nullopt : std::optional<int32>(ana);
        baglamDegistiBildir(o.bilesen, "main");
        EXPECT_EQ(o.eklenti().konakAnaCikis(), konakAna) << ana;
    }
    h.dolu = true;
    baglamDegistiBildir(o.bilesen, "name");
    EXPECT_EQ(o.eklenti().konakKanalAdi(), std::string(256, 'p')) << "a full buffer is cut at its end";
    isleyiciKoy(o.bilesen, nullptr);
}

TEST(Adlandirma, TheProviderIsHeldUntilReplacedTerminatedOrDestroyed) {
    Saglayici h, baska(false);
    h.ad = "Kick";
    {
        TestOrnegi o;
        ASSERT_EQ(isleyiciKoy(o.bilesen, &h), kResultOk);
        EXPECT_EQ(std::pair(h.sayac > 1, o.eklenti().konakKanalAdi()), std::pair(true, std::string("Kick")))
            << "held and read at once";
        isleyiciKoy(o.bilesen, &baska);
        EXPECT_EQ(h.sayac.load(), 1) << "a handler that is no provider replaces it";
        isleyiciKoy(o.bilesen, &h);
        o.bilesen->terminate();
        EXPECT_EQ(h.sayac.load(), 1) << "terminate lets go";
    }
    // A host that releases the instance without terminating it.
    IPluginFactory* fab = GetPluginFactory();
    IComponent* b = nullptr;
    ASSERT_EQ(fab->createInstance(OKABridgeVST3::cid.toTUID(), IComponent::iid, reinterpret_cast<void**>(&b)),
              kResultOk);
    fab->release();
    b->initialize(nullptr);
    isleyiciKoy(b, &h);
    int const tutulan = h.sayac.load();
    b->release();
    // The SDK base keeps its own handler reference until terminate; ours goes.
    EXPECT_EQ(h.sayac.load(), tutulan - 1) << "the destructor lets go of the provider";
}

TEST(Utf8, HostTextUpToTheLimit) {
    // What it is, the host's text, the limit in units, the UTF-8 expected.
    std::tuple<char const*, std::u16string, std::size_t, std::string> const tablo[] = {
        {"every Turkish letter, a character of each UTF-8 length (a surrogate pair: 4)",
         u"Aa çÇğĞıİöÖşŞüÜ €🎤", 256, "Aa çÇğĞıİöÖşŞüÜ €🎤"},
        {"a high surrogate as the last unit within the limit", u"a\U0001F3A4", 2, "a\xED\xA0\xBC"},
        {"an unpaired low surrogate", std::u16string(1, char16_t(0xDC00)), 256, "\xED\xB0\x80"},
        {"a high surrogate followed by a letter", std::u16string{char16_t(0xD800), u'b'}, 256,
         "\xED\xA0\x80"
         "b"},
        {"stops at the first 0", std::u16string(u"ab\0cd", 5), 256, "ab"},
        {"the first 3-byte and the last 2-byte unit", u"\u0800\u07FF", 256, "\xE0\xA0\x80\xDF\xBF"},
        {"limit 0", u"abc", 0, ""},
    };
    for (auto const& [ne, metin, sinir, beklenen] : tablo)
        EXPECT_EQ(oka::utf8(metin.c_str(), sinir), beklenen) << ne;
    EXPECT_EQ(oka::utf8(nullptr, 256), "");
}
