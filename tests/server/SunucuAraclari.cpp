#include "SunucuAraclari.h"

#include <arpa/inet.h>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

using Saat = std::chrono::steady_clock;

std::string CekirdekTaklidi::merhaba(int kapi) const {
    return "{\"tip\":\"merhaba\",\"ornek\":\"" + ornek + "\",\"kapi\":" + std::to_string(kapi) + "}";
}

void CekirdekTaklidi::sustur(bool deger) {
    std::lock_guard<std::mutex> k(kilit);
    gecmis.push_back(deger);
}

std::vector<bool> CekirdekTaklidi::susturGecmisi() const {
    std::lock_guard<std::mutex> k(kilit);
    return gecmis;
}

oka::SunucuAyarlari testAyarlari() {
    oka::SunucuAyarlari a;
    a.masterKapi = 31171;
    a.kanalKapilari = {31172, 31173, 31174, 31175};
    return a;
}

TestSunucusu::TestSunucusu(std::string ornek, bool master, oka::SunucuAyarlari ayar) {
    cekirdek.ornek = ornek;
    sunucu.emplace(
        ornek, master, [this](int k) { return cekirdek.merhaba(k); }, [this](bool d) { cekirdek.sustur(d); },
        [this] { return cekirdek.tasima(); }, ayar);
}

bool TestSunucusu::dinliyor() const {
    return bekleKadar([&] { return sunucu->kapi.load() > 0; });
}

void TestSunucusu::blokYaz(std::vector<float> const& veri, unsigned kanal, unsigned kare, double zaman) {
    if (sunucu->bagli.load() &&
        sunucu->halka.yaz(veri.data(), kanal == 2 ? veri.data() + kare : nullptr, kanal, kare, zaman))
        sunucu->tampon_dolu.fetch_add(1);
}

std::string istemciCercevesi(unsigned opkod, std::string const& yuk, bool maskeli) {
    std::string c(1, char(0x80 | opkod));
    unsigned char const m = maskeli ? 0x80 : 0;
    if (yuk.size() <= 125) {
        c += char(m | yuk.size());
    } else {
        c += char(m | 126);
        c += char(yuk.size() >> 8);
        c += char(yuk.size() & 0xFF);
    }
    unsigned char const maske[4] = {0x37, 0xFA, 0x21, 0x3D};
    if (maskeli)
        c.append(reinterpret_cast<char const*>(maske), 4);
    for (std::size_t i = 0; i < yuk.size(); ++i)
        c += maskeli ? char(yuk[i] ^ maske[i % 4]) : yuk[i];
    return c;
}

std::optional<SesCercevesi> sesCozumle(std::string const& yuk) {
    SesCercevesi s;
    if (yuk.size() < 16)
        return std::nullopt;
    std::memcpy(&s.no, yuk.data(), 4); // the test machines are little-endian, as the format
    std::memcpy(&s.zaman, yuk.data() + 4, 8);
    std::memcpy(&s.kanal, yuk.data() + 12, 2);
    std::memcpy(&s.kare, yuk.data() + 14, 2);
    std::size_t const n = std::size_t(s.kanal) * s.kare;
    if (yuk.size() != 16 + 4 * n)
        return std::nullopt;
    s.ornekler.resize(n);
    std::memcpy(s.ornekler.data(), yuk.data() + 16, 4 * n);
    return s;
}

HamIstemci::HamIstemci(int kapi, int alimTamponu) {
    fd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (alimTamponu > 0)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &alimTamponu, sizeof alimTamponu);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(kapi));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
        kapat();
}

void HamIstemci::kapat() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool HamIstemci::gonder(std::string const& bayt) {
    return fd_ >= 0 && send(fd_, bayt.data(), bayt.size(), MSG_NOSIGNAL) == ssize_t(bayt.size());
}

std::string HamIstemci::oku(std::size_t n, std::chrono::milliseconds sure) {
    auto const son = Saat::now() + sure;
    while (tampon_.size() < n && fd_ >= 0) {
        auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now());
        pollfd p{fd_, POLLIN, 0};
        if (kalan.count() <= 0 || poll(&p, 1, int(kalan.count())) <= 0)
            break;
        char b[65536];
        ssize_t const r = recv(fd_, b, sizeof b, 0);
        if (r <= 0)
            break;
        tampon_.append(b, std::size_t(r));
    }
    std::string const alinan = tampon_.substr(0, n);
    tampon_.erase(0, alinan.size());
    return alinan;
}

std::string HamIstemci::elSikis(std::size_t bolum) {
    std::string const istek =
        "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "SEC-WEBSOCKET-KEY: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n\r\n";
    if (bolum) {
        gonder(istek.substr(0, bolum));
        std::this_thread::sleep_for(50ms);
    }
    gonder(istek.substr(bolum));
    std::string yanit;
    while (yanit.find("\r\n\r\n") == std::string::npos) {
        std::string const b = oku(1);
        if (b.empty())
            break;
        yanit += b;
    }
    return yanit;
}

std::optional<Cerceve> HamIstemci::cerceve(std::chrono::milliseconds sure) {
    std::string ham = oku(2, sure);
    std::size_t n = ham.size() == 2 ? std::uint8_t(ham[1]) & 0x7F : 0;
    if (n == 126) {
        ham += oku(2, sure);
        n = ham.size() == 4 ? (std::size_t(std::uint8_t(ham[2])) << 8) | std::uint8_t(ham[3]) : 0;
    }
    std::string const yuk = oku(n, sure);
    if (ham.size() < 2 || yuk.size() < n) {
        tampon_.insert(0, ham + yuk);
        return std::nullopt;
    }
    return Cerceve{std::uint8_t(ham[0]), yuk};
}

std::optional<Cerceve> HamIstemci::cerceveBul(unsigned ilk, std::chrono::milliseconds sure) {
    auto const son = Saat::now() + sure;
    while (auto c = cerceve(std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now())))
        if (c->ilk == ilk)
            return c;
    return std::nullopt;
}

bool HamIstemci::kapandi(std::chrono::milliseconds sure) {
    auto const son = Saat::now() + sure;
    while (Saat::now() < son) {
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, 10) <= 0)
            continue;
        char b[65536];
        ssize_t const r = recv(fd_, b, sizeof b, 0);
        if (r <= 0)
            return r == 0 || errno == ECONNRESET;
    }
    return false;
}
