#include "TestYardimcilari.h"

#include "pluginterfaces/base/ipluginbase.h"

#include <gtest/gtest.h>

extern "C" Steinberg::IPluginFactory* PLUGIN_API GetPluginFactory();

using namespace Steinberg;
using namespace Steinberg::Vst;

std::string SahteKabuk::konakKanalAdi() const {
    std::lock_guard<std::mutex> k(kilit_);
    return konakAd_;
}

void SahteKabuk::konakAdiKoy(std::string ad) {
    std::lock_guard<std::mutex> k(kilit_);
    konakAd_ = std::move(ad);
}

TestOrnegi::TestOrnegi() {
    IPluginFactory* f = GetPluginFactory();
    void* nesne = nullptr;
    EXPECT_EQ(f->createInstance(OKABridgeVST3::cid.toTUID(), IComponent::iid, &nesne), kResultOk);
    bilesen = static_cast<IComponent*>(nesne);
    EXPECT_EQ(bilesen->initialize(nullptr), kResultOk);
    bilesen->queryInterface(IAudioProcessor::iid, reinterpret_cast<void**>(&islemci));
    f->release();
}

TestOrnegi::~TestOrnegi() {
    islemci->release();
    bilesen->terminate();
    bilesen->release();
}

OKABridgeVST3& TestOrnegi::eklenti() const {
    return *dynamic_cast<OKABridgeVST3*>(islemci);
}

Blok::Blok(int k, int n, float taban)
    : kanal(k), kare(n), giris(k, std::vector<float>(n)), cikis(k, std::vector<float>(n, 7.0f)) {
    for (int c = 0; c < k; ++c) {
        for (int i = 0; i < n; ++i)
            giris[c][i] =
                taban * static_cast<float>((i % 17) - 8) / 8.0f + 0.001f * static_cast<float>(c + 1);
        gP.push_back(giris[c].data());
        cP.push_back(cikis[c].data());
    }
}

ProcessData Blok::veri(bool yerinde) {
    gB.numChannels = kanal;
    gB.channelBuffers32 = gP.data();
    gB.silenceFlags = 0x2;
    cB.numChannels = kanal;
    cB.channelBuffers32 = yerinde ? gP.data() : cP.data();
    cB.silenceFlags = 0;
    ProcessData d;
    d.processMode = kRealtime;
    d.symbolicSampleSize = kSample32;
    d.numSamples = kare;
    d.numInputs = 1;
    d.numOutputs = 1;
    d.inputs = &gB;
    d.outputs = &cB;
    return d;
}
