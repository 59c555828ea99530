#include "Yardimci.h"

#include "Gunluk.h"

#include <algorithm>
#include <unistd.h>

namespace oka::yardimci {

using asio::ip::tcp;
using namespace std::chrono_literals;

namespace {
// Newcomers waiting to show whether they are an app; a further one closes the oldest.
constexpr size_t EN_COK_ADAY = 8;
constexpr size_t OKUMA_BOYU = 65536;
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


void Yardimci::baglantilariKapat() {
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
}

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
        // The newest may be the app, and silent ones would keep it out: the oldest gives way.
        gunluk("bekleyen yeni bağlantı çok — en eskisi kapatıldı, uygulama bağlantısı sürüyor");
        adayiKapat(adaylar_.front());
    }
    adaylar_.push_back(c);
    std::weak_ptr<Yardimci> zayif = weak_from_this();
    c->sessizlik.expires_after(sessizlikSuresi_);
    c->sessizlik.async_wait([zayif, c](asio::error_code e) {
        auto y = zayif.lock();
        if (e || !y || !y->adayMi(c))
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
        if (!y || !y->adayMi(c))
            return;
        c->ilkBaytlar.insert(c->ilkBaytlar.end(), c->okunan.begin(), c->okunan.begin() + long(n));
        switch (httpIstegiMi(c->ilkBaytlar)) {
        case HttpKarari::EVET:
            gunluk("HTTP isteği geri çevrildi — uygulama bağlantısı sürüyor");
            y->adayiKapat(c);
            return;
        case HttpKarari::HAYIR:
            y->adayiBirak(c);
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

bool Yardimci::adayMi(BaglantiPtr const& c) const {
    return std::find(adaylar_.begin(), adaylar_.end(), c) != adaylar_.end();
}

void Yardimci::adayiBirak(BaglantiPtr const& c) {
    adaylar_.erase(std::remove(adaylar_.begin(), adaylar_.end(), c), adaylar_.end());
}

void Yardimci::adayiKapat(BaglantiPtr const& c) {
    c->kapat();
    adayiBirak(c);
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
    gunluk("merhaba ← " + (gecerliUtf8(govde) ? gunlukMetni(std::string(govde.begin(), govde.end())) : std::string()));
    int32_t const hedefKimlik = hedef ? midi_.benzersizKimlik(hedef).value_or(0) : 0;
    int32_t const kaynakKimlik = kaynak ? midi_.benzersizKimlik(kaynak).value_or(0) : 0;
    std::string const json = merhabaMetni(ayarlar_.PORT_ADI, hedefKimlik, kaynakKimlik, long(::getpid()));
    Baytlar tampon;
    if (!cerceveEkle(tampon, 2, Baytlar(json.begin(), json.end())))
        return;
    size_t n = 0;
    for (Baytlar const& m : yuzey.anlikGoruntu())
        n += cerceveEkle(tampon, 1, m);
    if (c == baglanti)
        uygulamayaGonder(std::move(tampon));
    gunluk("merhaba → anlık görüntü " + std::to_string(n) + " mesaj");
}

} // namespace oka::yardimci
