#include "Sunucu.h"

#include "../diag/Gunluk.h"
#include "../platform/Soket.h"
#include "CikisKuyrugu.h"
#include "WebSocket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace oka {

namespace {

using Saat = std::chrono::steady_clock;

// What may wait for the client, in the socket and in our queue, is kept to
// about a quarter of a second of 48 kHz stereo audio (384 KB/s): with what
// the client's own receive buffer holds, an app that stalled gets well under
// a second of old audio before live audio again, and a slow reader cannot
// fall further behind.
constexpr int GONDERIM_TAMPONU = 32 * 1024; // the kernel doubles it for its own bookkeeping
constexpr std::size_t SES_KUYRUGU = 32 * 1024;

// Texts are never dropped; a client that reads, but too slowly even for
// them, ends its session here rather than grow our memory without bound.
constexpr std::size_t CIKIS_SINIRI = 1024 * 1024;

// Longest wait between two rounds of a session: blocks reach the ring without
// waking the server thread, so this bounds the delay they add.
constexpr auto TUR_ARALIGI = std::chrono::milliseconds(4);

// Connections whose request is still arriving; past this the oldest is
// dropped, so a flood of idle sockets costs a bounded amount of memory.
constexpr std::size_t BEKLEYEN_SINIRI = 64;

char const* rolAdi(bool master) {
    return master ? "master" : "kanal";
}

std::string saniyeMetni(std::chrono::milliseconds sure) {
    if (sure.count() % 1000 == 0)
        return std::to_string(sure.count() / 1000);
    char metin[32];
    std::snprintf(metin, sizeof metin, "%g", double(sure.count()) / 1000.0);
    return metin;
}

void engellemesiz(int fd) {
    int const bayraklar = fcntl(fd, F_GETFL, 0);
    if (bayraklar >= 0)
        fcntl(fd, F_SETFL, bayraklar | O_NONBLOCK);
}

// A call on a non-blocking socket that may simply be tried again.
bool gecici(int hata) {
    return hata == EAGAIN || hata == EWOULDBLOCK || hata == EINTR;
}

long soketeGonder(int fd, char const* veri, std::size_t n) {
    ssize_t const r = sinyalsizGonder(fd, veri, n);
    if (r >= 0)
        return long(r);
    if (gecici(errno))
        return CikisKuyrugu::BEKLE;
    return CikisKuyrugu::HATA;
}

} // namespace

Sunucu::Sunucu(std::string ornek_, bool rolMaster_, OturumMetinleri metinler_, SusturUygulayici susturUygula_,
               SunucuAyarlari ayarlar)
    : ornek(std::move(ornek_)), rolMaster(rolMaster_), metinler(std::move(metinler_)),
      susturUygula(std::move(susturUygula_)), ayar(ayarlar) {
    iplik = std::thread([this] { calis(); });
}

Sunucu::~Sunucu() {
    g("kapaniyor — dinleme durduruluyor");
    durdur.store(true);
    int istemciSoketi, dinleyenSoket;
    {
        // Shut down only: the server thread closes, and it wakes at once (on
        // Linux a close would not wake a thread blocked on the socket).
        std::lock_guard<std::mutex> kilit(soketKilidi);
        istemciSoketi = istemciFd.load();
        if (istemciSoketi >= 0)
            shutdown(istemciSoketi, SHUT_RDWR);
        dinleyenSoket = dinleyenFd.load();
        if (dinleyenSoket >= 0)
            shutdown(dinleyenSoket, SHUT_RDWR);
    }
    if (istemciSoketi < 0)
        g("acik istemci baglantisi yoktu");
    else
        g("acik istemci baglantisi KAPATILDI (fd " + std::to_string(istemciSoketi) + ")");
    if (dinleyenSoket >= 0)
        g("dinleyen soket kapatildi");
    if (iplik.joinable())
        iplik.join();
    if (susturUygula)
        susturUygula(false);
    g("is parcacigi bitti");
}

void Sunucu::rolGuncelle(bool yeniMaster) {
    bool const eski = rolMaster.exchange(yeniMaster);
    if (eski == yeniMaster)
        return;
    g(std::string("ROL DEGISTI: ") + rolAdi(eski) + " → " + rolAdi(yeniMaster) + " — kapi yeniden kurulacak");
    rolDegisti.store(true);
    gecerliSoketleriKes();
}

void Sunucu::merhabaTazele(char const* sebep) {
    if (!bagli.load())
        return;
    g(std::string("yeni merhaba gonderilecek (") + (sebep ? sebep : "") + ")");
    merhabaIstegi.store(true);
}

void Sunucu::gecerliSoketleriKes() {
    std::lock_guard<std::mutex> kilit(soketKilidi);
    if (int const fd = istemciFd.load(); fd >= 0)
        shutdown(fd, SHUT_RDWR);
    if (int const fd = dinleyenFd.load(); fd >= 0)
        shutdown(fd, SHUT_RDWR);
}

bool Sunucu::soketYayinla(std::atomic<int>& yer, int fd) {
    {
        std::lock_guard<std::mutex> kilit(soketKilidi);
        // A stop or role change raised before this point has already looked
        // for sockets to shut down and missed this one.
        if (!durdur.load() && !rolDegisti.load()) {
            yer.store(fd);
            return true;
        }
    }
    close(fd);
    return false;
}

void Sunucu::soketBirak(std::atomic<int>& yer, int fd) {
    {
        std::lock_guard<std::mutex> kilit(soketKilidi);
        yer.store(-1);
    }
    close(fd);
}

bool Sunucu::bekle(std::chrono::milliseconds sure) const {
    if (durdur.load())
        return false;
    std::this_thread::sleep_for(sure);
    return !durdur.load();
}

void Sunucu::calis() {
    while (!durdur.load()) {
        rolDegisti.store(false);
        if (!dinlemeDonguKur())
            break;
        kabulDongusu();
        if (int const fd = dinleyenFd.load(); fd >= 0) {
            kapi.store(-1);
            soketBirak(dinleyenFd, fd);
        }
        if (durdur.load())
            break;
        if (rolDegisti.load()) {
            g("dinleme yeniden kuruluyor (rol degisimi)");
            if (susturUygula)
                susturUygula(false);
        }
    }
    g("dinleme durdu");
}

bool Sunucu::dinlemeDonguKur() {
    auto t0 = Saat::now();
    if (durdur.load())
        return false;
    long deneme = 0;
    for (;;) {
        bool const master = rolMaster.load();
        int fd = -1;
        int port = -1;
        if (master) {
            port = ayar.masterKapi;
            fd = dinlemeKur(port, deneme > 0);
            if (fd < 0 && deneme == 0)
                g("ikinci master — " + std::to_string(port) +
                  " dolu, KANALA KAYMIYOR, master kapisinda bekleniyor");
        } else {
            for (int const p : ayar.kanalKapilari) {
                fd = dinlemeKur(p, true);
                if (fd >= 0) {
                    port = p;
                    break;
                }
            }
            if (fd < 0 && deneme == 0)
                g("kanal kapilarinin (" + std::to_string(ayar.kanalKapilari.front()) + "-" +
                  std::to_string(ayar.kanalKapilari.back()) + ") HEPSI DOLU");
        }
        if (fd >= 0) {
            if (!soketYayinla(dinleyenFd, fd))
                return !durdur.load(); // a role change came first: the caller re-listens
            kapi.store(port);
            if (deneme >= 1)
                g("yeniden deneme BASARILI (" + std::to_string(deneme) + " denemeden sonra)");
            g("DINLIYOR 127.0.0.1:" + std::to_string(port) + " rol=" + rolAdi(master));
            return true;
        }
        if (deneme > 0) {
            ++deneme;
        } else {
            g("yeniden deneme basliyor — her " + saniyeMetni(ayar.adim * ayar.denemeAdimi) +
              " sn, ses AYNEN geciyor");
            deneme = 1;
        }
        if (Saat::now() - t0 >= ayar.raporAraligi) {
            t0 = Saat::now();
            g("hala dinlenemiyor — " + std::to_string(deneme) + " deneme");
        }
        for (int i = 0; i < ayar.denemeAdimi; ++i) {
            if (!bekle(ayar.adim))
                break;
            if (rolDegisti.load())
                return true;
        }
        if (durdur.load())
            return false;
    }
}

int Sunucu::dinlemeKur(int port, bool sessiz) {
    int const fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        if (!sessiz)
            gh("socket", errno);
        return -1;
    }
    soketHazirla(fd);
    int const bir = 1;
    if (setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &bir, sizeof bir) != 0 && !sessiz)
        gh("setsockopt(SO_REUSEADDR)", errno);
    sockaddr_in adres{};
    adres.sin_family = AF_INET;
    adres.sin_port = htons(static_cast<std::uint16_t>(port));
    adres.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr const*>(&adres), sizeof adres) != 0) {
        int const hata = errno;
        if (!sessiz) {
            gh("bind", hata);
            if (hata == EPERM || hata == EACCES)
                g("→ IZIN REDDEDILDI: surec kum havuzunda ag baglantisi acamiyor olabilir (bkz. ortam "
                  "satirlari).");
            else if (hata == EADDRINUSE)
                g("→ port " + std::to_string(port) + " DOLU (baska ornek ya da program). Ses aynen geciyor.");
        }
        close(fd);
        return -1;
    }
    if (listen(fd, SOMAXCONN) != 0) {
        int const hata = errno;
        if (!sessiz) {
            gh("listen", hata);
            if (hata == EACCES || hata == EPERM)
                g("→ bind BASARILI ama listen REDDEDILDI: kum havuzu dinlemeye izin vermiyor olabilir (bkz. "
                  "ortam satirlari).");
        }
        close(fd);
        return -1;
    }
    // accept runs only after poll reports a connection; non-blocking so a
    // connection that vanished in between cannot hold the thread.
    engellemesiz(fd);
    return fd;
}

// A connection whose request is still arriving, with its own time limit.
struct Sunucu::Bekleyen {
    int fd;
    std::string istek;
    Saat::time_point son;
    bool bitti = false; // the stream ended or broke
};

void Sunucu::kabulDongusu() {
    int const dinleyen = dinleyenFd.load();
    if (dinleyen < 0)
        return;
    std::vector<Bekleyen> bekleyenler;
    std::vector<pollfd> p;
    while (!bitmeli()) {
        // Pending requests are judged side by side, so idle sockets cannot
        // hold a real client back; the wait is one step at most, which keeps
        // stop and role change prompt on every platform.
        auto sure = ayar.adim;
        auto const simdi = Saat::now();
        p.assign(1, pollfd{dinleyen, POLLIN, 0});
        for (Bekleyen const& b : bekleyenler) {
            p.push_back({b.fd, POLLIN, 0});
            sure = std::clamp(std::chrono::ceil<std::chrono::milliseconds>(b.son - simdi),
                              std::chrono::milliseconds(0), sure);
        }
        if (poll(p.data(), p.size(), int(sure.count())) < 0) {
            if (errno != EINTR)
                bekle(ayar.adim);
            continue;
        }
        for (std::size_t i = 0; i < bekleyenler.size(); ++i)
            if (p[i + 1].revents)
                istekOku(bekleyenler[i]);
        if (p[0].revents && !kabulEt(dinleyen, bekleyenler))
            break;
        istekleriYanitla(bekleyenler);
    }
    for (Bekleyen const& b : bekleyenler)
        close(b.fd);
}

bool Sunucu::kabulEt(int dinleyen, std::vector<Bekleyen>& bekleyenler) {
    for (;;) {
        int const fd = accept(dinleyen, nullptr, nullptr);
        if (fd < 0) {
            int const hata = errno;
            if (bitmeli() || hata == EBADF || hata == EINVAL)
                return false;
            if (!gecici(hata) && hata != ECONNABORTED) {
                gh("accept", hata);
                // Errors such as EMFILE persist; one step's pause keeps them
                // from filling the log in a busy loop.
                bekle(ayar.adim);
            }
            return true; // EAGAIN: every waiting connection was taken
        }
        soketHazirla(fd);
        engellemesiz(fd);
        if (bekleyenler.size() == BEKLEYEN_SINIRI) {
            close(bekleyenler.front().fd);
            bekleyenler.erase(bekleyenler.begin());
            g("bekleyen istek cok — en eskisi kapatildi");
        }
        bekleyenler.push_back({fd, {}, Saat::now() + ayar.istekSuresi});
    }
}

void Sunucu::istekOku(Bekleyen& b) {
    char parca[4096];
    ssize_t const n = recv(b.fd, parca, std::min(sizeof parca, GIRDI_SINIRI - b.istek.size()), 0);
    if (n > 0)
        b.istek.append(parca, std::size_t(n));
    else if (n == 0 || !gecici(errno))
        b.bitti = true;
}

void Sunucu::istekleriYanitla(std::vector<Bekleyen>& bekleyenler) {
    auto const simdi = Saat::now();
    for (std::size_t i = 0; i < bekleyenler.size() && !bitmeli();) {
        Bekleyen& b = bekleyenler[i];
        // A request ends at its blank line; what arrived by the time limit,
        // the input bound or the end of the stream is answered as it is.
        bool const hazir = b.bitti || simdi >= b.son || b.istek.size() >= GIRDI_SINIRI ||
                           b.istek.find("\r\n\r\n") != std::string::npos;
        if (!hazir) {
            ++i;
            continue;
        }
        Bekleyen alinan = std::move(b);
        bekleyenler.erase(bekleyenler.begin() + std::ptrdiff_t(i));
        if (alinan.istek.empty()) {
            close(alinan.fd);
            continue;
        }
        // Audio frames are small and frequent; Nagle's algorithm would hold
        // them back for tens of milliseconds waiting for the app's ACKs.
        int const bir = 1;
        setsockopt(alinan.fd, IPPROTO_TCP, TCP_NODELAY, &bir, sizeof bir);
        setsockopt(alinan.fd, SOL_SOCKET, SO_SNDBUF, &GONDERIM_TAMPONU, sizeof GONDERIM_TAMPONU);
        if (!soketYayinla(istemciFd, alinan.fd))
            return;
        istemci(alinan.fd, std::move(alinan.istek));
        soketBirak(istemciFd, alinan.fd);
        bagli.store(false);
        // Those still waiting were not judged during a session: each gets
        // its whole time limit again.
        for (Bekleyen& kalan : bekleyenler)
            kalan.son = std::max(kalan.son, Saat::now() + ayar.istekSuresi);
        return;
    }
}

struct Sunucu::Oturum {
    explicit Oturum(int fd_)
        : fd(fd_),
          cikis([fd_](char const* veri, std::size_t n) { return soketeGonder(fd_, veri, n); }, SES_KUYRUGU) {}
    int const fd;
    CikisKuyrugu cikis;
    std::string girdi; // bytes from the app not yet parsed
    bool okunacak = false;
    std::uint64_t nabizNo = 0;
    std::uint64_t sesSayisi = 0;
    std::uint32_t sonDolu = 0;
    std::uint64_t ilkIndis = 0; // ring index of the session's first block...
    std::uint32_t ilkNo = 0;    // ...and its frame number
    Saat::time_point sonNabiz;
    float blok[HalkaTampon::SLOT_ORNEK];
};

bool Sunucu::bitmeli() const {
    return durdur.load() || rolDegisti.load();
}

void Sunucu::istemci(int fd, std::string istek) {
    auto o = std::make_unique<Oturum>(fd);
    o->girdi = std::move(istek);
    if (!oturumAc(*o))
        return;
    while (tur(*o)) {
        // The only system call of a round with nothing to do. Audio reaches
        // the ring without waking us, so the wait is short; a stop or role
        // change shuts the socket down and ends it at once.
        pollfd p{fd, short(POLLIN | (o->cikis.bekleyen() ? POLLOUT : 0)), 0};
        o->okunacak = poll(&p, 1, int(TUR_ARALIGI.count())) > 0 && (p.revents & ~POLLOUT);
    }
    oturumBitir(*o);
}

bool Sunucu::oturumAc(Oturum& o) {
    int const adimMs = int(ayar.adim.count());
    auto const son = Saat::now() + ayar.istekSuresi;
    IstekYaniti const yanit = istegiYanitla(o.girdi);
    o.girdi.erase(0, std::min(yanit.istekSonu, o.girdi.size())); // frames the app sent right behind it
    o.cikis.son() += yanit.metin;
    if (!yanit.webSocket) {
        while (o.cikis.gonder(Saat::now()) && o.cikis.bekleyen() && !bitmeli() && Saat::now() < son) {
            pollfd p{o.fd, POLLOUT, 0};
            poll(&p, 1, adimMs);
        }
        if (o.cikis.bekleyen() == 0)
            g("HTTP istegi yanitlandi");
        return false;
    }

    o.ilkIndis = halka.temizle(); // blocks from an earlier connection; the app wants live audio
    o.ilkNo = cerceveNo.load();
    merhabaIstegi.store(false); // the hello below is the fresh one
    bagli.store(true);
    std::string const merhaba = metinler.merhaba(kapi.load());
    o.cikis.son() += metinCercevesi(merhaba);
    g("BAGLANDI — gonderilen: " + merhaba);
    o.sonDolu = tampon_dolu.load(std::memory_order_relaxed);
    o.sonNabiz = Saat::now();
    o.okunacak = !o.girdi.empty();
    return true;
}

bool Sunucu::tur(Oturum& o) {
    if (bitmeli())
        return false;
    if (merhabaIstegi.exchange(false)) {
        o.cikis.son() += metinCercevesi(metinler.merhaba(kapi.load()));
        g("yeni merhaba GONDERILDI");
    }

    if (o.okunacak) {
        char gelen[4096];
        ssize_t const n = recv(o.fd, gelen, sizeof gelen, 0);
        if (n == 0 || (n < 0 && !gecici(errno)))
            return false;
        if (n > 0)
            o.girdi.append(gelen, std::size_t(n));
        KomutSonucu const k = komutuIsle(
            o.girdi,
            [this](bool deger) {
                if (susturUygula)
                    susturUygula(deger);
                g(std::string("komut: sustur=") + (deger ? "true" : "false"));
            },
            o.cikis.son());
        if (k != KomutSonucu::Bekle) {
            if (k == KomutSonucu::Hata)
                g("istemci cercevesi kabul edilmedi — baglanti kapatiliyor");
            o.cikis.gonder(Saat::now()); // the answer to a close, if the socket takes it
            return false;
        }
    }

    double zaman;
    std::uint16_t kanal, kare;
    while (std::optional<std::uint64_t> const indis = halka.oku(zaman, kanal, kare, o.blok)) {
        // Numbered by the ring's count, which blocks dropped on a full ring took part in.
        std::uint32_t const no = o.ilkNo + std::uint32_t(*indis - o.ilkIndis);
        cerceveNo.store(no + 1);
        if (!o.cikis.sesSigar()) {
            gonderilemeyen.fetch_add(1, std::memory_order_relaxed);
            continue;
        }
        ikiliCerceve(o.cikis.son(), no, zaman, kanal, kare, o.blok);
        ++o.sesSayisi;
        gonderilen.fetch_add(1, std::memory_order_relaxed);
    }

    std::uint32_t const dolu = tampon_dolu.load(std::memory_order_relaxed);
    if (dolu != o.sonDolu) {
        g("atlandi " + std::to_string(dolu - o.sonDolu) + " (toplam " + std::to_string(dolu) + ")");
        o.sonDolu = dolu;
    }
    if (tasimaIstegi.exchange(false)) {
        std::string const mesaj = metinler.tasima();
        o.cikis.son() += metinCercevesi(mesaj);
        g("tasima GONDERILDI: " + mesaj);
    }
    auto const simdi = Saat::now();
    if (simdi - o.sonNabiz >= ayar.nabizAraligi) {
        o.sonNabiz = simdi;
        o.cikis.son() += metinCercevesi(metinler.nabiz(++o.nabizNo));
    }

    if (!o.cikis.gonder(simdi))
        return false;
    if (o.cikis.takildi(simdi, ayar.takilmaSuresi) || o.cikis.bekleyen() > CIKIS_SINIRI) {
        g("istemci " + saniyeMetni(ayar.takilmaSuresi) + " sn okumadi — baglanti kapatiliyor");
        return false;
    }
    return true;
}

void Sunucu::oturumBitir(Oturum& o) {
    if (susturUygula)
        susturUygula(false);
    g("baglanti koptu → SUSTURMA KALKTI");
    bagli.store(false);
    g("baglanti kapandi (" + std::to_string(o.nabizNo) + " nabiz, " + std::to_string(o.sesSayisi) +
      " ses cercevesi)");
}

void Sunucu::g(std::string const& metin) const {
    olayYaz(ornek, metin);
}

void Sunucu::gh(char const* ne, int hata) const {
    std::string const satir = "[" + ornek + "] " + (ne ? ne : "");
    gunlukHata(satir.c_str(), hata);
}

} // namespace oka
