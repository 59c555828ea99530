// Cost of one process() call against a bare input-to-output copy of the same
// stereo block, with the meters running and no client connected.
//
//   oka_isleme_olcumu [--kisa]
//
// Each figure is the best of several rounds (least disturbed by the machine),
// in nanoseconds per call; the last column is the share of the block's
// real-time budget at 48 kHz.

#include "OKABridgeVST3.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

volatile float gYutucu; // keeps the copy loop from being optimised away

template <typename F> double enIyi(int tur, int tekrar, F&& f) {
    double enIyiNs = 1e300;
    for (int t = 0; t < tur; ++t) {
        auto const a = std::chrono::steady_clock::now();
        for (int i = 0; i < tekrar; ++i)
            f();
        auto const b = std::chrono::steady_clock::now();
        enIyiNs = std::min(enIyiNs, std::chrono::duration<double, std::nano>(b - a).count() / tekrar);
    }
    return enIyiNs;
}

} // namespace

int main(int argc, char** argv) {
    bool const kisa = argc > 1 && std::string(argv[1]) == "--kisa";
    int const tur = kisa ? 2 : 15;

    auto* e = new OKABridgeVST3;
    e->initialize(nullptr);
    ProcessSetup s{kRealtime, kSample32, 4096, 48000.0};
    e->setupProcessing(s);
    e->setActive(true);

    std::printf("%8s %14s %14s %8s %16s\n", "frames", "process ns", "copy ns", "ratio", "budget @48k");
    for (int kare : {32, 64, 512, 4096}) {
        std::vector<float> g0(kare), g1(kare), c0(kare), c1(kare);
        for (int i = 0; i < kare; ++i) {
            g0[i] = 0.5f * std::sin(0.01f * static_cast<float>(i));
            g1[i] = -g0[i];
        }
        float* gp[2] = {g0.data(), g1.data()};
        float* cp[2] = {c0.data(), c1.data()};
        AudioBusBuffers gb{}, cb{};
        gb.numChannels = cb.numChannels = 2;
        gb.channelBuffers32 = gp;
        cb.channelBuffers32 = cp;
        ProcessContext k{};
        k.state = ProcessContext::kPlaying | ProcessContext::kTempoValid | ProcessContext::kContTimeValid |
                  ProcessContext::kProjectTimeMusicValid;
        k.tempo = 120;
        ProcessData v;
        v.numSamples = kare;
        v.numInputs = v.numOutputs = 1;
        v.inputs = &gb;
        v.outputs = &cb;
        v.processContext = &k;

        int const tekrar = std::max(200, (kisa ? 200000 : 4000000) / kare);
        double const islem = enIyi(tur, tekrar, [&] {
            k.continousTimeSamples += kare;
            e->process(v);
        });
        double const kopya = enIyi(tur, tekrar, [&] {
            std::memcpy(c0.data(), g0.data(), sizeof(float) * kare);
            std::memcpy(c1.data(), g1.data(), sizeof(float) * kare);
            gYutucu = c0[kare / 2] + c1[kare / 3];
        });
        // Share of the block's real-time budget at 48 kHz that one call takes.
        double const butce = islem / (kare / 48000.0 * 1e9);
        std::printf("%8d %14.1f %14.1f %8.2f %15.4f%%\n", kare, islem, kopya, islem / kopya, 100.0 * butce);
    }
    e->setActive(false);
    e->terminate();
    e->release();
    return 0;
}
