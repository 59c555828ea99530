// Host naming through the plug-in's faces, with the host's objects played by
// small fakes: a channel-context attribute list and a component handler that
// is a PreSonus context provider.

#include "TestYardimcilari.h"

#include "Utf8.h"
#include "core/KonakEtiketi.h"
#include "platform/Surec.h"

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pslextensions/ipslcontextinfo.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <map>
#include <optional>

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;
namespace CC = Steinberg::Vst::ChannelContext;

namespace {

// The host's attribute list: only what a case puts in.
class Liste : public IAttributeList {
public:
    std::map<std::string, int64> tam;
    std::map<std::string, std::u16string> metin;

    tresult PLUGIN_API getInt(AttrID id, int64& v) override {
        auto i = tam.find(id);
        if (i == tam.end())
            return kResultFalse;
        v = i->second;
        return kResultOk;
    }
    tresult PLUGIN_API getString(AttrID id, TChar* s, uint32 bayt) override {
        auto i = metin.find(id);
        if (i == metin.end())
            return kResultFalse;
        // As a host does: what fits, terminated only when there is room.
        std::size_t const yer = bayt / sizeof(TChar), n = std::min(yer, i->second.size());
        std::memcpy(s, i->second.data(), n * sizeof(TChar));
        if (n < yer)
            s[n] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API setInt(AttrID, int64) override { return kResultFalse; }
    tresult PLUGIN_API setFloat(AttrID, double) override { return kResultFalse; }
    tresult PLUGIN_API getFloat(AttrID, double&) override { return kResultFalse; }
    tresult PLUGIN_API setString(AttrID, const TChar*) override { return kResultFalse; }
    tresult PLUGIN_API setBinary(AttrID, const void*, uint32) override { return kResultFalse; }
    tresult PLUGIN_API getBinary(AttrID, const void*&, uint32&) override { return kResultFalse; }
    tresult PLUGIN_API queryInterface(const TUID, void** o) override {
        *o = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }
};

// A host's component handler; as a PreSonus provider it answers "name" and
// "main" while they hold a value. Counted for real, to see the plug-in let go.
class Isleyici : public IComponentHandler, public Presonus::IContextInfoProvider {
public:
    explicit Isleyici(bool saglayici = true) : saglayici_(saglayici) {}
    std::optional<std::u16string> ad;
    std::optional<int32> ana;
    int okuma = 0;
    std::atomic<int> sayac{1};

    tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
    tresult PLUGIN_API getContextInfoValue(int32& v, FIDString id) override {
        if (std::strcmp(id, "main") != 0 || !ana)
            return kResultFalse;
        v = *ana;
        return kResultOk;
    }
    tresult PLUGIN_API getContextInfoString(TChar* s, int32 n, FIDString id) override {
        ++okuma;
        if (std::strcmp(id, "name") != 0 || !ad)
            return kResultFalse;
        std::size_t const k = std::min<std::size_t>(static_cast<std::size_t>(n), ad->size());
        std::memcpy(s, ad->data(), k * sizeof(TChar));
        if (k < static_cast<std::size_t>(n))
            s[k] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API queryInterface(const TUID iid, void** o) override {
        QUERY_INTERFACE(iid, o, FUnknown::iid, IComponentHandler)
        QUERY_INTERFACE(iid, o, IComponentHandler::iid, IComponentHandler)
        if (saglayici_) {
            QUERY_INTERFACE(iid, o, Presonus::IContextInfoProvider::iid, Presonus::IContextInfoProvider)
        }
        *o = nullptr;
        return kNoInterface;
    }
    uint32 PLUGIN_API addRef() override { return static_cast<uint32>(++sayac); }
    uint32 PLUGIN_API release() override { return static_cast<uint32>(--sayac); }

private:
    bool saglayici_;
};

template <typename Y> Y* yuz(TestOrnegi& o) {
    Y* y = nullptr;
    o.bilesen->queryInterface(Y::iid, reinterpret_cast<void**>(&y));
    return y;
}

tresult baglamGonder(TestOrnegi& o, Liste& l) {
    auto* d = yuz<CC::IInfoListener>(o);
    tresult const r = d->setChannelContextInfos(&l);
    d->release();
    return r;
}

tresult isleyiciKoy(TestOrnegi& o, IComponentHandler* h) {
    auto* d = yuz<IEditController>(o);
    tresult const r = d->setComponentHandler(h);
    d->release();
    return r;
}

Liste adli(std::u16string ad) {
    Liste l;
    l.metin[CC::kChannelNameKey] = std::move(ad);
    return l;
}

} // namespace

TEST(Adlandirma, TheNamingFacesAreCountedFacesOfTheOneObject) {
    TestOrnegi o;
    for (FUID const* iid : {&CC::IInfoListener::iid, &Presonus::IContextInfoHandler::iid,
                            &Presonus::IContextInfoHandler2::iid}) {
        uint32 const once = (o.bilesen->addRef(), o.bilesen->release());
        FUnknown* f = nullptr;
        ASSERT_EQ(o.bilesen->queryInterface(iid->toTUID(), reinterpret_cast<void**>(&f)), kResultOk);
        EXPECT_EQ((o.bilesen->addRef(), o.bilesen->release()), once + 1) << "handed out after addRef";
        IComponent* geri = nullptr;
        ASSERT_EQ(f->queryInterface(IComponent::iid, reinterpret_cast<void**>(&geri)), kResultOk);
        EXPECT_EQ(geri, o.bilesen);
        geri->release();
        f->release();
    }
}

TEST(Adlandirma, ChannelContextReadsWhatTheHostGives) {
    std::string const surec = oka::surecAdi();
    Liste tam = adli(u"Stereo Out");
    tam.metin[CC::kChannelIndexNamespaceKey] = u"Mixer";
    tam.metin[CC::kChannelUIDKey] = u"u-7";
    tam.tam[CC::kChannelIndexKey] = 3;
    tam.tam[CC::kChannelIndexNamespaceOrderKey] = 2;
    tam.tam[CC::kChannelPluginLocationKey] = 1;
    tam.tam[CC::kChannelColorKey] = -16776961;
    auto konumlu = [](int64 k) {
        Liste l = adli(u"Gitar");
        l.tam[CC::kChannelPluginLocationKey] = k;
        return l;
    };
    Liste adsiz;
    adsiz.tam[CC::kChannelIndexKey] = 4;
    struct Durum {
        char const* ad;
        Liste liste;
        std::string satir, konakAd, kaynak;
    } const tablo[] = {
        {"every attribute", tam,
         "VST3 kanal baglami → ad=\"Stereo Out\" ad_alani=\"Mixer\" sira=3 ad_alani_sirasi=2 "
         "konum=fader-sonrasi "
         "uid=\"u-7\" renk=-16776961 surec=" +
             surec + " onek=" + oka::konakEtiketi(surec),
         "Stereo Out", "kanal-baglami"},
        {"only the name", adli(u"Gitar ş"),
         "ad=\"Gitar ş\" ad_alani=(yok) sira=(yok) ad_alani_sirasi=(yok) konum=(yok) uid=(yok) renk=(yok) "
         "surec=",
         "Gitar ş", "kanal-baglami"},
        {"pre-fader", konumlu(0), "konum=fader-oncesi ", "Gitar", "kanal-baglami"},
        {"panner", konumlu(2), "konum=panner ", "Gitar", "kanal-baglami"},
        {"unknown location", konumlu(7), "konum=bilinmeyen ", "Gitar", "kanal-baglami"},
        {"an empty name is a name", adli(u""), "VST3 kanal baglami → ad=\"\" ad_alani=(yok)", "",
         "kanal-baglami"},
        {"a 300-unit name without terminator is cut at 256", adli(std::u16string(300, u'x')), "ad=\"xxxxxxxx",
         std::string(256, 'x'), "kanal-baglami"},
        {"no name leaves name and source alone", adsiz, "VST3 kanal baglami → ad=(yok) ad_alani=(yok) sira=4",
         "", "konak"},
    };
    for (auto const& d : tablo) {
        OlaySatirlari y;
        TestOrnegi o;
        Liste l = d.liste;
        EXPECT_EQ(baglamGonder(o, l), kResultOk) << d.ad;
        EXPECT_EQ(y.say(d.satir), 1) << d.ad;
        EXPECT_EQ(o.eklenti().konakKanalAdi(), d.konakAd) << d.ad;
        EXPECT_EQ(o.eklenti().konakAdKaynagi(), d.kaynak) << d.ad;
    }
    TestOrnegi o;
    auto* d = yuz<CC::IInfoListener>(o);
    EXPECT_EQ(d->setChannelContextInfos(nullptr), kResultFalse);
    d->release();
}

TEST(Adlandirma, SameNameTwiceChangesOnceAndReDecidesOnce) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    TestOrnegi o;
    o.bilesen->setActive(true);
    Liste l = adli(u"Stereo Out");
    baglamGonder(o, l);
    baglamGonder(o, l);
    // The same name from the other extension only changes the source.
    Isleyici h;
    h.ad = u"Stereo Out";
    isleyiciKoy(o, &h);
    EXPECT_EQ(o.eklenti().konakAdKaynagi(), "presonus");
    EXPECT_EQ(y.say("kanal adi ("), 1);
    EXPECT_EQ(y.say("rol YENIDEN karari (VST3 kanal baglami): kanal → master"), 1);
    isleyiciKoy(o, nullptr);
}

TEST(Adlandirma, PresonusNoticesRereadOnlyNameAndMain) {
    struct Durum {
        char const* id;
        bool birinci; // IContextInfoHandler without an identifier
        int okuma;
    } const tablo[] = {
        {nullptr, true, 1}, {nullptr, false, 1}, {"", false, 1},       {"name", false, 1},
        {"main", false, 1}, {"color", false, 0}, {"volume", false, 0},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        Isleyici h;
        isleyiciKoy(o, &h);
        h.okuma = 0;
        if (d.birinci) {
            auto* f = yuz<Presonus::IContextInfoHandler>(o);
            f->notifyContextInfoChange();
            f->release();
        } else {
            auto* f = yuz<Presonus::IContextInfoHandler2>(o);
            f->notifyContextInfoChange(d.id);
            f->release();
        }
        EXPECT_EQ(h.okuma, d.okuma) << (d.id ? d.id : "null") << (d.birinci ? " (first face)" : "");
        isleyiciKoy(o, nullptr);
    }
}

TEST(Adlandirma, PresonusMainStatementAndItsFailure) {
    struct Adim {
        std::optional<int32> ana;
        int32 konakAna;
    } const adimlar[] = {{5, 1}, {0, 0}, {-3, 1}, {std::nullopt, -1}, {1, 1}};
    TestOrnegi o;
    Isleyici h;
    isleyiciKoy(o, &h);
    auto* f = yuz<Presonus::IContextInfoHandler2>(o);
    for (auto const& a : adimlar) {
        h.ana = a.ana;
        f->notifyContextInfoChange("main");
        EXPECT_EQ(o.eklenti().konakAnaCikis(), a.konakAna) << (a.ana ? *a.ana : 999);
    }
    f->release();
    isleyiciKoy(o, nullptr);
}

TEST(Adlandirma, TheProviderIsHeldUntilReplacedTerminatedOrDestroyed) {
    Isleyici h, baska(false);
    h.ad = u"Kick";
    {
        TestOrnegi o;
        ASSERT_EQ(isleyiciKoy(o, &h), kResultOk);
        EXPECT_GT(h.sayac.load(), 1) << "held";
        EXPECT_EQ(o.eklenti().konakKanalAdi(), "Kick") << "read at once";
        isleyiciKoy(o, &baska);
        EXPECT_EQ(h.sayac.load(), 1) << "a handler that is no provider replaces it";
        h.okuma = 0;
        auto* f = yuz<Presonus::IContextInfoHandler>(o);
        f->notifyContextInfoChange();
        f->release();
        EXPECT_EQ(h.okuma, 0);
        isleyiciKoy(o, &h);
        EXPECT_GT(h.sayac.load(), 1);
        o.bilesen->terminate();
        EXPECT_EQ(h.sayac.load(), 1) << "terminate lets go";
    }
    // A host that releases the instance without terminating it.
    IPluginFactory* fab = GetPluginFactory();
    IComponent* b = nullptr;
    ASSERT_EQ(fab->createInstance(OKABridgeVST3::cid.toTUID(), IComponent::iid, reinterpret_cast<void**>(&b)),
              kResultOk);
    b->initialize(nullptr);
    IEditController* d = nullptr;
    b->queryInterface(IEditController::iid, reinterpret_cast<void**>(&d));
    d->setComponentHandler(&h);
    d->release();
    int const tutulan = h.sayac.load();
    b->release();
    // The SDK base keeps its own handler reference until terminate; ours goes.
    EXPECT_EQ(h.sayac.load(), tutulan - 1) << "the destructor lets go of the provider";
    fab->release();
}

TEST(Utf8, HostTextUpToTheLimit) {
    char16_t tam[300];
    std::fill(std::begin(tam), std::end(tam), u'x');
    struct Durum {
        char const* ad;
        std::u16string metin;
        std::size_t sinir;
        std::string beklenen;
    } const tablo[] = {
        {"ASCII and Turkish", u"Ab ş", 256, "Ab \xC5\x9F"},
        {"a surrogate pair is one 4-byte code point", u"a\U0001F3A4", 256, "a\xF0\x9F\x8E\xA4"},
        {"a high surrogate as the last unit within the limit", u"a\U0001F3A4", 2, "a\xED\xA0\xBC"},
        {"an unpaired low surrogate", std::u16string(1, char16_t(0xDC00)), 256, "\xED\xB0\x80"},
        {"a high surrogate followed by a letter", std::u16string{char16_t(0xD800), u'b'}, 256,
         "\xED\xA0\x80"
         "b"},
        {"stops at the first 0", std::u16string(u"ab\0cd", 5), 256, "ab"},
        {"3-byte and 2-byte units", u"\u20AC\u00E9", 256, "\xE2\x82\xAC\xC3\xA9"},
        {"limit 0", u"abc", 0, ""},
    };
    for (auto const& d : tablo)
        EXPECT_EQ(oka::utf8(d.metin.c_str(), d.sinir), d.beklenen) << d.ad;
    EXPECT_EQ(oka::utf8(tam, 256), std::string(256, 'x')) << "a full 256-unit name without terminator";
    EXPECT_EQ(oka::utf8(nullptr, 256), "");
}
