// JACK MIDI as the helper's MIDI system on Linux. The helper is one JACK
// client; its destination is an input port and its source an output port,
// each carrying the port name as its alias (JACK short names must differ
// within a client). MIDI 1.0 bytes become UMP words here and back, so the
// helper sees the same event lists as elsewhere. The process callback only
// moves bytes through lock-free rings; a delivery thread plays the part of
// the system's receive thread.

#include "Platform.h"

#include "cekirdek/BaytHalkasi.h"

#include <jack/jack.h>
#include <jack/metadata.h>
#include <jack/midiport.h>
#include <jack/uuid.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <semaphore.h>
#include <thread>
#include <vector>

namespace oka::yardimci {

namespace {

constexpr char KIMLIK_ANAHTARI[] = "urn:oka:midi:uniqueID";
constexpr int32_t KIMLIK_ALINMIS = -10843; // the status a taken ID gives on the other platform

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
        hedef = refVer(jack_port_name(p));
        return 0;
    }

    int32_t kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) override {
        jack_port_t* p = portKaydet(ad, " out", JackPortIsOutput);
        if (!p)
            return int32_t(JackFailure);
        kaynakPort_ = p;
        cikisPortu_.store(p, std::memory_order_release);
        kaynak = kaynakRef_ = refVer(jack_port_name(p));
        return 0;
    }

    int32_t ucAt(MidiRef uc) override {
        jack_port_t* p = port(uc);
        if (!p)
            return -1;
        if (p == kaynakPort_) {
            // Let the process callback hand every queued message to the readers first.
            bekle([this] { return cikis_.bos(); });
            cikisPortu_.store(nullptr, std::memory_order_release);
            kaynakPort_ = nullptr;
        } else if (p == hedefPort_) {
            girisPortu_.store(nullptr, std::memory_order_release);
            hedefPort_ = nullptr;
            std::lock_guard<std::mutex> k(alimKilidi_);
            alim_ = nullptr;
        } else {
            return -1;
        }
        // The callback may still hold the port until its current cycle ends.
        uint64_t const simdi = dongu_.load(std::memory_order_acquire);
        bekle([&] { return dongu_.load(std::memory_order_acquire) >= simdi + 2; });
        jack_uuid_t const uuid = jack_port_uuid(p);
        jack_remove_property(istemci_, uuid, KIMLIK_ANAHTARI);
        return jack_port_unregister(istemci_, p);
    }

    size_t kaynakSayisi() override { return listele(JackPortIsOutput, kaynaklar_); }
    MidiRef kaynak(size_t sira) override { return sira < kaynaklar_.size() ? kaynaklar_[sira] : 0; }
    size_t hedefSayisi() override { return listele(JackPortIsInput, hedefler_); }
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

    std::optional<int32_t> benzersizKimlik(MidiRef uc) override {
        jack_port_t* p = port(uc);
        return p ? kimlikOku(jack_port_uuid(p)) : std::nullopt;
    }

    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override {
        jack_port_t* p = port(uc);
        if (!p)
            return -1;
        jack_uuid_t const uuid = jack_port_uuid(p);
        if (kimlikSahibi(kimlik, uuid))
            return KIMLIK_ALINMIS;
        std::string const deger = std::to_string(kimlik);
        return jack_set_property(istemci_, uuid, KIMLIK_ANAHTARI, deger.c_str(), nullptr);
    }

    int32_t gonder(MidiRef uc, uint32_t const* kelimeler, size_t sayi) override {
        if (!kaynakPort_ || uc != kaynakRef_)
            return -1;
        int32_t durum = 0;
        for (Baytlar const& m : cevirici_.cevir({UmpPaketi(kelimeler, kelimeler + sayi)}))
            if (!cikis_.yaz(m.data(), uint32_t(m.size())))
                durum = -1; // the callback has fallen behind; the message is lost
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
                if (jack_midi_event_get(&olay, tampon, i) != 0)
                    continue;
                if (olay.size > 0)
                    j->giris_.yaz(olay.buffer, uint32_t(olay.size)); // a full ring drops the event
            }
            if (sayi)
                sem_post(&j->uyandir_);
        }
        if (jack_port_t* cikis = j->cikisPortu_.load(std::memory_order_acquire)) {
            void* tampon = jack_port_get_buffer(cikis, kareler);
            jack_midi_clear_buffer(tampon);
            while (uint32_t const n = j->cikis_.siradakiBoyu()) {
                jack_midi_data_t* yer = jack_midi_event_reserve(tampon, 0, n);
                if (!yer)
                    break; // the port buffer is full: the rest goes out next cycle
                j->cikis_.al(yer);
            }
        }
        j->dongu_.fetch_add(1, std::memory_order_acq_rel);
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
            OlayListesi liste;
            while (uint32_t const n = giris_.siradakiBoyu()) {
                baytlar.resize(n);
                giris_.al(baytlar.data());
                if (auto kelimeler = baytlardanUmp(baytlar.data(), n); !kelimeler.empty())
                    liste.push_back(std::move(kelimeler));
            }
            std::lock_guard<std::mutex> k(alimKilidi_);
            if (alim_ && !liste.empty())
                alim_(liste);
        }
    }

    template <class Kosul> void bekle(Kosul kosul) {
        auto const son = std::chrono::steady_clock::now() + std::chrono::milliseconds(500);
        while (!kosul() && std::chrono::steady_clock::now() < son)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }

    jack_port_t* portKaydet(std::string const& ad, char const* ek, unsigned long yon) {
        jack_port_t* p = jack_port_register(istemci_, (ad + ek).c_str(), JACK_DEFAULT_MIDI_TYPE, yon, 0);
        if (!p)
            return nullptr;
        jack_port_set_alias(p, ad.c_str());
        // A fresh ID that no other port carries, as the system would give one.
        std::random_device rastgele;
        int32_t kimlik;
        do
            kimlik = int32_t(rastgele());
        while (kimlik == 0 || kimlikSahibi(kimlik, jack_port_uuid(p)));
        jack_set_property(istemci_, jack_port_uuid(p), KIMLIK_ANAHTARI, std::to_string(kimlik).c_str(), nullptr);
        return p;
    }

    std::optional<int32_t> kimlikOku(jack_uuid_t uuid) {
        char* deger = nullptr;
        char* tur = nullptr;
        if (jack_get_property(uuid, KIMLIK_ANAHTARI, &deger, &tur) != 0)
            return std::nullopt;
        std::optional<int32_t> kimlik;
        char* son = nullptr;
        long long const v = std::strtoll(deger, &son, 10);
        if (son != deger && *son == '\0')
            kimlik = int32_t(v);
        jack_free(deger);
        if (tur)
            jack_free(tur);
        return kimlik;
    }

    bool kimlikSahibi(int32_t kimlik, jack_uuid_t haric) {
        char const** adlar = jack_get_ports(istemci_, nullptr, nullptr, 0);
        bool var = false;
        for (size_t i = 0; adlar && adlar[i] && !var; ++i)
            if (jack_port_t* p = jack_port_by_name(istemci_, adlar[i]))
                var = jack_uuid_compare(jack_port_uuid(p), haric) != 0 && kimlikOku(jack_port_uuid(p)) == kimlik;
        if (adlar)
            jack_free(adlar);
        return var;
    }

    size_t listele(unsigned long yon, std::vector<MidiRef>& refler) {
        refler.clear();
        char const** adlar = jack_get_ports(istemci_, nullptr, JACK_DEFAULT_MIDI_TYPE, yon);
        for (size_t i = 0; adlar && adlar[i]; ++i)
            refler.push_back(refVer(adlar[i]));
        if (adlar)
            jack_free(adlar);
        return refler.size();
    }

    MidiRef refVer(std::string const& tamAd) {
        auto [it, yeni] = refler_.try_emplace(tamAd, MidiRef(adlar_.size() + 1));
        if (yeni)
            adlar_.push_back(tamAd);
        return it->second;
    }

    jack_port_t* port(MidiRef uc) {
        if (uc == 0 || uc > adlar_.size())
            return nullptr;
        return jack_port_by_name(istemci_, adlar_[uc - 1].c_str());
    }

    jack_client_t* istemci_ = nullptr;
    BildirimIsleyici bildirim_;
    BaytHalkasi giris_{1 << 20};
    BaytHalkasi cikis_{1 << 18};
    std::atomic<jack_port_t*> girisPortu_{nullptr};
    std::atomic<jack_port_t*> cikisPortu_{nullptr};
    std::atomic<uint64_t> dongu_{0};
    jack_port_t* hedefPort_ = nullptr;
    jack_port_t* kaynakPort_ = nullptr;
    MidiRef kaynakRef_ = 0; // sends check this, not the server's port table
    std::mutex alimKilidi_;
    AlimIsleyici alim_;
    sem_t uyandir_;
    std::atomic<bool> bitti_{false};
    std::thread teslimat_;
    UmpBaytCevirici cevirici_;
    std::map<std::string, MidiRef> refler_;
    std::vector<std::string> adlar_;
    std::vector<MidiRef> kaynaklar_, hedefler_;
};

} // namespace

std::unique_ptr<MidiSistemi> platformMidiSistemi() {
    return std::make_unique<JackMidi>();
}

} // namespace oka::yardimci
