// JACK MIDI as the helper's MIDI system on Linux. The helper is one JACK
// client; its destination is an input port and its source an output port,
// each carrying the port name as its alias (JACK short names must differ
// within a client). MIDI 1.0 bytes become UMP words here and back, so the
// helper sees the same event lists as elsewhere. The process callback only
// moves bytes through lock-free rings; a delivery thread plays the part of
// the system's receive thread. References, unique IDs, the output's close and
// the waits on cycles are the portable core's; this file only translates.

#include "Platform.h"

#include "cekirdek/CikisKapisi.h"
#include "cekirdek/Gunluk.h"
#include "cekirdek/UcDefteri.h"

#include <jack/jack.h>
#include <jack/midiport.h>

#include <atomic>
#include <mutex>
#include <semaphore.h>
#include <thread>
#include <utility>
#include <vector>

namespace oka::yardimci {

namespace {

using namespace std::chrono_literals;

// How long a close waits for a JACK server that runs no cycles.
constexpr auto SABIR = 1000ms;

class JackMidi : public MidiSistemi {
public:
    JackMidi() { sem_init(&uyandir_, 0, 0); }

    ~JackMidi() override {
        if (istemci_) {
            jack_deactivate(istemci_);
            jack_client_close(istemci_);
        }
        bitti_ = true;
        sem_post(&uyandir_);
        if (teslimat_.joinable())
            teslimat_.join();
        sem_destroy(&uyandir_);
    }

    int32_t istemciOlustur(std::string const& ad, BildirimIsleyici bildirim, MidiRef& istemci) override {
        jack_status_t durum{};
        istemci_ = jack_client_open(ad.c_str(), JackNoStartServer, &durum);
        if (!istemci_)
            return int32_t(durum) ? int32_t(durum) : int32_t(JackFailure);
        bildirim_ = std::move(bildirim);
        jack_set_process_callback(istemci_, &JackMidi::isle, this);
        jack_set_port_registration_callback(
            istemci_, [](jack_port_id_t, int kayit, void* j) {
                static_cast<JackMidi*>(j)->bildir(kayit ? BILDIRIM_NESNE_EKLENDI : BILDIRIM_NESNE_KALDIRILDI);
            },
            this);
        jack_set_port_rename_callback(
            istemci_, [](jack_port_id_t, char const*, char const*, void* j) {
                static_cast<JackMidi*>(j)->bildir(BILDIRIM_KURULUM_DEGISTI);
            },
            this);
        jack_set_client_registration_callback(
            istemci_, [](char const*, int, void* j) { static_cast<JackMidi*>(j)->bildir(BILDIRIM_KURULUM_DEGISTI); },
            this);
        jack_on_info_shutdown(
            istemci_, [](jack_status_t, char const*, void* j) { static_cast<JackMidi*>(j)->bildir(BILDIRIM_SISTEM_GITTI); },
            this);
        teslimat_ = std::thread([this] { teslimEt(); });
        if (int const e = jack_activate(istemci_); e != 0)
            return e;
        istemci = 1;
        return 0;
    }

    int32_t hedefOlustur(MidiRef, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) override {
        jack_port_t* p = portKaydet(ad, " in", JackPortIsInput);
        if (!p)
            return int32_t(JackFailure);
        {
            std::lock_guard<std::mutex> k(alimKilidi_);
            alim_ = std::move(alim);
        }
        hedefPort_ = p;
        girisPortu_.store(p, std::memory_order_release);
        hedef = hedefRef_ = defter_.ref(jack_port_name(p), false);
        defter_.kimlikVer(hedef);
        return 0;
    }

    int32_t kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) override {
        jack_port_t* p = portKaydet(ad, " out", JackPortIsOutput);
        if (!p)
            return int32_t(JackFailure);
        kaynakPort_ = p;
        cikisPortu_.store(p, std::memory_order_release);
        cikis_.ac();
        kaynak = kaynakRef_ = defter_.ref(jack_port_name(p), true);
        defter_.kimlikVer(kaynak);
        return 0;
    }

    int32_t ucAt(MidiRef uc) override {
        jack_port_t* p = nullptr;
        if (uc != 0 && uc == kaynakRef_) {
            p = std::exchange(kaynakPort_, nullptr);
            cikis_.kapat(dongu_, SABIR);
            cikisPortu_.store(nullptr, std::memory_order_release);
            kaynakRef_ = 0;
        } else if (uc != 0 && uc == hedefRef_) {
            p = std::exchange(hedefPort_, nullptr);
            girisPortu_.store(nullptr, std::memory_order_release);
            dongu_.donguBekle(2, SABIR); // the callback may hold the port until its cycle ends
            std::lock_guard<std::mutex> k(alimKilidi_);
            alim_ = nullptr;
            hedefRef_ = 0;
        } else {
            return -1;
        }
        defter_.unut(uc);
        return jack_port_unregister(istemci_, p);
    }

    size_t kaynakSayisi() override { return (kaynaklar_ = listele(JackPortIsOutput)).size(); }
    MidiRef kaynak(size_t sira) override { return sira < kaynaklar_.size() ? kaynaklar_[sira] : 0; }
    size_t hedefSayisi() override { return (hedefler_ = listele(JackPortIsInput)).size(); }
    MidiRef hedef(size_t sira) override { return sira < hedefler_.size() ? hedefler_[sira] : 0; }

    std::optional<std::string> ad(MidiRef uc) override {
        jack_port_t* p = port(uc);
        if (!p)
            return std::nullopt;
        return std::string(jack_port_short_name(p));
    }

    std::optional<std::string> gorunenAd(MidiRef uc) override {
        jack_port_t* p = port(uc);
        if (!p)
            return std::nullopt;
        size_t const boy = size_t(jack_port_name_size());
        std::vector<char> a1(boy), a2(boy);
        char* const takma[2] = {a1.data(), a2.data()};
        if (jack_port_get_aliases(p, takma) < 1)
            return std::nullopt;
        return std::string(a1.data());
    }

    std::optional<int32_t> benzersizKimlik(MidiRef uc) override { return defter_.kimlik(uc); }
    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override {
        return defter_.kimlikAyarla(uc, kimlik) ? 0 : int32_t(JackFailure);
    }

    int32_t gonder(MidiRef uc, uint32_t const* kelimeler, size_t sayi, bool birakma) override {
        if (uc == 0 || uc != kaynakRef_)
            return int32_t(JackFailure);
        int32_t durum = 0;
        for (Baytlar const& m : cevirici_.cevir({UmpPaketi(kelimeler, kelimeler + sayi)}))
            if (!cikis_.yaz(m, birakma))
                durum = int32_t(JackFailure);
        return durum;
    }

private:
    void bildir(int kimlik) {
        if (bildirim_)
            bildirim_(kimlik);
    }

    // [ses] No lock, no allocation: bytes in and out of the ring buffers only.
    static int isle(jack_nframes_t kareler, void* arg) {
        auto* j = static_cast<JackMidi*>(arg);
        if (jack_port_t* giris = j->girisPortu_.load(std::memory_order_acquire)) {
            void* tampon = jack_port_get_buffer(giris, kareler);
            uint32_t const sayi = jack_midi_get_event_count(tampon);
            for (uint32_t i = 0; i < sayi; ++i) {
                jack_midi_event_t olay;
                if (jack_midi_event_get(&olay, tampon, i) == 0 && olay.size > 0 &&
                    !j->giris_.yaz(olay.buffer, uint32_t(olay.size)))
                    j->kayip_.fetch_add(1, std::memory_order_relaxed);
            }
            if (sayi)
                sem_post(&j->uyandir_);
        }
        CikisKapisi::Kip const kip = j->cikis_.kip();
        jack_port_t* cikis = j->cikisPortu_.load(std::memory_order_acquire);
        if (cikis && kip != CikisKapisi::Kip::KAPALI) {
            void* tampon = jack_port_get_buffer(cikis, kareler);
            jack_midi_clear_buffer(tampon);
            BaytHalkasi& halka = j->cikis_.halka();
            while (kip == CikisKapisi::Kip::ACIK) {
                uint32_t const n = halka.siradakiBoyu();
                jack_midi_data_t* yer = n ? jack_midi_event_reserve(tampon, 0, n) : nullptr;
                if (!yer)
                    break; // nothing more, or the port's buffer is full: the rest goes out next cycle
                halka.al(yer);
            }
        }
        j->dongu_.donguBitti();
        return 0;
    }

    // The system's receive thread: one event list per wake-up, one packet per JACK event.
    void teslimEt() {
        std::vector<uint8_t> baytlar;
        while (true) {
            while (sem_wait(&uyandir_) != 0) {
            }
            if (bitti_)
                return;
            if (uint32_t const kayip = kayip_.exchange(0))
                gunluk("iş istasyonundan " + std::to_string(kayip) + " MIDI olayı alınamadı (JACK halkası dolu)");
            OlayListesi liste;
            while (uint32_t const n = giris_.siradakiBoyu()) {
                baytlar.resize(n);
                giris_.al(baytlar.data());
                if (auto kelimeler = girisCevirici_.cevir(baytlar.data(), n); !kelimeler.empty())
                    liste.push_back(std::move(kelimeler));
            }
            std::lock_guard<std::mutex> k(alimKilidi_);
            if (alim_ && !liste.empty())
                alim_(liste);
        }
    }

    jack_port_t* portKaydet(std::string const& ad, char const* ek, unsigned long yon) {
        jack_port_t* p = jack_port_register(istemci_, (ad + ek).c_str(), JACK_DEFAULT_MIDI_TYPE, yon, 0);
        if (p)
            jack_port_set_alias(p, ad.c_str());
        return p;
    }

    std::vector<MidiRef> listele(unsigned long yon) {
        std::vector<std::string> adlar;
        char const** a = jack_get_ports(istemci_, nullptr, JACK_DEFAULT_MIDI_TYPE, yon);
        for (size_t i = 0; a && a[i]; ++i)
            adlar.emplace_back(a[i]);
        if (a)
            jack_free(a);
        return defter_.listele(yon == JackPortIsOutput, adlar);
    }

    jack_port_t* port(MidiRef uc) {
        std::string const* ad = defter_.ad(uc);
        return ad ? jack_port_by_name(istemci_, ad->c_str()) : nullptr;
    }

    jack_client_t* istemci_ = nullptr;
    BildirimIsleyici bildirim_;
    BaytHalkasi giris_{1 << 20};
    std::atomic<uint32_t> kayip_{0};
    // Room kept back for the releases of every note the app may hold, many times over.
    CikisKapisi cikis_{1 << 18, 4096};
    DonguSayaci dongu_;
    std::atomic<jack_port_t*> girisPortu_{nullptr};
    std::atomic<jack_port_t*> cikisPortu_{nullptr};
    jack_port_t* hedefPort_ = nullptr;
    jack_port_t* kaynakPort_ = nullptr;
    MidiRef hedefRef_ = 0, kaynakRef_ = 0; // sends check these, not the server's port table
    std::mutex alimKilidi_;
    AlimIsleyici alim_;
    sem_t uyandir_;
    std::atomic<bool> bitti_{false};
    std::thread teslimat_;
    UmpBaytCevirici cevirici_;
    BaytUmpCevirici girisCevirici_;
    UcDefteri defter_;
    std::vector<MidiRef> kaynaklar_, hedefler_;
};

} // namespace

std::unique_ptr<MidiSistemi> platformMidiSistemi() {
    return std::make_unique<JackMidi>();
}

} // namespace oka::yardimci
