#pragma once
// The VST3 face of the plug-in: one single-component effect per inserted
// instance, carrying its bridge core. It passes input to output unchanged (or
// silence while the app mutes it), feeds each block to the core and saves the
// manual name with the host project. Read top to bottom as the host drives it.

#include "core/KopruCekirdek.h"

#include "pluginterfaces/base/funknown.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/vst/ivstchannelcontextinfo.h"
#include "pslextensions/ipslcontextinfo.h"
#include "public.sdk/source/vst/vstsinglecomponenteffect.h"

#include <atomic>
#include <mutex>
#include <string>

// The host's channel name arrives through two extensions, the VST 3 channel
// context and the PreSonus context information; both end in kanalAdiUygula.
class OKABridgeVST3 : public Steinberg::Vst::SingleComponentEffect,
                      public Steinberg::Vst::ChannelContext::IInfoListener,
                      public Presonus::IContextInfoHandler,
                      public Presonus::IContextInfoHandler2,
                      public oka::KopruCekirdek {
public:
    static Steinberg::FUID const cid;

    OKABridgeVST3();
    ~OKABridgeVST3() override;
    // [ana] Factory creator: one instance, handed out as its processor face.
    static Steinberg::FUnknown* olustur(void*);

    // [herhangi] Hands out the channel-context and PreSonus faces; the rest is the base's.
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID iid, void** obj) override;

    // [ana]
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;
    // [ana] Takes the host's PreSonus context provider when the handler is one.
    Steinberg::tresult PLUGIN_API setComponentHandler(Steinberg::Vst::IComponentHandler* handler) override;
    // [ana] The panel for "editor"; null for any other name and where the plug-in has no editor.
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;

    Steinberg::tresult PLUGIN_API setBusArrangements(Steinberg::Vst::SpeakerArrangement* inputs,
                                                     Steinberg::int32 numIns,
                                                     Steinberg::Vst::SpeakerArrangement* outputs,
                                                     Steinberg::int32 numOuts) override;
    Steinberg::tresult PLUGIN_API canProcessSampleSize(Steinberg::int32 symbolicSampleSize) override;
    Steinberg::tresult PLUGIN_API setupProcessing(Steinberg::Vst::ProcessSetup& setup) override;
    Steinberg::tresult PLUGIN_API setActive(Steinberg::TBool state) override;
    Steinberg::tresult PLUGIN_API setProcessing(Steinberg::TBool state) override;

    // [ses] Never allocates, locks or calls the system.
    Steinberg::tresult PLUGIN_API process(Steinberg::Vst::ProcessData& data) override;

    // [ana] "OKA1" + little-endian length + UTF-8 manual name.
    Steinberg::tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    Steinberg::tresult PLUGIN_API getState(Steinberg::IBStream* state) override;

    // --- Host naming.
    // [ana] The VST 3 channel context: null gives kResultFalse.
    Steinberg::tresult PLUGIN_API setChannelContextInfos(Steinberg::Vst::IAttributeList* list) override;
    // [herhangi] The PreSonus host says its context changed: re-read "name"
    // and "main". Hosts notify from other threads than the main one.
    void PLUGIN_API notifyContextInfoChange() override;
    // [herhangi] The same for one identifier; only "name", "main" and the
    // initial (null or empty) notice matter.
    void PLUGIN_API notifyContextInfoChange(Steinberg::FIDString id) override;
    // [herhangi] Asks the PreSonus provider, when there is one, for "name" and "main".
    void presonusOku(char const* sebep);
    // [herhangi] Stores the host's channel name and its source; re-decides the role when the name changed.
    void kanalAdiUygula(std::string const& ad, char const* sebep, char const* kaynak);

    // Answers to the core.
    std::string konakKanalAdi() const override;
    oka::BicimBilgisi bicim() override;
    double ornekHizi() override;
    Steinberg::int32 konakAnaCikis() const override;
    std::string konakAdKaynagi() const override;

    OBJ_METHODS(OKABridgeVST3, SingleComponentEffect)
    REFCOUNT_METHODS(SingleComponentEffect)

    // Longest manual name a saved state may carry, in bytes.
    static constexpr Steinberg::uint32 AD_SINIRI = 4095;

private:
    // The provider is taken and dropped on the host's main thread, but a host
    // may notify from another: readers use a counted copy taken under this lock.
    std::mutex saglayiciKilit;
    Steinberg::IPtr<Presonus::IContextInfoProvider> presonusSaglayici;
    void saglayiciKoy(Presonus::IContextInfoProvider* yeni); // [ana] releases the old one

    mutable std::mutex konakKilit; // guards konakAd, konakKaynak; taken after the core's lock
    std::string konakAd;
    std::string konakKaynak{"konak"};
    std::atomic<Steinberg::int32> konakAna{-1};
    double yedekZaman = 0.0; // audio thread only

    // The steps of `process`, each [ses] and free of allocation, locks and system calls.
    void tasimaYakala(Steinberg::Vst::ProcessContext const* baglam); // the transport, or its absence
    void teslimSay(Steinberg::Vst::ProcessContext const* baglam, Steinberg::int32 n); // delivery and time
    void dinle(Steinberg::Vst::AudioBusBuffers const& giris, Steinberg::int32 n);     // meters and tap
    // The output: a copy of the input, or silence while muted or without input.
    void gecir(Steinberg::Vst::AudioBusBuffers const& giris, bool girisVar,
               Steinberg::Vst::AudioBusBuffers& cikis, bool bit32, Steinberg::int32 n);

    // Copies of the set-up that the server and diagnostics threads read while
    // the host may be changing or tearing down the SDK's own members.
    std::atomic<double> kurulumOrnekHizi;
    static constexpr Steinberg::Vst::SpeakerArrangement DUZEN_YOK = ~Steinberg::Vst::SpeakerArrangement(0);
    std::atomic<Steinberg::Vst::SpeakerArrangement> girisDuzeni{DUZEN_YOK};
    void girisDuzeniniYenile();
};
