// Host naming through the plug-in's faces. One small fake plays the host's
// objects: a channel-context attribute list and a component handler that is a
// PreSonus context provider.

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

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;
namespace CC = Steinberg::Vst::ChannelContext;

namespace {

// Answers what a case put in, strings as a host does: what fits, terminated
// only when there is room. Counted for real, to see the plug-in let go.
class Konak : public IAttributeList, public IComponentHandler, public Presonus::IContextInfoProvider {
public:
    explicit Konak(bool saglayici = true) : saglayici_(saglayici) {}
    std::map<std::string, int64> tam;
    std::map<std::string, std::u16string> metin;
    int okuma = 0; // PreSonus name reads
    std::atomic<int> sayac{1};

    tresult PLUGIN_API getInt(AttrID id, int64& v) override {
        auto i = tam.find(id);
        return i == tam.end() ? kResultFalse : (v = i->second, kResultOk);
    }
    tresult PLUGIN_API getString(AttrID id, TChar* s, uint32 bayt) override {
        auto i = metin.find(id);
        if (i == metin.end())
            return kResultFalse;
        std::size_t const yer = bayt / sizeof(TChar), n = std::min(yer, i->second.size());
        std::memcpy(s, i->second.data(), n * sizeof(TChar));
        if (n < yer)
            s[n] = 0;
        return kResultOk;
    }
    tresult PLUGIN_API getContextInfoValue(int32& v, FIDString id) override {
        int64 d = 0;
        tresult const r = getInt(id, d);
        v = static_cast<int32>(d);
        return r;
    }
    tresult PLUGIN_API getContextInfoString(TChar* s, int32 n, FIDString id) override {
        ++okuma;
        return getString(id, s, static_cast<uint32>(n) * sizeof(TChar));
    }
    tresult PLUGIN_API setInt(AttrID, int64) override { return kResultFalse; }
    tresult PLUGIN_API setFloat(AttrID, double) override { return kResultFalse; }
    tresult PLUGIN_API getFloat(AttrID, double&) override { return kResultFalse; }
    tresult PLUGIN_API setString(AttrID, const TChar*) override { return kResultFalse; }
    tresult PLUGIN_API setBinary(AttrID, const void*, uint32) override { return kResultFalse; }
    tresult PLUGIN_API getBinary(AttrID, const void*&, uint32&) override { return kResultFalse; }
    tresult PLUGIN_API beginEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API performEdit(ParamID, ParamValue) override { return kResultOk; }
    tresult PLUGIN_API endEdit(ParamID) override { return kResultOk; }
    tresult PLUGIN_API restartComponent(int32) override { return kResultOk; }
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

tresult baglamGonder(TestOrnegi& o, IAttributeList* l) {
    auto* d = yuz<CC::IInfoListener>(o.bilesen);
    tresult const r = d->setChannelContextInfos(l);
    d->release();
    return r;
}

tresult isleyiciKoy(TestOrnegi& o, IComponentHandler* h) {
    auto* d = yuz<IEditController>(o.bilesen);
    tresult const r = d->setComponentHandler(h);
    d->release();
    return r;
}

// A PreSonus notice through the face a host uses: with `id` the second one.
void bildir(TestOrnegi& o, FIDString id, bool birinci = false) {
    if (birinci) {
        auto* f = yuz<Presonus::IContextInfoHandler>(o.bilesen);
        f->notifyContextInfoChange();
        f->release();
    } else {
        auto* f = yuz<Presonus::IContextInfoHandler2>(o.bilesen);
        f->notifyContextInfoChange(id);
        f->release();
    }
}

} // namespace

TEST(Adlandirma, ChannelContextReadsWhatTheHostGives) {
    std::string const surec = oka::surecAdi();
    std::u16string const uzun(300, u'x');
    struct Durum {
        char const* ad;
        std::u16string const* kanalAdi; // null: the host gives none
        int64 konum;                    // -1: the host gives none
        std::string satir, konakAd, kaynak;
    } const tablo[] = {
        {"every attribute", nullptr, 1,
         "VST3 kanal baglami → ad=\"Stereo Out\" ad_alani=\"Mixer\" sira=3 ad_alani_sirasi=2 "
         "konum=fader-sonrasi "
         "uid=\"u-7\" renk=-16776961 surec=" +
             surec + " onek=" + oka::konakEtiketi(surec),
         "Stereo Out", "kanal-baglami"},
        {"pre-fader", &uzun, 0, "konum=fader-oncesi ", std::string(256, 'x'), "kanal-baglami"},
        {"panner", &uzun, 2, "konum=panner ", std::string(256, 'x'), "kanal-baglami"},
        {"unknown location", &uzun, 7, "konum=bilinmeyen ", std::string(256, 'x'), "kanal-baglami"},
        {"no name leaves name and source alone", nullptr, -1,
         "VST3 kanal baglami → ad=(yok) ad_alani=(yok) sira=(yok) ad_alani_sirasi=(yok) konum=(yok) "
         "uid=(yok) "
         "renk=(yok) surec=",
         "", "konak"},
    };
    for (auto const& d : tablo) {
        OlaySatirlari y;
        TestOrnegi o;
        Konak l;
        if (d.kanalAdi) {
            l.metin[CC::kChannelNameKey] = *d.kanalAdi; // 300 units without terminator: cut at 256
        } else if (d.konum >= 0) {
            l.metin = {{CC::kChannelNameKey, u"Stereo Out"},
                       {CC::kChannelIndexNamespaceKey, u"Mixer"},
                       {CC::kChannelUIDKey, u"u-7"}};
            l.tam = {{CC::kChannelIndexKey, 3},
                     {CC::kChannelIndexNamespaceOrderKey, 2},
                     {CC::kChannelColorKey, -16776961}};
        }
        if (d.konum >= 0)
            l.tam[CC::kChannelPluginLocationKey] = d.konum;
        EXPECT_EQ(baglamGonder(o, &l), kResultOk) << d.ad;
        EXPECT_EQ(y.say(d.satir), 1) << d.ad;
        EXPECT_EQ(o.eklenti().konakKanalAdi(), d.konakAd) << d.ad;
        EXPECT_EQ(o.eklenti().konakAdKaynagi(), d.kaynak) << d.ad;
    }
    TestOrnegi o;
    EXPECT_EQ(baglamGonder(o, nullptr), kResultFalse);
}

TEST(Adlandirma, SameNameTwiceChangesOnceAndReDecidesOnce) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    TestOrnegi o;
    o.bilesen->setActive(true);
    Konak h;
    h.metin[CC::kChannelNameKey] = h.metin["name"] = u"Stereo Out";
    baglamGonder(o, &h);
    baglamGonder(o, &h);
    isleyiciKoy(o, &h); // the same name from the other extension only changes the source
    EXPECT_EQ(o.eklenti().konakAdKaynagi(), "presonus");
    EXPECT_EQ(y.say("kanal adi ("), 1);
    EXPECT_EQ(y.say("rol YENIDEN karari (VST3 kanal baglami): kanal → master"), 1);
    isleyiciKoy(o, nullptr);
}

TEST(Adlandirma, PresonusNoticesRereadNameAndMain) {
    struct Durum {
        char const* id;
        bool birinci; // IContextInfoHandler, without an identifier
        int okuma;
    } const tablo[] = {
        {nullptr, true, 1}, {nullptr, false, 1}, {"", false, 1},       {"name", false, 1},
        {"main", false, 1}, {"color", false, 0}, {"volume", false, 0},
    };
    for (auto const& d : tablo) {
        TestOrnegi o;
        Konak h;
        isleyiciKoy(o, &h);
        h.okuma = 0;
        bildir(o, d.id, d.birinci);
        EXPECT_EQ(h.okuma, d.okuma) << (d.id ? d.id : "null") << (d.birinci ? " (first face)" : "");
        isleyiciKoy(o, nullptr);
    }
    // Any value but 0 states the main output; no value states nothing.
    TestOrnegi o;
    Konak h;
    isleyiciKoy(o, &h);
    for (auto [ana, konakAna] : {std::pair{5, 1}, {0, 0}, {-3, 1}, {-99, -1}, {1, 1}}) {
        h.tam.erase("main");
        if (ana != -99)
            h.tam["main"] = ana;
        bildir(o, "main");
        EXPECT_EQ(o.eklenti().konakAnaCikis(), konakAna) << ana;
    }
    isleyiciKoy(o, nullptr);
}

TEST(Adlandirma, TheProviderIsHeldUntilReplacedTerminatedOrDestroyed) {
    Konak h, baska(false);
    h.metin["name"] = u"Kick";
    {
        TestOrnegi o;
        ASSERT_EQ(isleyiciKoy(o, &h), kResultOk);
        EXPECT_GT(h.sayac.load(), 1) << "held";
        EXPECT_EQ(o.eklenti().konakKanalAdi(), "Kick") << "read at once";
        isleyiciKoy(o, &baska);
        EXPECT_EQ(h.sayac.load(), 1) << "a handler that is no provider replaces it";
        h.okuma = 0;
        bildir(o, nullptr, true);
        EXPECT_EQ(h.okuma, 0);
        isleyiciKoy(o, &h);
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
        {"no terminator within the limit", std::u16string(300, u'x'), 256, std::string(256, 'x')},
        {"limit 0", u"abc", 0, ""},
    };
    for (auto const& d : tablo)
        EXPECT_EQ(oka::utf8(d.metin.c_str(), d.sinir), d.beklenen) << d.ad;
    EXPECT_EQ(oka::utf8(nullptr, 256), "");
}
