#pragma once
// One instance's local server on 127.0.0.1: a listening socket whose port
// depends on the instance's role, and one client session at a time that
// streams the instance's audio, hello and pulse to the app. Runs on a thread
// of its own; other threads talk to it only through atomic flags and by
// shutting its sockets down.

#include "../core/HalkaTampon.h"

#include <array>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace oka {

// Ports and timing. The defaults are the product's; tests give other ports and
// shorter intervals.
struct SunucuAyarlari {
    int masterKapi = 53171;
    std::array<int, 4> kanalKapilari{53172, 53173, 53174, 53175}; // tried in this order
    std::chrono::milliseconds adim{100};           // one wait step; stop and role change act within it
    int denemeAdimi = 20;                          // steps between two listen attempts (2 s)
    std::chrono::milliseconds raporAraligi{30000}; // "still cannot listen" report
    std::chrono::milliseconds nabizAraligi{1000};  // pulse to the client
    std::chrono::milliseconds istekSuresi{3000};   // from accept to the end of the request
    std::chrono::milliseconds takilmaSuresi{5000}; // a client that takes no byte this long is stuck
};

// The texts a session sends, each composed whole by the core; the server only
// frames and sends them. Called on the server thread.
struct OturumMetinleri {
    std::function<std::string(int kapi)> merhaba;       // the hello for the port listened on
    std::function<std::string()> tasima;                // the transport message
    std::function<std::string(std::uint64_t no)> nabiz; // the pulse with its number in the session
};

class Sunucu {
public:
    using SusturUygulayici = std::function<void(bool)>;

    // [ana] Builds the ring and starts the server thread, which starts listening at once.
    Sunucu(std::string ornek, bool rolMaster, OturumMetinleri metinler, SusturUygulayici susturUygula,
           SunucuAyarlari ayarlar = {});

    // [ana] Stops listening, ends the session, joins the thread, lifts the mute.
    ~Sunucu();

    Sunucu(Sunucu const&) = delete;
    Sunucu& operator=(Sunucu const&) = delete;

    // [herhangi] Switches role; the session ends and the listener moves to the new role's port.
    void rolGuncelle(bool yeniMaster);

    // [herhangi] Asks the connected session, if any, to send a fresh hello.
    void merhabaTazele(char const* sebep);

    std::string const ornek;
    std::atomic<bool> rolMaster;
    std::atomic<bool> rolDegisti{false};
    std::atomic<bool> merhabaIstegi{false};
    std::atomic<bool> tasimaIstegi{false}; // raised by the diagnostics thread

    HalkaTampon halka; // written by the audio thread while `bagli`
    // Next audio frame number; runs on across connections. Every block dropped
    // on the way (on a full ring or for a lagging client) takes its number, so
    // the client sees each drop as a gap.
    std::atomic<std::uint32_t> cerceveNo{0};
    std::atomic<std::uint64_t> gonderilen{0};     // audio frames put on the client's stream
    std::atomic<std::uint32_t> tampon_dolu{0};    // blocks the audio thread dropped on a full ring
    std::atomic<std::uint64_t> gonderilemeyen{0}; // audio frames dropped because the client lags
    std::atomic<int> kapi{-1};                    // port listened on, -1 when none
    std::atomic<bool> bagli{false};               // a WebSocket client is connected

private:
    void calis();                          // [sunucu]
    bool dinlemeDonguKur();                // [sunucu]
    int dinlemeKur(int port, bool sessiz); // [sunucu]
    void kabulDongusu();                   // [sunucu]
    struct Bekleyen;
    bool kabulEt(int dinleyen, std::vector<Bekleyen>& bekleyenler); // [sunucu] false: stop listening
    void istekOku(Bekleyen& b);                                     // [sunucu]
    void istekleriYanitla(std::vector<Bekleyen>& bekleyenler);      // [sunucu] serves at most one
    struct Oturum;
    void istemci(int fd, std::string istek);          // [sunucu] one connection, to its end
    bool oturumAc(Oturum& o);                         // [sunucu] request, answer, hello; true: a session runs
    bool tur(Oturum& o);                              // [sunucu] one round; false: the session ends
    void oturumBitir(Oturum& o);                      // [sunucu]
    bool bitmeli() const;                             // [sunucu] stop or role change
    bool bekle(std::chrono::milliseconds sure) const; // [sunucu] false when stopped

    // Publishes a socket other threads may shut down; false (socket not
    // published) when a stop or role change came first.
    bool soketYayinla(std::atomic<int>& yer, int fd); // [sunucu]
    void soketBirak(std::atomic<int>& yer, int fd);   // [sunucu] unpublishes, then closes
    void gecerliSoketleriKes();                       // [herhangi] shuts both sockets down

    void g(std::string const& metin) const;  // [herhangi] event line
    void gh(char const* ne, int hata) const; // [herhangi] error line

    OturumMetinleri const metinler;
    SusturUygulayici const susturUygula;
    SunucuAyarlari const ayar;

    std::atomic<int> istemciFd{-1};
    std::atomic<int> dinleyenFd{-1};
    std::atomic<bool> durdur{false};
    // Guards publishing and unpublishing the two sockets against a host thread
    // shutting them down: only the server thread closes them, so a host thread
    // never acts on a descriptor number that has meanwhile been reused.
    std::mutex soketKilidi;
    std::thread iplik;
};

} // namespace oka
