#pragma once
// Test tools for the server: a server on test ports wired to a stand-in for
// the core, and a raw WebSocket client over a real socket.

#include "destek/Gunlukler.h"
#include "server/Sunucu.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

// Test ports, outside the product's and outside Linux's ephemeral range.
inline oka::SunucuAyarlari testAyarlari(int masterKapi = 31171) {
    oka::SunucuAyarlari a;
    a.masterKapi = masterKapi;
    a.kanalKapilari = {masterKapi + 1, masterKapi + 2, masterKapi + 3, masterKapi + 4};
    return a;
}

// A server whose core stand-in answers the hello and transport and records the mute calls.
struct TestSunucusu {
    static inline std::string const TASIMA = "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true";
    TestSunucusu(std::string ornek_, bool master, oka::SunucuAyarlari ayar = testAyarlari()) : ornek(ornek_) {
        auto sustur = [this](bool d) {
            std::lock_guard<std::mutex> k(kilit);
            gecmis.push_back(d);
        };
        sunucu.emplace(
            ornek, master, [this](int k) { return merhaba(k); }, sustur, [] { return TASIMA; }, ayar);
    }
    std::string merhaba(int kapi) const {
        return "{\"tip\":\"merhaba\",\"ornek\":\"" + ornek + "\",\"kapi\":" + std::to_string(kapi) + "}";
    }
    std::vector<bool> susturGecmisi() const {
        std::lock_guard<std::mutex> k(kilit);
        return gecmis;
    }
    bool dinliyor() const {
        return bekleKadar([&] { return sunucu->kapi.load() > 0; });
    }
    // Writes one block as the audio tap does: only while a client is connected.
    void blokYaz(std::vector<float> const& veri, unsigned kanal, unsigned kare, double zaman) {
        if (sunucu->bagli.load() &&
            sunucu->halka.yaz(veri.data(), kanal == 2 ? veri.data() + kare : nullptr, kanal, kare, zaman))
            sunucu->tampon_dolu.fetch_add(1);
    }

    std::string const ornek;
    mutable std::mutex kilit;
    std::vector<bool> gecmis;
    std::optional<oka::Sunucu> sunucu; // last: goes first, with its final mute call
};

// A client frame as the app sends it.
inline std::string istemciCercevesi(unsigned opkod, std::string const& yuk, bool maskeli = true) {
    unsigned char const m = maskeli ? 0x80 : 0;
    std::string c{char(0x80 | opkod)};
    if (yuk.size() <= 125)
        c += char(m | yuk.size());
    else
        c += {char(m | 126), char(yuk.size() >> 8), char(yuk.size() & 0xFF)};
    char const maske[4] = {0x37, char(0xFA), 0x21, 0x3D};
    if (maskeli)
        c.append(maske, 4);
    for (std::size_t i = 0; i < yuk.size(); ++i)
        c += maskeli ? char(yuk[i] ^ maske[i % 4]) : yuk[i];
    return c;
}

struct Cerceve {
    unsigned ilk = 0; // byte 0: final bit and opcode
    std::string yuk;
};

// The header of a binary audio frame.
struct SesBasligi {
    std::uint32_t no = 0;
    double zaman = 0;
    std::uint16_t kanal = 0, kare = 0;
};
inline SesBasligi sesBasligi(std::string const& yuk) {
    SesBasligi s;
    if (yuk.size() >= 16) { // the test machines are little-endian, as the format
        std::memcpy(&s.no, yuk.data(), 4);
        std::memcpy(&s.zaman, yuk.data() + 4, 8);
        std::memcpy(&s.kanal, yuk.data() + 12, 2);
        std::memcpy(&s.kare, yuk.data() + 14, 2);
    }
    return s;
}

// A plain TCP client on 127.0.0.1 that speaks WebSocket by hand.
class HamIstemci {
public:
    using Saat = std::chrono::steady_clock;
    explicit HamIstemci(int kapi) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(kapi));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            kapat();
    }
    ~HamIstemci() { kapat(); }
    void kapat() {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
    }
    bool gonder(std::string const& bayt) {
        return fd_ >= 0 && send(fd_, bayt.data(), bayt.size(), MSG_NOSIGNAL) == ssize_t(bayt.size());
    }
    // Exactly `n` bytes, or what arrived when `sure` passed or the stream ended.
    std::string oku(std::size_t n, std::chrono::milliseconds sure = 5s) {
        auto const son = Saat::now() + sure;
        while (tampon_.size() < n && fd_ >= 0 && !bitti_) {
            auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now());
            pollfd p{fd_, POLLIN, 0};
            if (kalan.count() <= 0 || poll(&p, 1, int(kalan.count())) <= 0)
                break;
            char b[65536];
            ssize_t const r = recv(fd_, b, sizeof b, 0);
            bitti_ = r <= 0;
            if (r > 0)
                tampon_.append(b, std::size_t(r));
        }
        std::string const alinan = tampon_.substr(0, n);
        tampon_.erase(0, alinan.size());
        return alinan;
    }
    // Sends an upgrade request (in two writes 50 ms apart when `bolum` is
    // given) and returns the answer up to its blank line.
    std::string elSikis(std::size_t bolum = 0) {
        std::string const istek =
            "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
            "SEC-WEBSOCKET-KEY: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
        if (bolum) {
            gonder(istek.substr(0, bolum));
            std::this_thread::sleep_for(50ms);
        }
        gonder(istek.substr(bolum));
        std::string yanit;
        while (yanit.find("\r\n\r\n") == std::string::npos)
            if (std::string const b = oku(1); !b.empty())
                yanit += b;
            else
                break;
        return yanit;
    }
    // Next frame whose byte 0 is `ilk`, skipping others.
    std::optional<Cerceve> cerceve(unsigned ilk, std::chrono::milliseconds sure = 5s) {
        auto const son = Saat::now() + sure;
        auto kalan = [&] { return std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now()); };
        for (;;) {
            std::string ham = oku(2, kalan());
            bool const uzun = ham.size() == 2 && (ham[1] & 0x7F) == 126;
            if (uzun)
                ham += oku(2, kalan());
            std::size_t n = !uzun && ham.size() == 2 ? std::uint8_t(ham[1]) & 0x7F : 0;
            if (uzun && ham.size() == 4)
                n = std::size_t(std::uint8_t(ham[2])) << 8 | std::uint8_t(ham[3]);
            std::string const yuk = oku(n, kalan());
            if (ham.size() != (uzun ? 4u : 2u) || yuk.size() < n) {
                tampon_.insert(0, ham + yuk); // a part frame stays for the next call
                return std::nullopt;
            }
            if (std::uint8_t(ham[0]) == ilk)
                return Cerceve{ilk, yuk};
        }
    }
    // True when the server closed the connection within `sure` (bytes before it are skipped).
    bool kapandi(std::chrono::milliseconds sure = 5s) {
        oku(std::string::npos, sure);
        return bitti_;
    }

private:
    int fd_;
    bool bitti_ = false; // the server closed the stream
    std::string tampon_;
};
