#pragma once
// Test tools for the server: a raw WebSocket client over a real socket and a
// stand-in for the core.

#include "destek/Gunlukler.h"
#include "server/Sunucu.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

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
    bool dinliyor() const;
    // Writes one block as the audio tap does: only while a client is connected.
    void blokYaz(std::vector<float> const& veri, unsigned kanal, unsigned kare, double zaman);
};

struct Cerceve {
    unsigned ilk = 0; // byte 0: final bit and opcode
    std::string yuk;
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
    ~HamIstemci() { kapat(); }
    bool gonder(std::string const& bayt);
    // Exactly `n` bytes, or what arrived when `sure` passed or the stream ended.
    std::string oku(std::size_t n, std::chrono::milliseconds sure = 5s);
    // Sends an upgrade request (in two writes when `bolum` is given, 50 ms
    // apart) and returns the answer up to its blank line.
    std::string elSikis(std::size_t bolum = 0);
    std::optional<Cerceve> cerceve(std::chrono::milliseconds sure = 5s);
    // Next frame whose byte 0 is `ilk`, skipping others.
    std::optional<Cerceve> cerceveBul(unsigned ilk, std::chrono::milliseconds sure = 5s);
    // True when the server closed the connection within `sure` (bytes before it are skipped).
    bool kapandi(std::chrono::milliseconds sure = 5s);
    void kapat();

private:
    int fd_ = -1;
    std::string tampon_;
};
