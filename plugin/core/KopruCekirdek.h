#pragma once
// The bridge core: one per plug-in instance, a base of the plug-in object and
// living exactly as long. It carries the instance's identity, the per-block
// fields the shell writes, the meters, the manual name and the role, and it
// fills the panel's status record. It asks the shell about the host only
// through the virtual queries below.

#include "ArayuzDurumu.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace oka {

class Sunucu;

struct BicimBilgisi {
    bool gecerli = false;
    double ornekleme = 0.0; // Hz
    std::uint32_t kanal = 0;
};

// [herhangi] The role decision from the effective channel name, the host's
// main-output statement (1, 0 or -1) and the process name: master on the
// main output, for "Stereo Out", and for "Main" in Studio One / Studio Pro.
bool rolKarari(std::string const& ad, std::int32_t anaCikis, std::string const& surec);

// Members are grouped by who uses them: the shell, the audio thread, the
// server, the diagnostics thread.
class KopruCekirdek {
public:
    // --- The shell: life of the instance.
    // [ana] `degisken` is the build variant ("vst3"); not owned. `taniAraligi`
    // is the time between two diagnostics passes.
    explicit KopruCekirdek(char const* degisken,
                           std::chrono::nanoseconds taniAraligi = std::chrono::seconds(1));
    virtual ~KopruCekirdek();

    KopruCekirdek(KopruCekirdek const&) = delete;
    KopruCekirdek& operator=(KopruCekirdek const&) = delete;

    // Questions to the shell, in slot order.
    // [herhangi] Channel name the host reported; empty when none.
    virtual std::string konakKanalAdi() const = 0;
    // [herhangi] Current stream format.
    virtual BicimBilgisi bicim() = 0;
    // [tanı] Sample rate of the current processing set-up.
    virtual double ornekHizi() = 0;
    // [ana] The panel's data changed.
    virtual void arayuzDurumuDegisti() {}
    // [herhangi] 1: on the main output, 0: not, -1: the host said nothing.
    virtual std::int32_t konakAnaCikis() const { return -1; }
    // [herhangi] Where the host's channel name came from.
    virtual std::string konakAdKaynagi() const { return "konak"; }

    // [ana] Each activation by the host.
    void baslat();
    // [ana] Stops everything; the second call does nothing.
    void kapat();
    // [ana] Starts the diagnostics thread with fresh loop state.
    void taniIpligiBaslat();
    // [ana] Stops the diagnostics thread and joins it. The wait between passes
    // is interruptible, so this returns at once rather than after the pass's
    // second: closing a project with many instances must not freeze the host.
    void taniIpligiDurdur();

    // [ana] Fills the panel's record; takes the panel's peak.
    void durumDoldur(ArayuzDurumu& d);

    // [herhangi] true = master. No side effects.
    bool rolHesapla() const;
    // [herhangi] Re-decide after `sebep` changed something. Hosts notify name
    // changes from any thread: decisions are serialised, so the role always
    // ends as the latest names call for, and none outlives the server.
    void rolYenidenHesapla(char const* sebep);
    // [ana] Sets (or, with null/empty, clears) the manual name.
    void elleAdiUygula(char const* ad, char const* kaynak);
    // [herhangi] "elle", the shell's label, or "(yok)".
    std::string adKaynagi() const;
    // [herhangi] A copy of the manual name.
    std::string elleAdKopyasi() const;
    // [herhangi] "sr=48000 kanal=2" or "sr=? kanal=?".
    std::string bicimOzet();
    // [ana|sunucu|tanı] One event line of this instance.
    void olay(std::string const& metin) const;
    std::string const& ornekEtiketi() const { return ornek; }

    // Process-wide instance counter; numbers are never reused.
    static std::atomic<std::int32_t> sSayac;

    // --- The audio thread.
    // [ses] Meters one block and, while an app is connected, taps it.
    void sesIsle(float const* const* kanallar, unsigned kanalSayisi, unsigned kareSayisi);

    // Transport, written once per block (relaxed: read without a lock).
    std::atomic<std::int32_t> tasimaDurumu{0}; // 0 never, 1 delivered, 2 not delivered
    std::atomic<std::int32_t> tasimaSonuc{0};
    std::atomic<bool> caliyor{false};
    std::atomic<bool> kayit{false};
    std::atomic<bool> dongu{false};
    std::atomic<double> konum{0.0};
    std::atomic<double> tempo{0.0};
    std::atomic<bool> tasimaProc2Var{false};

    // Shell bookkeeping, audio thread only.
    double oncekiZaman = 0.0;
    bool oncekiZamanVar = false;
    double ornekZamani = 0.0;

    // --- The server: every text a session sends is composed here.
    // [sunucu] Hello JSON for the port `kapi`.
    std::string merhabaJson(int kapi);
    // [sunucu] The transport message, sent when the host's transport changed.
    std::string tasimaJson() const;
    // [sunucu] The pulse, the `no`th of its session, with the transport keys.
    std::string nabizJson(std::uint64_t no) const;
    // [herhangi] The three transport keys, without braces.
    std::string tasimaAlanlari() const;
    // Output mute the app asked for; the shell outputs silence while set.
    std::atomic<bool> sustur{false};

    // --- The diagnostics thread and the panel: meters and counters they take.
    std::atomic<double> tepe{0.0};
    std::atomic<double> kareToplami{0.0};
    std::atomic<std::uint64_t> olculenOrnek{0};
    std::atomic<std::uint64_t> teslim{0};
    std::atomic<std::uint64_t> blokSayisi{0};
    std::atomic<std::uint64_t> islenenOrnek{0};
    std::atomic<double> sonOrnekZamani{0.0};
    std::atomic<float> arayuzTepe{0.0f};
    std::atomic<bool> taniDur{true};
    std::atomic<bool> rolMaster{false};

protected:
    // [herhangi] The instance's server; null before the first activation and after closing.
    Sunucu* sunucuAl() const { return sunucuGorunum.load(std::memory_order_acquire); }
    // [ana] Asks a connected app for a fresh hello, when there is a server.
    void merhabaTazele(char const* sebep);

    char const* const degisken;
    std::int32_t const ornekNo;
    std::string const ornek;
    bool kapandi = false;
    bool baslatildi = false;

    std::mutex rolKilidi;     // serialises role decisions, the server's start and end; taken before `kilit`
    mutable std::mutex kilit; // guards elleAd; taken before the shell's name lock
    std::string elleAd;

private:
    static std::string etiketKur(char const* degisken, std::int32_t no);
    // [herhangi] The manual name when set, else the host's; takes `kilit`, then the shell's lock.
    std::string etkinAd() const;

    std::unique_ptr<Sunucu> sunucu;
    // What the audio thread and the panel see of `sunucu`: set once the server
    // is built, cleared before it is destroyed.
    std::atomic<Sunucu*> sunucuGorunum{nullptr};

    void taniDongusu(); // [tanı]
    std::chrono::nanoseconds const taniAraligi;
    std::thread taniIpligi; // host main thread only
    std::mutex taniKilit;   // pairs `taniDur` with `taniUyari`
    std::condition_variable taniUyari;
};

} // namespace oka
