#pragma once
// The helper's single state object. Every field is read and written on `q`
// only, but the hand-over list under its lock: the MIDI system's threads parse
// and append, nothing more. Its operations live in one file per concern:
// ports (Yardimci.cpp), app link, from the workstation, to the workstation.

#include "Ayarlar.h"
#include "Cerceve.h"
#include "MidiSistemi.h"
#include "Ump.h"
#include "Yuzey.h"

#include <asio.hpp>

#include <chrono>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <utility>

namespace oka::yardimci {

class Yardimci : public std::enable_shared_from_this<Yardimci> {
public:
    // Opens the store named by KIMLIK_ALANI (or the standard one when that name is unusable).
    using DepoAcici = std::function<std::unique_ptr<KimlikDeposu>(std::string const& alan)>;

    // [q] Ends the process with the given status once the helper has closed everything.
    using Cikis = std::function<void(int durum)>;

    // Opens nothing. `q` runs on the main thread and outlives the helper.
    Yardimci(asio::io_context& q, MidiSistemi& midi, Ayarlar ayarlar, DepoAcici depoAc, Cikis cik);

    // [ana] Start line, MIDI client, first port check, 1 s timer. False when the client cannot be
    // created (logged); the process then exits with status 2 and its service restarts it.
    bool baslat();
    // [q] SIGTERM: logs, releases held notes, closes everything and exits with status 0.
    void sigterm();

    // [ana] How long a newcomer may stay silent while an app is connected (before `baslat`).
    void sessizlikSuresiAyarla(std::chrono::milliseconds sure) { sessizlikSuresi_ = sure; }
    // [ana] How many bytes may wait for an app that does not read before it is dropped (before `baslat`).
    void yazmaSiniriAyarla(size_t bayt) { yazmaSiniri_ = bayt; }
    // [ana] How many messages from the workstation may wait for the queue before more are dropped.
    void bekleyenSiniriAyarla(size_t mesaj) { bekleyenSiniri_ = mesaj; }
    // [q] The port the listener is bound to; 0 when none listens.
    uint16_t dinlenenKapi() const;

private:
    struct Baglanti;
    using BaglantiPtr = std::shared_ptr<Baglanti>;

    // Ports and arbitration (Yardimci.cpp). After a failed open only the 1 s check (`yoklama`) tries again,
    // so that the notifications of the failed attempt itself cannot start the next one.
    void portDenetle(std::string const& sebep, bool yoklama = false);
    void sistemGitti();
    void portlariAc(std::string const& sebep);
    void portlariKapat();
    bool yabanciUcVar();
    std::vector<std::string> ucAdlari(MidiRef uc);
    std::pair<int32_t, bool> kimlikGeriYukle(MidiRef uc, std::string const& anahtar, KimlikDeposu& depo);

    // App link (UygulamaBaglantisi.cpp).
    void dinleyiciBaslat();
    void baglantilariKapat();
    void kabulEt();
    void yeniGelen(asio::ip::tcp::socket soket);
    void adayOku(BaglantiPtr const& c);
    bool adayMi(BaglantiPtr const& c) const;
    void adayiBirak(BaglantiPtr const& c);
    void adayiKapat(BaglantiPtr const& c);
    void yeniBaglanti(BaglantiPtr const& c, Baytlar ilkBaytlar);
    void oku(BaglantiPtr const& c);
    void cerceveleriIsle(BaglantiPtr const& c);
    void iptal(BaglantiPtr const& c);
    void baglantiBitti(BaglantiPtr const& c);
    bool cerceveEkle(Baytlar& tampon, uint8_t tip, Baytlar const& govde);
    void cerceveSigmadi(size_t boy);
    void uygulamayaGonder(Baytlar baytlar);
    void yaz(BaglantiPtr const& c);
    void merhabaYanitla(BaglantiPtr const& c, Baytlar const& govde);

    // From the workstation (IsIstasyonundan.cpp). The MIDI system's thread only appends to a bounded list;
    // the queue takes the whole list in one go.
    static void olayListesiIsle(asio::io_context& q, std::weak_ptr<Yardimci> zayif, OlayListesi const& liste);
    // [alim] True when the queue must be told to take the list.
    bool gelenEkle(std::vector<MidiOgesi> ogeler);
    void gelenleriIsle();
    void ogeleriIsle(std::vector<MidiOgesi> const& ogeler);
    void dawMesaji(Baytlar const& m);
    void elSikisma(Baytlar const& m);

    // To the workstation (BeyazListe.cpp).
    void uygulamadanMidi(Baytlar const& m);
    bool kanalMesajiGonder(Baytlar const& m, bool birakma = false);
    void sysexGonder(Baytlar const& m);
    bool gonder(uint32_t const* kelimeler, size_t sayi, bool birakma, Baytlar const& m);
    void gonderilemeyenleriYaz();
    void notalariBirak(std::string const& sebep);

    asio::io_context& q;
    MidiSistemi& midi_;
    Ayarlar const ayarlar_;
    DepoAcici depoAc_;
    Cikis cik_;
    std::chrono::milliseconds sessizlikSuresi_{10000};
    size_t yazmaSiniri_ = 4 * 1024 * 1024;
    size_t bekleyenSiniri_ = 65536;

    MidiRef istemci = 0;
    MidiRef kaynak = 0; // non-zero exactly while the ports are open
    MidiRef hedef = 0;
    bool acmaBasarisiz_ = false;
    SysexTamponu sysexTampon;
    std::unique_ptr<asio::ip::tcp::acceptor> dinleyici;
    uint64_t dinleyiciNesli_ = 0;
    asio::steady_timer dinleyiciYeniden_;
    BaglantiPtr baglanti;
    std::deque<BaglantiPtr> adaylar_; // newcomers not yet known to be an app, oldest first
    Baytlar alinan;
    std::set<uint8_t> basili;
    uint64_t gonderilemeyen_ = 0; // messages for the workstation the MIDI system refused since the last report
    YuzeyDurumu yuzey;
    asio::steady_timer zamanlayici;
    bool beklemeYazildi = false;

    // Between the MIDI system's thread and `q`.
    std::mutex gelenKilidi_;
    std::vector<MidiOgesi> gelen_;
    bool gelenBekliyor_ = false; // a closure that takes `gelen_` is queued
    bool sysexKesik_ = false;    // pieces of an open SysEx were dropped: the rest of it goes too
    uint64_t gelenAtilan_ = 0;
};

} // namespace oka::yardimci
