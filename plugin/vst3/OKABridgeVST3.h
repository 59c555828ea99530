#pragma once
// The VST3 face of the plug-in: one single-component effect per inserted
// instance, carrying its bridge core. It passes input to output unchanged (or
// silence while the app mutes it), feeds each block to the core and saves the
// manual name with the host project. Read top to bottom as the host drives it.

#include "core/KopruCekirdek.h"

#include "public.sdk/source/vst/vstsinglecomponenteffect.h"

#include <atomic>
#include <mutex>
#include <string>

class OKABridgeVST3 : public Steinberg::Vst::SingleComponentEffect, public oka::KopruCekirdek {
public:
    static Steinberg::FUID const cid;

    OKABridgeVST3();
    ~OKABridgeVST3() override;
    // [ana] Factory creator: one instance, handed out as its processor face.
    static Steinberg::FUnknown* olustur(void*);

    // [ana]
    Steinberg::tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;
    Steinberg::tresult PLUGIN_API terminate() override;

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
    mutable std::mutex konakKilit; // guards konakAd, konakKaynak; taken after the core's lock
    std::string konakAd;
    std::string konakKaynak{"konak"};
    std::atomic<Steinberg::int32> konakAna{-1};
    double yedekZaman = 0.0; // audio thread only

    // Copies of the set-up that the server and diagnostics threads read while
    // the host may be changing or tearing down the SDK's own members.
    std::atomic<double> kurulumOrnekHizi;
    static constexpr Steinberg::Vst::SpeakerArrangement DUZEN_YOK = ~Steinberg::Vst::SpeakerArrangement(0);
    std::atomic<Steinberg::Vst::SpeakerArrangement> girisDuzeni{DUZEN_YOK};
    void girisDuzeniniYenile();
};
