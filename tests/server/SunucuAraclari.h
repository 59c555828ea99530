#pragma once
// Test tools for the server: a server on test ports wired to a stand-in for
// the core, and a raw WebSocket client over a real socket.

#include "destek/Gunlukler.h"
#include "server/Sunucu.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Test ports, outside the product's and outside Linux's ephemeral range.
oka::SunucuAyarlari testAyarlari(int masterKapi = 31171);

// A server whose core stand-in answers the hello and transport and records the mute calls.
struct TestSunucusu {
    TestSunucusu(std::string ornek, bool master, oka::SunucuAyarlari ayar = testAyarlari());
    static inline std::string const TASIMA = "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true";
    std::string merhaba(int kapi) const;
    std::vector<bool> susturGecmisi() const;
    bool dinliyor() const;
    // Writes one block as the audio tap does: only while a client is connected.
    void blokYaz(std::vector<float> const& veri, unsigned kanal, unsigned kare, double zaman);

    std::string const ornek;
    mutable std::mutex kilit;
    std::vector<bool> gecmis;
    std::optional<oka::Sunucu> sunucu; // last: goes first, with its final mute call
};

// A client frame as the app sends it.
std::string istemciCercevesi(unsigned opkod, std::string const& yuk, bool maskeli = true);

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
SesBasligi sesBasligi(std::string const& yuk);

// A plain TCP client on 127.0.0.1 that speaks WebSocket by hand.
class HamIstemci {
public:
    explicit HamIstemci(int kapi);
    ~HamIstemci() { kapat(); }
    bool gonder(std::string const& bayt);
    // Exactly `n` bytes, or what arrived when `sure` passed or the stream ended.
    std::string oku(std::size_t n, std::chrono::milliseconds sure = 5s);
    // Sends an upgrade request (in two writes 50 ms apart when `bolum` is
    // given) and returns the answer up to its blank line.
    std::string elSikis(std::size_t bolum = 0);
    // Next frame whose byte 0 is `ilk`, skipping others.
    std::optional<Cerceve> cerceve(unsigned ilk, std::chrono::milliseconds sure = 5s);
    // True when the server closed the connection within `sure` (bytes before it are skipped).
    bool kapandi(std::chrono::milliseconds sure = 5s);
    void kapat();

private:
    int fd_ = -1;
    bool bitti_ = false; // the server closed the stream
    std::string tampon_;
};
