#include "Yardimci.h"

#include "Gunluk.h"

#include <unistd.h>

namespace oka::yardimci {

using asio::ip::tcp;
using namespace std::chrono_literals;

namespace {
// Newcomers waiting to show whether they are an app; more are turned away.
constexpr size_t EN_COK_ADAY = 8;
constexpr size_t OKUMA_BOYU = 65536;

// A control-surface SysEx of product `urun`: the maker's header, then `govde`, then the end byte.
Baytlar mackieSysex(uint8_t urun, std::initializer_list<uint8_t> komut, Baytlar const& govde = {}) {
    Baytlar m{0xF0, MACKIE_URETICI[0], MACKIE_URETICI[1], MACKIE_URETICI[2], urun};
    m.insert(m.end(), komut);
    m.insert(m.end(), govde.begin(), govde.end());
    m.push_back(0xF7);
    return m;
}

Baytlar baglantiSorgusu(uint8_t urun) {
    Baytlar govde(SERI_NO.begin(), SERI_NO.end());
    govde.insert(govde.end(), MEYDAN_OKUMA.begin(), MEYDAN_OKUMA.end());
    return mackieSysex(urun, {0x01}, govde);
}
} // namespace

struct Yardimci::Baglanti {
    explicit Baglanti(tcp::socket s) : soket(std::move(s)), sessizlik(soket.get_executor()) {
        // Each frame is a message the app waits for: no holding small writes back for an ACK.
        asio::error_code e;
        soket.set_option(tcp::no_delay(true), e);
    }
    void kapat() {
        acik = false;
        asio::error_code e;
        soket.shutdown(tcp::socket::shutdown_both, e);
        soket.close(e);
        sessizlik.cancel();
    }

    tcp::socket soket;
    asio::steady_timer sessizlik;
    std::vector<uint8_t> okunan = std::vector<uint8_t>(OKUMA_BOYU);
    Baytlar ilkBaytlar;
    Baytlar bekleyen;   // queued while a write is in flight, sent next in one piece
    Baytlar yaziliyor;  // the write in flight
    bool acik = true;
};

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
            y->portDenetle("yoklama");
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

void Yardimci::portDenetle(std::string const& sebep) {
    bool const yabanci = yabanciUcVar();
    if (!yabanci) {
        if (kaynak == 0)
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
    if (hd != 0 || kd != 0) {
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
    if (baglanti) {
        // Dropped before its end is handled, so no "koptu" line follows.
        auto c = std::move(baglanti);
        c->kapat();
    }
    for (auto const& c : adaylar_)
        c->kapat();
    adaylar_.clear();
    if (dinleyici) {
        asio::error_code e;
        dinleyici->close(e);
        dinleyici.reset();
    }
    if (kaynak != 0) {
        notalariBirak("port kapanıyor");
        midi_.ucAt(kaynak);
    }
    if (hedef != 0)
        midi_.ucAt(hedef);
    kaynak = 0;
    hedef = 0;
    lcd.reset();
    notalar.clear();
    faderler.clear();
    ccler.clear();
    okaOzel.clear();
}

// ---- App link ----------------------------------------------------------------------------------------

void Yardimci::dinleyiciBaslat() {
    if (dinleyici)
        return;
    auto a = std::make_unique<tcp::acceptor>(q);
    tcp::endpoint const uc(asio::ip::address_v4::loopback(), ayarlar_.YARDIMCI_KAPI);
    asio::error_code e;
    a->open(uc.protocol(), e);
    if (!e)
        a->set_option(tcp::acceptor::reuse_address(true), e);
    if (!e)
        a->bind(uc, e);
    if (!e)
        a->listen(asio::socket_base::max_listen_connections, e);
    if (e) {
        gunluk("dinleyici kurulamadı: " + e.message());
        return;
    }
    dinleyici = std::move(a);
    ++dinleyiciNesli_;
    kabulEt();
}

void Yardimci::kabulEt() {
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    uint64_t const nesil = dinleyiciNesli_;
    dinleyici->async_accept([zayif, nesil](asio::error_code e, tcp::socket soket) {
        auto y = zayif.lock();
        if (!y || !y->dinleyici || y->dinleyiciNesli_ != nesil)
            return; // cancelled by portlariKapat or replaced
        if (e) {
            gunluk("dinleyici hata: " + e.message() + " — 1 s sonra yeniden");
            asio::error_code yok;
            y->dinleyici->close(yok);
            y->dinleyici.reset();
            y->dinleyiciYeniden_.expires_after(1s);
            y->dinleyiciYeniden_.async_wait([zayif](asio::error_code e2) {
                auto y2 = zayif.lock();
                if (!e2 && y2 && y2->kaynak != 0)
                    y2->dinleyiciBaslat();
            });
            return;
        }
        y->yeniGelen(std::move(soket));
        y->kabulEt();
    });
}

void Yardimci::yeniGelen(tcp::socket soket) {
    auto c = std::make_shared<Baglanti>(std::move(soket));
    if (!baglanti) {
        yeniBaglanti(c, {});
        return;
    }
    // Any local process or a web page can reach this port: while an app is connected, a newcomer
    // replaces it only once its first bytes show that it is not an HTTP request.
    if (adaylar_.size() >= EN_COK_ADAY) {
        gunluk("bekleyen yeni bağlantı çok — sonuncusu kapatıldı, uygulama bağlantısı sürüyor");
        c->kapat();
        return;
    }
    adaylar_.insert(c);
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    c->sessizlik.expires_after(sessizlikSuresi_);
    c->sessizlik.async_wait([zayif, c](asio::error_code e) {
        auto y = zayif.lock();
        if (e || !y || !y->adaylar_.count(c))
            return;
        gunluk("yeni bağlantı bir şey göndermedi — kapatıldı, uygulama bağlantısı sürüyor");
        y->adayiKapat(c);
    });
    adayOku(c);
}

void Yardimci::adayOku(BaglantiPtr const& c) {
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    c->soket.async_read_some(asio::buffer(c->okunan), [zayif, c](asio::error_code e, size_t n) {
        auto y = zayif.lock();
        if (!y || !y->adaylar_.count(c))
            return;
        c->ilkBaytlar.insert(c->ilkBaytlar.end(), c->okunan.begin(), c->okunan.begin() + long(n));
        switch (httpIstegiMi(c->ilkBaytlar)) {
        case HttpKarari::EVET:
            gunluk("HTTP isteği geri çevrildi — uygulama bağlantısı sürüyor");
            y->adayiKapat(c);
            return;
        case HttpKarari::HAYIR:
            y->adaylar_.erase(c);
            c->sessizlik.cancel();
            y->yeniBaglanti(c, std::move(c->ilkBaytlar));
            return;
        case HttpKarari::BELIRSIZ:
            if (e)
                y->adayiKapat(c);
            else
                y->adayOku(c);
            return;
        }
    });
}

void Yardimci::adayiKapat(BaglantiPtr const& c) {
    c->kapat();
    adaylar_.erase(c);
}

void Yardimci::yeniBaglanti(BaglantiPtr const& c, Baytlar ilkBaytlar) {
    if (baglanti) {
        gunluk("yeni uygulama bağlantısı — eskisi kapatılıyor");
        baglanti->kapat();
        notalariBirak("eski bağlantı");
    }
    baglanti = c;
    alinan = std::move(ilkBaytlar);
    gunluk("uygulama bağlandı");
    cerceveleriIsle(c);
    if (c->acik)
        oku(c);
}

void Yardimci::oku(BaglantiPtr const& c) {
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    c->soket.async_read_some(asio::buffer(c->okunan), [zayif, c](asio::error_code e, size_t n) {
        auto y = zayif.lock();
        if (!y)
            return;
        if (n > 0 && c == y->baglanti) {
            y->alinan.insert(y->alinan.end(), c->okunan.begin(), c->okunan.begin() + long(n));
            y->cerceveleriIsle(c);
        }
        if (e)
            y->iptal(c);
        else if (c->acik)
            y->oku(c);
    });
}

void Yardimci::cerceveleriIsle(BaglantiPtr const& c) {
    size_t bas = 0;
    while (c == baglanti && c->acik && alinan.size() - bas >= 2) {
        KesimSonucu const s = cerceveKes(alinan.data() + bas, alinan.size() - bas);
        if (s.tur == KesimSonucu::HATA) {
            iptal(c);
            return;
        }
        if (s.tur == KesimSonucu::EKSIK)
            break;
        bas += s.tuketilen;
        if (s.tip == 1)
            uygulamadanMidi(s.govde);
        else if (s.tip == 2)
            merhabaYanitla(c, s.govde);
    }
    if (c == baglanti)
        alinan.erase(alinan.begin(), alinan.begin() + long(bas));
}

void Yardimci::iptal(BaglantiPtr const& c) {
    c->kapat();
    // Handled later, as the end of a connection is: a replaced or dropped one is no longer current.
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    asio::post(q, [zayif, c] {
        if (auto y = zayif.lock())
            y->baglantiBitti(c);
    });
}

void Yardimci::baglantiBitti(BaglantiPtr const& c) {
    if (c != baglanti)
        return;
    gunluk("uygulama bağlantısı koptu — port AÇIK kalıyor");
    baglanti.reset();
    notalariBirak("uygulama koptu");
}

void Yardimci::cerceveSigmadi(size_t boy) {
    gunluk("mesaj çerçeveye sığmıyor (" + std::to_string(boy) + " bayt) — uygulamaya gönderilmedi");
}

bool Yardimci::cerceveEkle(Baytlar& tampon, uint8_t tip, Baytlar const& govde) {
    auto c = cerceve(tip, govde);
    if (!c) {
        cerceveSigmadi(govde.size());
        return false;
    }
    tampon.insert(tampon.end(), c->begin(), c->end());
    return true;
}

void Yardimci::uygulamayaGonder(Baytlar baytlar) {
    BaglantiPtr const c = baglanti;
    if (!c || !c->acik || baytlar.empty()) // a dropped link takes nothing more until its end is handled
        return;
    if (c->bekleyen.size() + c->yaziliyor.size() + baytlar.size() > yazmaSiniri_) {
        gunluk("uygulama okumuyor (" + std::to_string(c->bekleyen.size() + c->yaziliyor.size()) +
               " bayt bekliyor) — bağlantı kapatılıyor");
        iptal(c);
        return;
    }
    if (c->bekleyen.empty())
        c->bekleyen = std::move(baytlar);
    else
        c->bekleyen.insert(c->bekleyen.end(), baytlar.begin(), baytlar.end());
    if (c->yaziliyor.empty())
        yaz(c);
}

void Yardimci::yaz(BaglantiPtr const& c) {
    std::swap(c->yaziliyor, c->bekleyen);
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    asio::async_write(c->soket, asio::buffer(c->yaziliyor), [zayif, c](asio::error_code e, size_t) {
        c->yaziliyor.clear();
        auto y = zayif.lock();
        if (!y || !c->acik)
            return;
        if (e)
            y->iptal(c);
        else if (!c->bekleyen.empty())
            y->yaz(c);
    });
}

void Yardimci::merhabaYanitla(BaglantiPtr const& c, Baytlar const& govde) {
    gunluk("merhaba ← " + (gecerliUtf8(govde) ? std::string(govde.begin(), govde.end()) : std::string()));
    int32_t const hedefKimlik = hedef ? midi_.benzersizKimlik(hedef).value_or(0) : 0;
    int32_t const kaynakKimlik = kaynak ? midi_.benzersizKimlik(kaynak).value_or(0) : 0;
    std::string const json = merhabaMetni(ayarlar_.PORT_ADI, hedefKimlik, kaynakKimlik, long(::getpid()));
    Baytlar tampon;
    if (!cerceveEkle(tampon, 2, Baytlar(json.begin(), json.end())))
        return;
    size_t n = 0;
    if (lcd) {
        n += cerceveEkle(tampon, 1, mackieSysex(lcdUrun, {0x12, 0x00}, Baytlar(lcd->begin(), lcd->end())));
    }
    for (auto const& [anahtar, m] : okaOzel)
        n += cerceveEkle(tampon, 1, m);
    for (auto const& [nota, hiz] : notalar)
        n += cerceveEkle(tampon, 1, {0x90, nota, hiz});
    for (auto const& [kanal, m] : faderler)
        n += cerceveEkle(tampon, 1, m);
    for (auto const& [kontrol, deger] : ccler)
        n += cerceveEkle(tampon, 1, {0xB0, kontrol, deger});
    if (c == baglanti)
        uygulamayaGonder(std::move(tampon));
    gunluk("merhaba → anlık görüntü " + std::to_string(n) + " mesaj");
}

// ---- From the workstation ------------------------------------------------------------------------------

void Yardimci::olayListesiIsle(asio::io_context& q, std::weak_ptr<Yardimci> zayif, OlayListesi const& liste) {
    auto ogeler = umpMesajlari(liste);
    if (ogeler.empty())
        return;
    asio::post(q, [zayif, ogeler = std::move(ogeler)] {
        if (auto y = zayif.lock())
            y->ogeleriIsle(ogeler);
    });
}

void Yardimci::ogeleriIsle(std::vector<MidiOgesi> const& ogeler) {
    for (MidiOgesi const& o : ogeler) {
        if (!o.sysex) {
            dawMesaji(o.baytlar);
            continue;
        }
        Baytlar m;
        switch (sysexTampon.ekle(o.durum, o.baytlar, m)) {
        case SysexTamponu::Sonuc::TAMAM:
            dawMesaji(m);
            break;
        case SysexTamponu::Sonuc::TASTI:
            gunluk("iş istasyonundan SysEx 64 KiB sınırını aştı — atıldı");
            break;
        case SysexTamponu::Sonuc::BEKLE:
            break;
        }
    }
}

void Yardimci::dawMesaji(Baytlar const& m) {
    uint8_t const s = m[0];
    size_t const n = m.size();
    if (s == 0xF0 && n >= 7) {
        if (m[1] == MACKIE_URETICI[0] && m[2] == MACKIE_URETICI[1] && m[3] == MACKIE_URETICI[2]) {
            elSikisma(m);
            if (n > 7 && m[5] == 0x12) {
                if (!lcd)
                    lcd.emplace().fill(0x20);
                lcdUrun = m[4];
                for (size_t j = 0, o = m[6]; n > 8 && j + 9 <= n && o + j <= 111; ++j)
                    (*lcd)[o + j] = m[7 + j];
            }
        } else if (m[1] == 0x7D && m[2] == 'O' && m[3] == 'K' && m[4] == 'A') {
            okaOzel[uint16_t(m[5] << 8 | m[6])] = m;
        }
    } else if (s == 0x90 && n >= 3) {
        notalar[m[1]] = m[2];
    } else if (s == 0x80 && n >= 3) {
        notalar[m[1]] = 0;
    } else if ((s & 0xF0) == 0xB0 && n >= 3 && (m[1] == 0x4A || m[1] == 0x4B)) {
        ccler[m[1]] = m[2];
    } else if ((s & 0xF0) == 0xE0) {
        faderler[s & 0x0F] = m;
    }
    if (!baglanti)
        return;
    if (auto c = cerceve(1, m))
        uygulamayaGonder(std::move(*c));
    else
        cerceveSigmadi(m.size());
}

void Yardimci::elSikisma(Baytlar const& m) {
    uint8_t const p = m[4], k = m[5];
    if (k != 0x00 && k != 0x02 && k != 0x13)
        return;
    gunluk("el sıkışma ← " + hex(m) + (p == ANA_KIMLIK ? "" : " — yanıtlanmadı (ürün ≠ 14)"));
    if (p != ANA_KIMLIK)
        return;
    if (k == 0x00)
        sysexGonder(baglantiSorgusu(p));
    else if (k == 0x02)
        sysexGonder(mackieSysex(p, {0x03}, Baytlar(SERI_NO.begin(), SERI_NO.end())));
    else
        sysexGonder(mackieSysex(p, {0x14, 'V', '1', '.', '0', '0'}));
}

// ---- To the workstation -----------------------------------------------------------------------------------

void Yardimci::uygulamadanMidi(Baytlar const& m) {
    if (kaynak == 0 || m.size() != 3) {
        gunluk("uygulamadan REDDEDİLDİ (biçim): " + hex(m));
        return;
    }
    bool const nota = m[0] == 0x90 && izinliNota(m[1]) && m[1] != RECORD_NOTA;
    if (m[0] == 0xB0 && m[1] >= 0x10 && m[1] <= 0x17 && m[2] != 0x00 && m[2] != 0x40) {
        kanalMesajiGonder(m);
    } else if (nota && m[2] == 0x7F) {
        basili.insert(m[1]);
        kanalMesajiGonder(m);
    } else if (nota && m[2] == 0x00) {
        basili.erase(m[1]);
        kanalMesajiGonder(m);
    } else {
        gunluk(std::string("uygulamadan REDDEDİLDİ (beyaz listede yok") +
               (m[1] == RECORD_NOTA ? " — RECORD ASLA" : "") + "): " + hex(m));
    }
}

void Yardimci::kanalMesajiGonder(Baytlar const& m) {
    uint32_t const kelime = kanalKelimesi(m);
    midi_.gonder(kaynak, &kelime, 1);
}

void Yardimci::sysexGonder(Baytlar const& m) {
    if (kaynak == 0 || m.size() < 2)
        return;
    for (UmpPaketi const& paket : sysexPaketleri(m))
        midi_.gonder(kaynak, paket.data(), paket.size());
    gunluk("→ " + hex(m));
}

void Yardimci::notalariBirak(std::string const& sebep) {
    if (kaynak == 0 || basili.empty())
        return;
    Baytlar notalar_;
    for (uint8_t nota : basili) {
        kanalMesajiGonder({0x90, nota, 0x00});
        notalar_.push_back(nota);
    }
    gunluk("basılı kalan notalar BIRAKILDI (" + sebep + "): " + hex(notalar_));
    basili.clear();
}

} // namespace oka::yardimci
