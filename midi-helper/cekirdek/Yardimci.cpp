#include "Yardimci.h"

#include "Gunluk.h"

#include <unistd.h>

namespace oka::yardimci {

using namespace std::chrono_literals;

Yardimci::Yardimci(asio::io_context& q_, MidiSistemi& midi, Ayarlar ayarlar, DepoAcici depoAc, Cikis cik)
    : q(q_), midi_(midi), ayarlar_(std::move(ayarlar)), depoAc_(std::move(depoAc)), cik_(std::move(cik)),
      dinleyiciYeniden_(q_), zamanlayici(q_) {}

bool Yardimci::baslat() {
    gunluk("başladı — sürüm " + std::string(SURUM) + ", port \"" + ayarlar_.PORT_ADI + "\", kapı 127.0.0.1:" +
           std::to_string(ayarlar_.YARDIMCI_KAPI) + ", pid " + std::to_string(::getpid()));
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    asio::io_context& kuyruk = q;
    int32_t const durum = midi_.istemciOlustur(
        "OKA-Yardimci",
        [&kuyruk, zayif](int kimlik) {
            if (kimlik == BILDIRIM_SISTEM_GITTI) {
                asio::post(kuyruk, [zayif] {
                    if (auto y = zayif.lock())
                        y->sistemGitti();
                });
                return;
            }
            if (kimlik < BILDIRIM_KURULUM_DEGISTI || kimlik > BILDIRIM_NESNE_KALDIRILDI)
                return;
            asio::post(kuyruk, [zayif] {
                if (auto y = zayif.lock())
                    y->portDenetle("CoreMIDI bildirimi");
            });
        },
        istemci);
    if (durum != 0) {
        gunluk("MIDIClientCreate hata " + std::to_string(durum) + " — çıkılıyor (launchd yeniden başlatır)");
        return false;
    }
    asio::post(q, [y = shared_from_this()] { y->portDenetle("açılış"); });

    struct Yoklama {
        std::weak_ptr<Yardimci> zayif;
        void operator()(asio::error_code e) const {
            auto y = zayif.lock();
            if (e || !y)
                return;
            y->zamanlayici.expires_at(y->zamanlayici.expiry() + 1s);
            y->zamanlayici.async_wait(*this);
            y->portDenetle("yoklama", true);
        }
    };
    zamanlayici.expires_after(1s);
    zamanlayici.async_wait(Yoklama{zayif});
    return true;
}

void Yardimci::sigterm() {
    gunluk("SIGTERM — kapanıyor");
    portlariKapat();
    cik_(0);
}

void Yardimci::sistemGitti() {
    // The ports went with the system: the service starts the helper again, which then waits for it.
    gunluk("MIDI sistemi kapandı — çıkılıyor (launchd yeniden başlatır)");
    portlariKapat();
    cik_(2);
}

uint16_t Yardimci::dinlenenKapi() const {
    asio::error_code e;
    return dinleyici ? dinleyici->local_endpoint(e).port() : 0;
}

// ---- Ports and arbitration -------------------------------------------------------------------------

std::vector<std::string> Yardimci::ucAdlari(MidiRef uc) {
    std::vector<std::string> adlar;
    if (auto a = midi_.ad(uc))
        adlar.push_back(*a);
    if (auto a = midi_.gorunenAd(uc))
        adlar.push_back(*a);
    return adlar;
}

bool Yardimci::yabanciUcVar() {
    auto adiVar = [this](MidiRef uc) {
        for (auto const& ad : ucAdlari(uc))
            if (ad == ayarlar_.PORT_ADI)
                return true;
        return false;
    };
    for (size_t i = 0, n = midi_.kaynakSayisi(); i < n; ++i)
        if (MidiRef uc = midi_.kaynak(i); uc != kaynak && adiVar(uc))
            return true;
    for (size_t i = 0, n = midi_.hedefSayisi(); i < n; ++i)
        if (MidiRef uc = midi_.hedef(i); uc != hedef && adiVar(uc))
            return true;
    return false;
}

void Yardimci::portDenetle(std::string const& sebep, bool yoklama) {
    bool const yabanci = yabanciUcVar();
    if (!yabanci) {
        if (kaynak == 0 && (yoklama || !acmaBasarisiz_))
            portlariAc(sebep);
        return;
    }
    std::string const port = "başka bir süreçte \"" + ayarlar_.PORT_ADI + "\" portu ";
    if (kaynak == 0) {
        if (!beklemeYazildi) {
            gunluk(port + "var (" + sebep + ") — o kapanınca açılacak");
            beklemeYazildi = true;
        }
        return;
    }
    gunluk(port + "belirdi (" + sebep + ") — ÇİFT PORT olmasın diye yardımcının portları KAPATILIYOR");
    portlariKapat();
}

std::pair<int32_t, bool> Yardimci::kimlikGeriYukle(MidiRef uc, std::string const& anahtar, KimlikDeposu& depo) {
    if (auto kayitli = depo.tamsayi(anahtar)) {
        auto const kimlik = static_cast<int32_t>(static_cast<uint32_t>(*kayitli));
        if (midi_.benzersizKimlikAyarla(uc, kimlik) == 0)
            return {kimlik, true};
    }
    int32_t const kimlik = midi_.benzersizKimlik(uc).value_or(0);
    depo.tamsayiYaz(anahtar, kimlik);
    return {kimlik, false};
}

void Yardimci::portlariAc(std::string const& sebep) {
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    asio::io_context& kuyruk = q;
    MidiRef h = 0, k = 0;
    int32_t const hd = midi_.hedefOlustur(
        istemci, ayarlar_.PORT_ADI,
        [&kuyruk, zayif](OlayListesi const& liste) { olayListesiIsle(kuyruk, zayif, liste); }, h);
    int32_t const kd = midi_.kaynakOlustur(istemci, ayarlar_.PORT_ADI, k);
    acmaBasarisiz_ = hd != 0 || kd != 0;
    if (acmaBasarisiz_) {
        gunluk("port açılamadı (hedef " + std::to_string(hd) + ", kaynak " + std::to_string(kd) + ")");
        if (hd == 0 && h)
            midi_.ucAt(h);
        if (kd == 0 && k)
            midi_.ucAt(k);
        return;
    }
    hedef = h;
    kaynak = k;
    auto depo = depoAc_(ayarlar_.KIMLIK_ALANI);
    auto const [hedefKimlik, hedefGeri] = kimlikGeriYukle(hedef, "hedef.uniqueID", *depo);
    auto const [kaynakKimlik, kaynakGeri] = kimlikGeriYukle(kaynak, "kaynak.uniqueID", *depo);
    beklemeYazildi = false;
    auto durum = [](bool geri) { return geri ? " (geri yüklendi)" : " (yeni)"; };
    gunluk("\"" + ayarlar_.PORT_ADI + "\" portları AÇILDI (" + sebep + ") — kimlik hedef " +
           std::to_string(hedefKimlik) + durum(hedefGeri) + " kaynak " + std::to_string(kaynakKimlik) +
           durum(kaynakGeri));
    if (yabanciUcVar()) {
        gunluk("açılış yarışı: başka \"" + ayarlar_.PORT_ADI + "\" portu var — yardımcı geri çekiliyor");
        portlariKapat();
        return;
    }
    sysexGonder(baglantiSorgusu(ANA_KIMLIK));
    dinleyiciBaslat();
}

void Yardimci::portlariKapat() {
    baglantilariKapat();
    if (kaynak != 0) {
        notalariBirak("port kapanıyor");
        gonderilemeyenleriYaz();
        midi_.ucAt(kaynak);
    }
    if (hedef != 0)
        midi_.ucAt(hedef);
    kaynak = 0;
    hedef = 0;
    basili.clear(); // a release the system refused cannot go out any more: the port is gone
    yuzey.temizle();
}

} // namespace oka::yardimci
