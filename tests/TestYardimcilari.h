#pragma once
// Shared pieces of the plug-in tests: a test shell for the core and a
// host-side handle on one plug-in instance.

#include "OKABridgeVST3.h"
#include "core/KopruCekirdek.h"
#include "destek/Gunlukler.h"

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

#include <mutex>
#include <string>
#include <vector>

// A shell that answers the core's questions from plain fields.
class SahteKabuk : public oka::KopruCekirdek {
public:
    explicit SahteKabuk(std::chrono::nanoseconds taniAraligi = std::chrono::hours(1))
        : KopruCekirdek("vst3", taniAraligi) {}
    // As every shell must: the diagnostics thread asks virtual questions, so it stops first.
    ~SahteKabuk() override { kapat(); }
    std::string konakKanalAdi() const override;
    oka::BicimBilgisi bicim() override { return format; }
    double ornekHizi() override { return format.ornekleme; }
    std::int32_t konakAnaCikis() const override { return anaCikis; }
    std::string konakAdKaynagi() const override { return "kanal-baglami"; }
    void arayuzDurumuDegisti() override { ++arayuzBildirimi; }
    void konakAdiKoy(std::string ad);
    using KopruCekirdek::sunucuAl;

    oka::BicimBilgisi format{true, 48000.0, 2};
    std::int32_t anaCikis = -1;
    int arayuzBildirimi = 0;

private:
    mutable std::mutex kilit_;
    std::string konakAd_;
};

// One plug-in instance created through the module's factory, as a host does.
struct TestOrnegi {
    TestOrnegi();
    ~TestOrnegi();
    OKABridgeVST3& eklenti() const; // the object behind the faces, for white-box checks
    Steinberg::Vst::IComponent* bilesen = nullptr;
    Steinberg::Vst::IAudioProcessor* islemci = nullptr;
};

// The interface `Y` of `n`, counted; null when `n` has none.
template <typename Y> Y* yuz(Steinberg::FUnknown* n) {
    Y* y = nullptr;
    n->queryInterface(Y::iid, reinterpret_cast<void**>(&y));
    return y;
}

// Runs one 32-bit block through `islemci`: stereo or mono, separate or in-place buffers.
struct Blok {
    Blok(int kanal, int kare, float taban = 0.5f);
    Steinberg::Vst::ProcessData veri(bool yerinde = false);

    int kanal, kare;
    std::vector<std::vector<float>> giris, cikis;
    std::vector<float*> gP, cP;
    Steinberg::Vst::AudioBusBuffers gB{}, cB{};
};
