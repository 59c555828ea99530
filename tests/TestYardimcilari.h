#pragma once
// Shared pieces of the plug-in tests: a test shell for the core, one plug-in
// instance made through the module's factory as a host makes it, and a block
// of 32-bit audio.

#include "OKABridgeVST3.h"
#include "core/KopruCekirdek.h"
#include "destek/Gunlukler.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

// A shell that answers the core's questions from plain fields, set while no
// thread of the core reads them.
class SahteKabuk : public oka::KopruCekirdek {
public:
    explicit SahteKabuk(std::chrono::nanoseconds taniAraligi = std::chrono::hours(1))
        : KopruCekirdek("vst3", taniAraligi) {}
    // As every shell must: the diagnostics thread asks virtual questions, so it stops first.
    ~SahteKabuk() override { kapat(); }
    std::string konakKanalAdi() const override { return konakAd; }
    oka::BicimBilgisi bicim() override { return format; }
    double ornekHizi() override { return format.ornekleme; }
    std::int32_t konakAnaCikis() const override { return anaCikis; }
    std::string konakAdKaynagi() const override { return "kanal-baglami"; }
    void arayuzDurumuDegisti() override { ++arayuzBildirimi; }
    using KopruCekirdek::sunucuAl;

    std::string konakAd;
    oka::BicimBilgisi format{true, 48000.0, 2};
    std::int32_t anaCikis = -1;
    int arayuzBildirimi = 0;
};

// The interface `Y` of `n`, counted; null when `n` has none.
template <typename Y> Y* yuz(Steinberg::FUnknown* n) {
    Y* y = nullptr;
    n->queryInterface(Y::iid, reinterpret_cast<void**>(&y));
    return y;
}

// One plug-in instance made through the module's factory and initialised, as a host does.
struct TestOrnegi {
    TestOrnegi() {
        Steinberg::IPluginFactory* f = GetPluginFactory();
        void* n = nullptr;
        EXPECT_EQ(f->createInstance(OKABridgeVST3::cid.toTUID(), Steinberg::Vst::IComponent::iid, &n),
                  Steinberg::kResultOk);
        f->release();
        bilesen = static_cast<Steinberg::Vst::IComponent*>(n);
        EXPECT_EQ(bilesen->initialize(nullptr), Steinberg::kResultOk);
        islemci = yuz<Steinberg::Vst::IAudioProcessor>(bilesen);
    }
    ~TestOrnegi() {
        islemci->release();
        bilesen->terminate();
        bilesen->release();
    }
    OKABridgeVST3& eklenti() const { return static_cast<OKABridgeVST3&>(*islemci); } // for white-box checks
    Steinberg::Vst::IComponent* bilesen = nullptr;
    Steinberg::Vst::IAudioProcessor* islemci = nullptr;
};

// One 32-bit block, stereo or mono. Outputs start at 7 so that a channel left
// unwritten shows; `veri` hands it over with separate or in-place buffers.
struct Blok {
    Blok(int k, int n)
        : kanal(k), kare(n), giris(k, std::vector<float>(n)), cikis(k, std::vector<float>(n, 7.0f)) {
        for (int c = 0; c < k; ++c) {
            for (int i = 0; i < n; ++i)
                giris[c][i] = static_cast<float>((i % 17) - 8) / 16.0f + 0.001f * static_cast<float>(c + 1);
            gP.push_back(giris[c].data());
            cP.push_back(cikis[c].data());
        }
    }
    Steinberg::Vst::ProcessData veri(bool yerinde = false) {
        gB.numChannels = cB.numChannels = kanal;
        gB.silenceFlags = 0x2;
        cB.silenceFlags = 0;
        gB.channelBuffers32 = gP.data();
        cB.channelBuffers32 = yerinde ? gP.data() : cP.data();
        Steinberg::Vst::ProcessData d; // real time, 32-bit
        d.numSamples = kare;
        d.numInputs = d.numOutputs = 1;
        d.inputs = &gB;
        d.outputs = &cB;
        return d;
    }

    int kanal, kare;
    std::vector<std::vector<float>> giris, cikis;
    std::vector<float*> gP, cP;
    Steinberg::Vst::AudioBusBuffers gB{}, cB{};
};
