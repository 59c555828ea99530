#pragma once
// Test tools for the server: a server on test ports wired to a stand-in for
// the core, and a raw WebSocket client over a real socket.

#include "destek/Gunlukler.h"
#include "destek/TcpIstemci.h"
#include "server/Sunucu.h"

#include <cstring>
#include <optional>
#include <thread>

// Test ports, outside the product's and outside Linux's ephemeral range.
inline oka::SunucuAyarlari testAyarlari(int k = 31171) {
    return {k, {k + 1, k + 2, k + 3, k + 4}};
}

// A server whose core stand-in answers the hello ("merhaba" and the port), the
// transport ("tasima") and the pulse ("nabiz" and its number), and records the
// mute calls.
struct TestSunucusu {
    TestSunucusu(std::string ornek_, bool master, oka::SunucuAyarlari ayar = testAyarlari()) : ornek(ornek_) {
        auto sustur = [this](bool d) {
            std::lock_guard<std::mutex> k(kilit);
            gecmis.push_back(d);
        };
        oka::OturumMetinleri metinler{[](int k) { return "merhaba " + std::to_string(k); },
                                      [] { return std::string("tasima"); },
                                      [](std::uint64_t no) { return "nabiz " + std::to_string(no); }};
        sunucu.emplace(ornek, master, std::move(metinler), sustur, ayar);
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

// A client frame as the app sends it: masked.
inline std::string istemciCercevesi(unsigned opkod, std::string const& yuk) {
    std::string c{char(0x80 | opkod), char(0x80 | std::min<std::size_t>(yuk.size(), 126))};
    if (yuk.size() > 125)
        c += {char(yuk.size() >> 8), char(yuk.size() & 0xFF)};
    std::string const maske = "\x37\xFA\x21\x3D";
    c += maske;
    for (std::size_t i = 0; i < yuk.size(); ++i)
        c += char(yuk[i] ^ maske[i % 4]);
    return c;
}

// A field of an audio frame's header: no at 0, zaman at 4, kare at 14 (the
// test machines are little-endian, as the format).
template <typename T> T sesAlani(std::optional<std::string> const& yuk, std::size_t konum) {
    T deger{};
    if (yuk && yuk->size() >= konum + sizeof deger)
        std::memcpy(&deger, yuk->data() + konum, sizeof deger);
    return deger;
}

// A client that speaks WebSocket by hand.
class HamIstemci : public TcpIstemci {
public:
    using TcpIstemci::TcpIstemci;
    // Sends an upgrade request (in two writes 50 ms apart when `bolum` is
    // given); true when the answer up to its blank line switches protocols.
    bool elSikis(std::size_t bolum = 0) {
        std::string const istek = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: "
                                  "Upgrade\r\nSEC-WEBSOCKET-KEY: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
        gonder(istek.substr(0, bolum));
        std::this_thread::sleep_for(bolum ? 50ms : 0ms);
        gonder(istek.substr(bolum));
        for (auto const son = Saat::now() + 5s;
             tampon_.find("\r\n\r\n") == std::string::npos && doldur(son);) {
        }
        bool const gecti =
            tampon_.find("\r\n\r\n") != std::string::npos && tampon_.rfind("HTTP/1.1 101 ", 0) == 0;
        tampon_.erase(0, gecti ? tampon_.find("\r\n\r\n") + 4 : 0);
        return gecti;
    }
    // Payload of the next frame whose byte 0 is `ilk`, skipping others (the
    // server's frames are unmasked and shorter than 64 KiB here).
    std::optional<std::string> cerceve(unsigned ilk, std::chrono::milliseconds sure = 5s) {
        auto const son = Saat::now() + sure;
        auto const b = [&](std::size_t i) { return std::size_t(std::uint8_t(tampon_[i])); };
        for (;;) {
            std::size_t const baslik = tampon_.size() >= 2 && b(1) == 126 ? 4 : 2;
            std::size_t const boy =
                tampon_.size() < baslik ? 0 : baslik + (baslik == 4 ? b(2) << 8 | b(3) : b(1));
            if (boy == 0 || tampon_.size() < boy) {
                if (!doldur(son))
                    return std::nullopt;
                continue;
            }
            std::string const yuk = tampon_.substr(baslik, boy - baslik);
            bool const aranan = b(0) == ilk;
            tampon_.erase(0, boy);
            if (aranan)
                return yuk;
        }
    }
};
