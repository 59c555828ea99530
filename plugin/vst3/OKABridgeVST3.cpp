#include "OKABridgeVST3.h"

#include "Utf8.h"
#include "core/KonakEtiketi.h"
#include "panel/EditorYap.h"
#include "platform/Surec.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/vst/ivstattributes.h"
#include "pluginterfaces/vst/ivsthostapplication.h"
#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <algorithm>
#include <cstring>
#include <limits>

using namespace Steinberg;
using namespace Steinberg::Vst;

FUID const OKABridgeVST3::cid(0x91B358CA, 0xFFEA4773, 0xA81810FB, 0x41F5EC5D);

namespace {

constexpr char ETIKET[4] = {'O', 'K', 'A', '1'};

// Reads exactly n bytes; a failed or short read is a failure.
bool tamOku(IBStream* s, void* hedef, int32 n) {
    int32 okunan = 0;
    return s->read(hedef, n, &okunan) == kResultOk && okunan == n;
}

// Writes exactly n bytes; a failed or short write is a failure. A stream that
// answers kResultOk without reporting a count is taken at its word.
bool tamYaz(IBStream* s, void const* kaynak, int32 n) {
    int32 yazilan = n;
    return s->write(const_cast<void*>(kaynak), n, &yazilan) == kResultOk && yazilan == n;
}

std::uint64_t sessizlikMaskesi(int32 kanal) {
    if (kanal <= 0)
        return 0;
    return kanal > 63 ? ~std::uint64_t(0) : (std::uint64_t(1) << kanal) - 1;
}

// Output of one bus: a copy of the input, or silence. Works for either sample
// width so that a host that ignores our 32-bit answer still gets clean audio.
template <typename T>
void cikisYaz(T** giris, int32 girisKanal, T** cikis, int32 cikisKanal, int32 n, bool sessiz) {
    for (int32 k = 0; k < cikisKanal; ++k) {
        T* o = cikis[k];
        if (!o)
            continue;
        T const* i = (!sessiz && giris && k < girisKanal) ? giris[k] : nullptr;
        if (i) {
            if (i != o)
                std::memcpy(o, i, sizeof(T) * static_cast<size_t>(n));
        } else {
            std::memset(o, 0, sizeof(T) * static_cast<size_t>(n));
        }
    }
}

} // namespace

OKABridgeVST3::OKABridgeVST3() : KopruCekirdek("vst3"), kurulumOrnekHizi(processSetup.sampleRate) {
    processContextRequirements.needContinousTimeSamples()
        .needProjectTimeMusic()
        .needTempo()
        .needTransportState();
}

OKABridgeVST3::~OKABridgeVST3() {
    kapat();
    saglayiciKoy(nullptr);
}

tresult PLUGIN_API OKABridgeVST3::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, ChannelContext::IInfoListener::iid, ChannelContext::IInfoListener)
    QUERY_INTERFACE(iid, obj, Presonus::IContextInfoHandler::iid, Presonus::IContextInfoHandler)
    QUERY_INTERFACE(iid, obj, Presonus::IContextInfoHandler2::iid, Presonus::IContextInfoHandler2)
    return SingleComponentEffect::queryInterface(iid, obj);
}

FUnknown* OKABridgeVST3::olustur(void*) {
    return static_cast<IAudioProcessor*>(new OKABridgeVST3);
}

tresult PLUGIN_API OKABridgeVST3::initialize(FUnknown* context) {
    tresult const r = SingleComponentEffect::initialize(context);
    if (r != kResultOk)
        return r;
    addAudioInput(STR16("Giris"), SpeakerArr::kStereo);
    addAudioOutput(STR16("Cikis"), SpeakerArr::kStereo);
    // Hosts that read IUnitInfo expect at least the root unit.
    if (getUnitCount() == 0)
        addUnit(new Unit(STR16("Root"), kRootUnitId, kNoParentUnitId));
    girisDuzeniniYenile();

    std::string ad = "(yok)";
    if (context) {
        IHostApplication* konak = nullptr;
        if (context->queryInterface(IHostApplication::iid, reinterpret_cast<void**>(&konak)) == kResultOk &&
            konak) {
            String128 tampon{};
            if (konak->getName(tampon) == kResultOk)
                ad = oka::utf8(reinterpret_cast<char16_t const*>(tampon), 128);
            konak->release();
        }
    }
    std::string const surec = oka::surecAdi();
    olay("VST3 initialize — konak uygulama adi=\"" + ad + "\" surec=" + surec +
         " onek=" + oka::konakEtiketi(surec));
    return kResultOk;
}

tresult PLUGIN_API OKABridgeVST3::terminate() {
    olay("VST3 terminate");
    saglayiciKoy(nullptr);
    tresult const r = SingleComponentEffect::terminate();
    girisDuzeniniYenile();
    return r;
}

tresult PLUGIN_API OKABridgeVST3::setComponentHandler(IComponentHandler* handler) {
    tresult const r = SingleComponentEffect::setComponentHandler(handler);
    Presonus::IContextInfoProvider* yeni = nullptr;
    if (handler && handler->queryInterface(Presonus::IContextInfoProvider::iid,
                                           reinterpret_cast<void**>(&yeni)) != kResultOk)
        yeni = nullptr; // a failed query counts as none, whatever it left behind
    saglayiciKoy(yeni);
    if (yeni) {
        yeni->release(); // saglayiciKoy holds its own reference
        presonusOku("bileşen işleyicisi");
    }
    return r;
}

IPlugView* PLUGIN_API OKABridgeVST3::createView(FIDString name) {
    if (!name || std::strcmp(name, ViewType::kEditor) != 0)
        return nullptr;
    return oka::editorYap(this);
}

void OKABridgeVST3::saglayiciKoy(Presonus::IContextInfoProvider* yeni) {
    IPtr<Presonus::IContextInfoProvider> eski(yeni);
    {
        std::lock_guard<std::mutex> k(saglayiciKilit);
        std::swap(eski, presonusSaglayici);
    }
    // `eski` goes here, outside the lock: its release may call back into the host.
}

tresult PLUGIN_API OKABridgeVST3::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                     SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns != 1 || numOuts != 1 || !inputs || !outputs || inputs[0] != outputs[0])
        return kResultFalse;
    SpeakerArrangement const d = inputs[0];
    if (d != SpeakerArr::kMono && d != SpeakerArr::kStereo)
        return kResultFalse;
    tresult const r = SingleComponentEffect::setBusArrangements(inputs, numIns, outputs, numOuts);
    girisDuzeniniYenile();
    olay(std::string("VST3 veriyolu duzeni: ") + (d == SpeakerArr::kMono ? "mono" : "stereo"));
    merhabaTazele("akis bicimi degisti");
    return r;
}

tresult PLUGIN_API OKABridgeVST3::canProcessSampleSize(int32 boyut) {
    return boyut == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API OKABridgeVST3::setupProcessing(ProcessSetup& setup) {
    tresult const r = SingleComponentEffect::setupProcessing(setup);
    kurulumOrnekHizi.store(processSetup.sampleRate);
    olay("VST3 setupProcessing → " + bicimOzet() + " blok=" + std::to_string(setup.maxSamplesPerBlock));
    merhabaTazele("akis bicimi degisti");
    return r;
}

tresult PLUGIN_API OKABridgeVST3::setActive(TBool state) {
    if (state) {
        baslat();
    } else {
        olay("Cleanup (Uninitialize)");
        taniIpligiDurdur();
    }
    return kResultOk;
}

tresult PLUGIN_API OKABridgeVST3::setProcessing(TBool) {
    return kResultOk;
}

// Read the block's context, then one small step each: the transport, the
// delivery count, the tap, the output.
tresult PLUGIN_API OKABridgeVST3::process(ProcessData& data) {
    ProcessContext const* const baglam = data.processContext;
    tasimaYakala(baglam);
    if (data.numSamples < 1)
        return kResultOk;
    teslimSay(baglam, data.numSamples);
    // Without an input bus the output still gets silence, not whatever the
    // host left in its buffers.
    AudioBusBuffers yokGiris{};
    AudioBusBuffers const& giris = data.numInputs >= 1 && data.inputs ? data.inputs[0] : yokGiris;
    if (data.symbolicSampleSize == kSample32)
        dinle(giris, data.numSamples);
    if (data.numOutputs >= 1 && data.outputs)
        gecir(giris, &giris != &yokGiris, data.outputs[0], data.symbolicSampleSize == kSample32,
              data.numSamples);
    return kResultOk;
}

void OKABridgeVST3::tasimaYakala(ProcessContext const* b) {
    constexpr auto R = std::memory_order_relaxed;
    if (!b) {
        tasimaDurumu.store(2, R);
        tasimaSonuc.store(-1, R);
        return;
    }
    tasimaDurumu.store(1, R);
    tasimaProc2Var.store(false, R);
    tasimaSonuc.store(0, R);
    caliyor.store((b->state & ProcessContext::kPlaying) != 0, R);
    kayit.store((b->state & ProcessContext::kRecording) != 0, R);
    dongu.store((b->state & ProcessContext::kCycleActive) != 0, R);
    if (b->state & ProcessContext::kProjectTimeMusicValid)
        konum.store(b->projectTimeMusic, R);
    if (b->state & ProcessContext::kTempoValid)
        tempo.store(b->tempo, R);
}

void OKABridgeVST3::teslimSay(ProcessContext const* b, int32 n) {
    constexpr auto R = std::memory_order_relaxed;
    // The host's sample clock when it gives one, else our own count.
    double const t = (b && (b->state & ProcessContext::kContTimeValid))
                         ? static_cast<double>(b->continousTimeSamples)
                         : yedekZaman;
    yedekZaman += n;
    if (oncekiZamanVar) {
        double const d = t - oncekiZaman;
        if (d > 0.0 && d < 1000000.0)
            teslim.fetch_add(static_cast<std::uint64_t>(d + 0.5), R);
    } else {
        oncekiZamanVar = true;
    }
    oncekiZaman = t;
    blokSayisi.fetch_add(1, R);
    islenenOrnek.fetch_add(static_cast<std::uint64_t>(n), R);
    ornekZamani = t;
    sonOrnekZamani.store(t, R);
}

void OKABridgeVST3::dinle(AudioBusBuffers const& giris, int32 n) {
    int32 const girisKanal = std::max<int32>(giris.numChannels, 0);
    float const* kanallar[2] = {nullptr, nullptr};
    if (giris.channelBuffers32) {
        if (girisKanal > 0)
            kanallar[0] = giris.channelBuffers32[0];
        if (girisKanal > 1)
            kanallar[1] = giris.channelBuffers32[1];
    }
    sesIsle(kanallar, static_cast<unsigned>(girisKanal), static_cast<unsigned>(n));
}

void OKABridgeVST3::gecir(AudioBusBuffers const& giris, bool girisVar, AudioBusBuffers& cikis, bool bit32,
                          int32 n) {
    if (bit32 ? !cikis.channelBuffers32 : !cikis.channelBuffers64)
        return;
    bool const sessiz = sustur.load(std::memory_order_relaxed);
    int32 const girisKanal = std::max<int32>(giris.numChannels, 0);
    int32 const cikisKanal = std::max<int32>(cikis.numChannels, 0);
    if (bit32)
        cikisYaz(giris.channelBuffers32, girisKanal, cikis.channelBuffers32, cikisKanal, n, sessiz);
    else
        cikisYaz(giris.channelBuffers64, girisKanal, cikis.channelBuffers64, cikisKanal, n, sessiz);
    cikis.silenceFlags = sessiz || !girisVar ? sessizlikMaskesi(cikisKanal) : giris.silenceFlags;
}

tresult PLUGIN_API OKABridgeVST3::setState(IBStream* state) {
    if (!state)
        return kInvalidArgument;
    char etiket[4];
    if (!tamOku(state, etiket, 4) || std::memcmp(etiket, ETIKET, 4) != 0) {
        olay("setState — tanınmayan biçim, YOK SAYILDI");
        return kResultOk;
    }
    unsigned char uzunlukBaytlari[4];
    if (!tamOku(state, uzunlukBaytlari, 4))
        return kResultFalse;
    uint32 const uzunluk = uint32(uzunlukBaytlari[0]) | uint32(uzunlukBaytlari[1]) << 8 |
                           uint32(uzunlukBaytlari[2]) << 16 | uint32(uzunlukBaytlari[3]) << 24;
    std::string ad;
    if (uzunluk > 0 && uzunluk <= AD_SINIRI) {
        ad.resize(uzunluk);
        if (!tamOku(state, ad.data(), static_cast<int32>(uzunluk)))
            return kResultFalse;
    }
    // The core takes the name as a C string: the log shows what it applies.
    ad.resize(std::strlen(ad.c_str()));
    olay("setState — elleAd=\"" + ad + "\"");
    elleAdiUygula(ad.c_str(), "setState");
    return kResultOk;
}

tresult PLUGIN_API OKABridgeVST3::getState(IBStream* state) {
    if (!state)
        return kInvalidArgument;
    std::string const ad = elleAdKopyasi();
    uint32 const uzunluk = static_cast<uint32>(ad.size());
    unsigned char const uzunlukBaytlari[4] = {
        static_cast<unsigned char>(uzunluk), static_cast<unsigned char>(uzunluk >> 8),
        static_cast<unsigned char>(uzunluk >> 16), static_cast<unsigned char>(uzunluk >> 24)};
    // A host must not believe the project saved the name when it did not.
    bool const yazildi = tamYaz(state, ETIKET, 4) && tamYaz(state, uzunlukBaytlari, 4) &&
                         (uzunluk == 0 || tamYaz(state, ad.data(), static_cast<int32>(uzunluk)));
    olay("getState — elleAd=\"" + ad + "\"" + (yazildi ? "" : " YAZILAMADI"));
    return yazildi ? kResultOk : kResultFalse;
}

namespace {

// A text for the log: quoted when the host gave it, "(yok)" when it did not.
std::string tirnakli(bool okundu, std::string const& metin) {
    return okundu ? "\"" + metin + "\"" : std::string("(yok)");
}

std::string sayiMetni(bool okundu, int64 deger) {
    return okundu ? std::to_string(deger) : std::string("(yok)");
}

char const* konumEtiketi(bool okundu, int64 konum) {
    if (!okundu)
        return "(yok)";
    switch (konum) {
    case ChannelContext::kPreVolumeFader:
        return "fader-oncesi";
    case ChannelContext::kPostVolumeFader:
        return "fader-sonrasi";
    case ChannelContext::kUsedAsPanner:
        return "panner";
    default:
        return "bilinmeyen";
    }
}

} // namespace

tresult PLUGIN_API OKABridgeVST3::setChannelContextInfos(IAttributeList* list) {
    if (!list)
        return kResultFalse;
    // 256 units: a host that fills the buffer without a terminator is still cut at its end.
    auto metin = [list](IAttributeList::AttrID anahtar, std::string& cikti) {
        TChar tampon[256] = {};
        if (list->getString(anahtar, tampon, sizeof tampon) != kResultOk)
            return false;
        cikti = oka::utf8(reinterpret_cast<char16_t const*>(tampon), 256);
        return true;
    };
    auto tam = [list](IAttributeList::AttrID anahtar, int64& cikti) {
        return list->getInt(anahtar, cikti) == kResultOk;
    };
    std::string ad, alan, uid;
    bool const adVar = metin(ChannelContext::kChannelNameKey, ad);
    bool const alanVar = metin(ChannelContext::kChannelIndexNamespaceKey, alan);
    bool const uidVar = metin(ChannelContext::kChannelUIDKey, uid);
    int64 sira = 0, alanSirasi = 0, konum = 0, renk = 0;
    bool const siraVar = tam(ChannelContext::kChannelIndexKey, sira);
    bool const alanSirasiVar = tam(ChannelContext::kChannelIndexNamespaceOrderKey, alanSirasi);
    bool const konumVar = tam(ChannelContext::kChannelPluginLocationKey, konum);
    bool const renkVar = tam(ChannelContext::kChannelColorKey, renk);

    std::string const surec = oka::surecAdi();
    olay("VST3 kanal baglami → ad=" + tirnakli(adVar, ad) + " ad_alani=" + tirnakli(alanVar, alan) +
         " sira=" + sayiMetni(siraVar, sira) + " ad_alani_sirasi=" + sayiMetni(alanSirasiVar, alanSirasi) +
         " konum=" + konumEtiketi(konumVar, konum) + " uid=" + tirnakli(uidVar, uid) +
         " renk=" + sayiMetni(renkVar, renk) + " surec=" + surec + " onek=" + oka::konakEtiketi(surec));
    if (adVar)
        kanalAdiUygula(ad, "VST3 kanal baglami", "kanal-baglami");
    return kResultOk;
}

void PLUGIN_API OKABridgeVST3::notifyContextInfoChange() {
    presonusOku("bağlam değişti");
}

void PLUGIN_API OKABridgeVST3::notifyContextInfoChange(FIDString id) {
    if (!id || !*id || std::strcmp(id, Presonus::ContextInfo::kName) == 0 ||
        std::strcmp(id, Presonus::ContextInfo::kMain) == 0)
        presonusOku("bağlam değişti");
}

void OKABridgeVST3::presonusOku(char const* sebep) {
    IPtr<Presonus::IContextInfoProvider> p;
    {
        std::lock_guard<std::mutex> k(saglayiciKilit);
        p = presonusSaglayici;
    }
    if (!p)
        return;
    TChar tampon[256] = {};
    bool const adVar = p->getContextInfoString(tampon, 256, Presonus::ContextInfo::kName) == kResultOk;
    std::string const ad = adVar ? oka::utf8(reinterpret_cast<char16_t const*>(tampon), 256) : std::string();
    int32 ana = -1;
    bool const anaVar = p->getContextInfoValue(ana, Presonus::ContextInfo::kMain) == kResultOk;
    olay(std::string("PreSonus baglami (") + (sebep ? sebep : "") + ") → ad=" + tirnakli(adVar, ad) +
         " ana_cikis=" + sayiMetni(anaVar, ana) + " surec=" + oka::surecAdi());

    int32 const yeni = !anaVar ? -1 : (ana != 0 ? 1 : 0);
    int32 const eski = konakAna.exchange(yeni);
    if (adVar)
        kanalAdiUygula(ad, "PreSonus baglami", "presonus");
    if (eski != yeni)
        rolYenidenHesapla("PreSonus ana cikis");
}

void OKABridgeVST3::kanalAdiUygula(std::string const& ad, char const* sebep, char const* kaynak) {
    bool degisti;
    {
        std::lock_guard<std::mutex> k(konakKilit);
        degisti = ad != konakAd;
        konakAd = ad;
        konakKaynak = kaynak ? kaynak : "";
    }
    if (!degisti)
        return;
    olay(std::string("kanal adi (") + (sebep ? sebep : "") + ") → \"" +
         (ad.empty() ? std::string("(yok)") : ad) + "\"");
    // After konakKilit is released: the role decision takes the core's lock first.
    rolYenidenHesapla(sebep);
}

std::string OKABridgeVST3::konakKanalAdi() const {
    std::lock_guard<std::mutex> k(konakKilit);
    return konakAd;
}

std::string OKABridgeVST3::konakAdKaynagi() const {
    std::lock_guard<std::mutex> k(konakKilit);
    return konakKaynak;
}

int32 OKABridgeVST3::konakAnaCikis() const {
    return konakAna.load();
}

double OKABridgeVST3::ornekHizi() {
    return kurulumOrnekHizi.load();
}

void OKABridgeVST3::girisDuzeniniYenile() {
    SpeakerArrangement d = SpeakerArr::kStereo;
    girisDuzeni.store(getBusArrangement(kInput, 0, d) == kResultTrue ? d : DUZEN_YOK);
}

oka::BicimBilgisi OKABridgeVST3::bicim() {
    double const sr = kurulumOrnekHizi.load();
    if (!(sr > 0.0))
        return {};
    SpeakerArrangement const d = girisDuzeni.load();
    if (d == DUZEN_YOK)
        return {};
    return {true, sr, static_cast<std::uint32_t>(SpeakerArr::getChannelCount(d))};
}
