// Streaming benchmark: five instances (one master, four channels), each fed
// 48 kHz stereo blocks at real-time pace through its ring while a raw client
// reads continuously. Prints dropped blocks, the CPU time of the server
// threads (the process's, less the bench's own threads') and the latency from
// the producer's write to the client's receipt.
//
//   oka_sunucu_olcum [SECONDS [FRAMES_PER_BLOCK...]]     (default: 30 s; 32, 64 and 512 frames)

#include "SunucuAraclari.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <thread>

namespace {

using Saat = std::chrono::steady_clock;
constexpr int ORNEKLEME = 48000;
constexpr int ORNEK_SAYISI = 5;

double simdiMs() {
    return std::chrono::duration<double, std::milli>(Saat::now().time_since_epoch()).count();
}

double cpuSn(clockid_t saat) {
    timespec t{};
    clock_gettime(saat, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// One instance with its client and its audio thread stand-in.
struct Hat {
    Hat(int i, int kare)
        : t("#" + std::to_string(i + 1) + " olcum", i == 0, testAyarlari(32171)), kare(kare) {
        t.dinliyor();
        istemci.emplace(t.sunucu->kapi.load());
        istemci->elSikis();
        okuyucu = std::thread([this] {
            while (!dur) {
                if (auto c = istemci->cerceve(0x82, 50ms))
                    gecikmeler.push_back(simdiMs() - sesAlani<double>(c, 4));
                okuyucuCpu = cpuSn(CLOCK_THREAD_CPUTIME_ID);
            }
        });
    }
    void uret() {
        std::vector<float> blok(2 * std::size_t(kare), 0.1f);
        for (auto sonraki = Saat::now(); !uretimDur; ++yazilan) {
            sonraki += std::chrono::nanoseconds(std::int64_t(1e9 * kare / ORNEKLEME));
            std::this_thread::sleep_until(sonraki);
            t.blokYaz(blok, 2, unsigned(kare), simdiMs());
            ureticiCpu = cpuSn(CLOCK_THREAD_CPUTIME_ID);
        }
    }
    TestSunucusu t;
    int kare;
    std::optional<HamIstemci> istemci;
    std::vector<double> gecikmeler;
    std::uint64_t yazilan = 0;
    std::atomic<bool> dur{false}, uretimDur{false};
    // Each bench thread notes its own CPU time: not every system reads another thread's clock.
    std::atomic<double> okuyucuCpu{0}, ureticiCpu{0};
    std::thread okuyucu, uretici;
};

double yuzdelik(std::vector<double>& v, double p) {
    if (v.empty())
        return 0;
    std::size_t const k = std::min(v.size() - 1, std::size_t(p * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
}

void olc(int kare, double sure) {
    std::vector<std::unique_ptr<Hat>> hatlar;
    for (int i = 0; i < ORNEK_SAYISI; ++i)
        hatlar.push_back(std::make_unique<Hat>(i, kare));
    auto sunucuCpu = [&] {
        double s = cpuSn(CLOCK_PROCESS_CPUTIME_ID) - cpuSn(CLOCK_THREAD_CPUTIME_ID);
        for (auto& h : hatlar)
            s -= h->okuyucuCpu + h->ureticiCpu;
        return s;
    };
    double const cpu0 = sunucuCpu();
    auto const t0 = Saat::now();
    for (auto& h : hatlar)
        h->uretici = std::thread([&h] { h->uret(); });
    std::this_thread::sleep_for(std::chrono::duration<double>(sure));
    double const cpu = sunucuCpu() - cpu0, gecen = std::chrono::duration<double>(Saat::now() - t0).count();
    std::vector<double> hepsi;
    std::uint64_t yazilan = 0, dusen = 0;
    for (auto& h : hatlar) {
        h->uretimDur = true;
        h->uretici.join();
    }
    std::this_thread::sleep_for(200ms); // let the last frames arrive
    for (auto& h : hatlar) {
        h->dur = true;
        h->okuyucu.join();
        yazilan += h->yazilan;
        dusen += h->yazilan - h->gecikmeler.size(); // ring-full and lagging-client drops alike
        hepsi.insert(hepsi.end(), h->gecikmeler.begin(), h->gecikmeler.end());
    }
    std::printf("block %d frames (%.2f ms), %.1f s, 48 kHz stereo, %d instances: %llu blocks, %llu dropped\n"
                "  server threads: %.2f %% of a core per instance\n"
                "  latency write->receipt: p50 %.3f ms  p99 %.3f ms  max %.3f ms\n",
                kare, 1000.0 * kare / ORNEKLEME, gecen, ORNEK_SAYISI, (unsigned long long)yazilan,
                (unsigned long long)dusen, 100.0 * cpu / gecen / ORNEK_SAYISI, yuzdelik(hepsi, 0.5),
                yuzdelik(hepsi, 0.99), yuzdelik(hepsi, 1.0));
}

} // namespace

int main(int argc, char** argv) {
    double const sure = argc > 1 ? std::atof(argv[1]) : 30;
    std::vector<int> bloklar;
    for (int i = 2; i < argc; ++i)
        bloklar.push_back(std::atoi(argv[i]));
    if (sure <= 0 || std::count_if(bloklar.begin(), bloklar.end(), [](int b) { return b < 1 || b > 4096; })) {
        std::fprintf(stderr, "usage: oka_sunucu_olcum [SECONDS [FRAMES_PER_BLOCK...]] (1 to 4096 frames)\n");
        return 2;
    }
    for (int b : bloklar.empty() ? std::vector<int>{32, 64, 512} : bloklar)
        olc(b, sure);
    return 0;
}
