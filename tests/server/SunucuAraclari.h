#pragma once
// Test tools for the server: a raw WebSocket client over a real socket, a
// stand-in for the core, and running the third-party clients.

#include "destek/Gunlukler.h"
#include "server/Sunucu.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

using namespace std::chrono_literals;

// What the server's three function objects were asked, thread-safe.
struct CekirdekTaklidi {
    std::string merhaba(int kapi) const;
    void sustur(bool deger);
    std::vector<bool> susturGecmisi() const;
    std::string tasima() const { return "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true"; }

    std::string ornek;
    mutable std::mutex kilit;
    std::vector<bool> gecmis;
};

// Test ports, outside the product's and outside Linux's ephemeral range.
oka::SunucuAyarlari testAyarlari();

// A server wired to a CekirdekTaklidi.
struct TestSunucusu {
    TestSunucusu(std::string ornek, bool master, oka::SunucuAyarlari ayar = testAyarlari());
    CekirdekTaklidi cekirdek;
    std::optional<oka::Sunucu> sunucu;
    bool dinliyor(std::chrono::milliseconds sure = 10s) const;
};

struct Cerceve {
    unsigned ilk = 0; // byte 0: final bit and opcode
    std::string yuk;
    unsigned opkod() const { return ilk & 0x0F; }
};

// A client frame as the app sends it.
std::string istemciCercevesi(unsigned opkod, std::string const& yuk, bool maskeli);

// Decoded binary audio frame.
struct SesCercevesi {
    std::uint32_t no;
    double zaman;
    std::uint16_t kanal, kare;
    std::vector<float> ornekler;
};
std::optional<SesCercevesi> sesCozumle(std::string const& yuk);

// A plain TCP client on 127.0.0.1 that speaks WebSocket by hand.
class HamIstemci {
public:
    explicit HamIstemci(int kapi, int alimTamponu = 0);
    ~HamIstemci();
    bool bagli() const { return fd_ >= 0; }
    bool gonder(std::string const& bayt);
    // Bytes that arrive within `sure` (stops early after `en_az` bytes).
    std::string oku(std::size_t en_az, std::chrono::milliseconds sure = 5s);
    // Sends an upgrade request and returns the whole answer up to its blank line.
    std::string elSikis(std::string const& anahtarBasligi = "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==");
    std::optional<Cerceve> cerceve(std::chrono::milliseconds sure = 5s);
    // Next frame with this opcode, skipping others.
    std::optional<Cerceve> cerceveBul(unsigned opkod, std::chrono::milliseconds sure = 5s);
    // True when the server closed the connection within `sure` (frames before it are skipped).
    bool kapandi(std::chrono::milliseconds sure = 5s);
    void kapat();

private:
    int fd_ = -1;
    std::string tampon_;
};

// Runs a shell command, returns its standard output and error.
std::string komutCalistir(std::string const& komut);
