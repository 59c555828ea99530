// Streaming benchmark: five instances (one master, four channels), each fed
// 48 kHz stereo blocks at real-time pace through its ring while a client reads
// continuously. Prints dropped blocks, CPU time of each server thread and the
// latency from the producer's write to the client's receipt.
//
//   oka_sunucu_olcum [--sure SECONDS] [--bloklar 32,64,512] [--kapi FIRST_PORT]

#include "server/Sunucu.h"

#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <pthread.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Saat = std::chrono::steady_clock;

namespace {

constexpr int ORNEKLEME = 48000;
constexpr int ORNEK_SAYISI = 5;

double simdiNs() {
    return double(
        std::chrono::duration_cast<std::chrono::nanoseconds>(Saat::now().time_since_epoch()).count());
}

double iplikCpuSn(pthread_t iplik) {
    clockid_t saat;
    timespec t{};
    if (pthread_getcpuclockid(iplik, &saat) != 0 || clock_gettime(saat, &t) != 0)
        return -1;
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}

// Reads frames continuously; keeps the latency of every audio frame.
class Okuyucu {
public:
    explicit Okuyucu(int kapi) : kapi_(kapi) { gecikmeler_.reserve(1 << 20); }
    void baslat() {
        iplik_ = std::thread([this] { calis(); });
    }
    void durdur() {
        dur_ = true;
        if (iplik_.joinable())
            iplik_.join();
    }
    std::vector<double> const& gecikmeler() const { return gecikmeler_; }
    std::uint64_t alinan() const { return alinan_; }
    std::uint64_t bosluk() const { return bosluk_; }
    bool hazir() const { return hazir_.load(); }

private:
    void calis() {
        int const fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(kapi_));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            std::perror("connect");
            std::exit(1);
        }
        std::string const istek = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: "
                                  "Upgrade\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n"
                                  "Sec-WebSocket-Version: 13\r\n\r\n";
        send(fd, istek.data(), istek.size(), MSG_NOSIGNAL);
        std::string tampon;
        bool baslikGecti = false;
        std::vector<char> b(1 << 16);
        std::int64_t sonNo = -1;
        while (!dur_.load()) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            ssize_t const n = recv(fd, b.data(), b.size(), 0);
            if (n <= 0)
                break;
            double const an = simdiNs();
            tampon.append(b.data(), std::size_t(n));
            std::size_t i = 0;
            if (!baslikGecti) {
                std::size_t const son = tampon.find("\r\n\r\n");
                if (son == std::string::npos)
                    continue;
                i = son + 4;
                baslikGecti = true;
                hazir_ = true;
            }
            for (;;) {
                if (tampon.size() - i < 2)
                    break;
                auto const* c = reinterpret_cast<unsigned char const*>(tampon.data() + i);
                std::size_t uzunluk = c[1] & 0x7F, bas = 2;
                if (uzunluk == 126) {
                    if (tampon.size() - i < 4)
                        break;
                    uzunluk = (std::size_t(c[2]) << 8) | c[3];
                    bas = 4;
                }
                if (tampon.size() - i < bas + uzunluk)
                    break;
                if ((c[0] & 0x0F) == 2 && uzunluk >= 16) {
                    std::uint32_t no;
                    double zaman;
                    std::memcpy(&no, c + bas, 4);
                    std::memcpy(&zaman, c + bas + 4, 8);
                    gecikmeler_.push_back((an - zaman) * 1e-6);
                    if (sonNo >= 0 && std::int64_t(no) != sonNo + 1)
                        bosluk_ += std::uint64_t(std::int64_t(no) - sonNo - 1);
                    sonNo = no;
                    ++alinan_;
                }
                i += bas + uzunluk;
            }
            tampon.erase(0, i);
        }
        close(fd);
    }

    int kapi_;
    std::thread iplik_;
    std::atomic<bool> dur_{false}, hazir_{false};
    std::vector<double> gecikmeler_;
    std::uint64_t alinan_ = 0, bosluk_ = 0;
};

// Writes one block per block period, as the audio tap would: only while a client is connected.
class Uretici {
public:
    Uretici(oka::Sunucu& s, int kare) : sunucu_(s), kare_(kare), blok_(2 * std::size_t(kare), 0.1f) {}
    void baslat() {
        iplik_ = std::thread([this] { calis(); });
    }
    void durdur() {
        dur_ = true;
        iplik_.join();
    }
    std::uint64_t yazilan() const { return yazilan_; }

private:
    void calis() {
        auto const periyot = std::chrono::nanoseconds(std::int64_t(1e9 * kare_ / ORNEKLEME));
        auto sonraki = Saat::now();
        while (!dur_.load()) {
            sonraki += periyot;
            std::this_thread::sleep_until(sonraki);
            if (!sunucu_.bagli.load(std::memory_order_relaxed))
                continue;
            if (sunucu_.halka.yaz(blok_.data(), blok_.data() + kare_, 2, unsigned(kare_), simdiNs()))
                sunucu_.tampon_dolu.fetch_add(1, std::memory_order_relaxed);
            ++yazilan_;
        }
    }
    oka::Sunucu& sunucu_;
    int kare_;
    std::vector<float> blok_;
    std::thread iplik_;
    std::atomic<bool> dur_{false};
    std::uint64_t yazilan_ = 0;
};

double yuzdelik(std::vector<double>& v, double p) {
    if (v.empty())
        return 0;
    std::size_t const k = std::min(v.size() - 1, std::size_t(p * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(k), v.end());
    return v[k];
}

void olc(int kare, double sure, int ilkKapi) {
    oka::SunucuAyarlari ayar;
    ayar.masterKapi = ilkKapi;
    ayar.kanalKapilari = {ilkKapi + 1, ilkKapi + 2, ilkKapi + 3, ilkKapi + 4};
    std::vector<std::unique_ptr<oka::Sunucu>> sunucular;
    for (int i = 0; i < ORNEK_SAYISI; ++i) {
        sunucular.push_back(std::make_unique<oka::Sunucu>(
            "#" + std::to_string(i + 1) + " olcum", i == 0,
            [](int k) { return "{\"kapi\":" + std::to_string(k) + "}"; }, [](bool) {},
            [] { return std::string("\"caliyor\":true,\"dongu\":false,\"bilinmiyor\":false"); }, ayar));
        while (sunucular.back()->kapi.load() < 0)
            std::this_thread::sleep_for(5ms);
    }
    std::vector<std::unique_ptr<Okuyucu>> okuyucular;
    std::vector<std::unique_ptr<Uretici>> ureticiler;
    for (auto& s : sunucular) {
        okuyucular.push_back(std::make_unique<Okuyucu>(s->kapi.load()));
        okuyucular.back()->baslat();
        ureticiler.push_back(std::make_unique<Uretici>(*s, kare));
    }
    for (std::size_t i = 0; i < sunucular.size(); ++i)
        while (!okuyucular[i]->hazir() || !sunucular[i]->bagli.load())
            std::this_thread::sleep_for(5ms);

    std::vector<double> cpu0;
    for (auto& s : sunucular)
        cpu0.push_back(iplikCpuSn(s->iplikKimligi()));
    auto const t0 = Saat::now();
    for (auto& u : ureticiler)
        u->baslat();
    std::this_thread::sleep_for(std::chrono::duration<double>(sure));
    for (auto& u : ureticiler)
        u->durdur();
    double const gecen = std::chrono::duration<double>(Saat::now() - t0).count();
    std::vector<double> cpu1;
    for (auto& s : sunucular)
        cpu1.push_back(iplikCpuSn(s->iplikKimligi()));
    std::this_thread::sleep_for(200ms); // let the last frames arrive
    for (auto& o : okuyucular)
        o->durdur();

    std::printf("\nblock %d frames (%.2f ms), %.1f s, 48 kHz stereo, 5 instances\n", kare,
                1000.0 * kare / ORNEKLEME, gecen);
    std::printf("  %-10s %9s %9s %8s %8s %8s %10s %7s\n", "instance", "written", "received", "ringfull",
                "nosocket", "gaps", "cpu ms", "cpu %");
    std::vector<double> hepsi;
    std::uint64_t toplamDusen = 0;
    for (std::size_t i = 0; i < sunucular.size(); ++i) {
        auto const& s = *sunucular[i];
        auto const& o = *okuyucular[i];
        double const cpu = cpu1[i] - cpu0[i];
        std::printf("  %-10s %9llu %9llu %8u %8llu %8llu %10.1f %7.2f\n", s.ornek.c_str(),
                    (unsigned long long)ureticiler[i]->yazilan(), (unsigned long long)o.alinan(),
                    s.tampon_dolu.load(), (unsigned long long)s.gonderilemeyen.load(),
                    (unsigned long long)o.bosluk(), cpu * 1000, 100.0 * cpu / gecen);
        toplamDusen += ureticiler[i]->yazilan() - o.alinan(); // ring-full and socket drops alike
        hepsi.insert(hepsi.end(), o.gecikmeler().begin(), o.gecikmeler().end());
    }
    double const p50 = yuzdelik(hepsi, 0.50), p99 = yuzdelik(hepsi, 0.99), enCok = yuzdelik(hepsi, 1.0);
    std::printf("  blocks dropped: %llu   latency write->receipt: p50 %.3f ms  p99 %.3f ms  max %.3f ms  "
                "(%zu frames)\n",
                (unsigned long long)toplamDusen, p50, p99, enCok, hepsi.size());
    sunucular.clear();
}

} // namespace

int main(int argc, char** argv) {
    double sure = 30;
    std::vector<int> bloklar{32, 64, 512};
    int ilkKapi = 32171;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string const ad = argv[i];
        if (ad == "--sure")
            sure = std::atof(argv[i + 1]);
        else if (ad == "--kapi")
            ilkKapi = std::atoi(argv[i + 1]);
        else if (ad == "--bloklar") {
            bloklar.clear();
            for (char const* p = argv[i + 1]; *p;) {
                bloklar.push_back(std::atoi(p));
                while (*p && *p != ',')
                    ++p;
                if (*p)
                    ++p;
            }
        } else {
            std::fprintf(stderr, "unknown option %s\n", ad.c_str());
            return 2;
        }
    }
    for (int b : bloklar)
        olc(b, sure, ilkKapi);
    return 0;
}
