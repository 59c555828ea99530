#include "SunucuAraclari.h"

#include "diag/Gunluk.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

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

bool TestSunucusu::dinliyor(std::chrono::milliseconds sure) const {
    return bekleKadar([&] { return sunucu->kapi.load() > 0; }, sure);
}

std::string istemciCercevesi(unsigned opkod, std::string const& yuk, bool maskeli) {
    std::string c;
    c += char(0x80 | opkod);
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
    if (yuk.size() < 16)
        return std::nullopt;
    auto const* b = reinterpret_cast<unsigned char const*>(yuk.data());
    auto le = [&](std::size_t bas, std::size_t n) {
        std::uint64_t v = 0;
        for (std::size_t k = 0; k < n; ++k)
            v |= std::uint64_t(b[bas + k]) << (8 * k);
        return v;
    };
    SesCercevesi s;
    s.no = std::uint32_t(le(0, 4));
    std::uint64_t const z = le(4, 8);
    std::memcpy(&s.zaman, &z, 8);
    s.kanal = std::uint16_t(le(12, 2));
    s.kare = std::uint16_t(le(14, 2));
    std::size_t const n = std::size_t(s.kanal) * s.kare;
    if (yuk.size() != 16 + 4 * n)
        return std::nullopt;
    s.ornekler.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        std::uint32_t const bit = std::uint32_t(le(16 + 4 * i, 4));
        std::memcpy(&s.ornekler[i], &bit, 4);
    }
    return s;
}

HamIstemci::HamIstemci(int kapi, int alimTamponu) {
    int const fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return;
    if (alimTamponu > 0)
        setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &alimTamponu, sizeof alimTamponu);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(std::uint16_t(kapi));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd);
        return;
    }
    fd_ = fd;
}

HamIstemci::~HamIstemci() {
    kapat();
}

void HamIstemci::kapat() {
    if (fd_ >= 0)
        close(fd_);
    fd_ = -1;
}

bool HamIstemci::gonder(std::string const& bayt) {
    std::size_t giden = 0;
    while (giden < bayt.size()) {
        ssize_t const n = send(fd_, bayt.data() + giden, bayt.size() - giden, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        giden += std::size_t(n);
    }
    return true;
}

std::string HamIstemci::oku(std::size_t en_az, std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (tampon_.size() < en_az) {
        auto const kalan =
            std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now());
        if (kalan.count() <= 0)
            break;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, int(kalan.count())) <= 0)
            break;
        char b[65536];
        ssize_t const n = recv(fd_, b, sizeof b, 0);
        if (n <= 0)
            break;
        tampon_.append(b, std::size_t(n));
    }
    std::string const alinan = tampon_.substr(0, std::min(en_az, tampon_.size()));
    tampon_.erase(0, alinan.size());
    return alinan;
}

std::string HamIstemci::elSikis(std::string const& anahtarBasligi) {
    gonder("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n" +
           anahtarBasligi + "\r\nSec-WebSocket-Version: 13\r\n\r\n");
    std::string yanit;
    auto const son = std::chrono::steady_clock::now() + 5s;
    while (yanit.find("\r\n\r\n") == std::string::npos && std::chrono::steady_clock::now() < son) {
        std::string const b = oku(1, 5s);
        if (b.empty())
            break;
        yanit += b;
    }
    return yanit;
}

std::optional<Cerceve> HamIstemci::cerceve(std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    auto kalan = [&] {
        return std::max(0ms, std::chrono::duration_cast<std::chrono::milliseconds>(
                                 son - std::chrono::steady_clock::now()));
    };
    std::string const bas = oku(2, kalan());
    if (bas.size() < 2) {
        tampon_.insert(0, bas);
        return std::nullopt;
    }
    std::string ham = bas;
    std::uint64_t n = std::uint8_t(bas[1]) & 0x7F;
    if (n == 126) {
        std::string const u = oku(2, kalan());
        ham += u;
        if (u.size() < 2) {
            tampon_.insert(0, ham);
            return std::nullopt;
        }
        n = (std::uint64_t(std::uint8_t(u[0])) << 8) | std::uint8_t(u[1]);
    } else if (n == 127) {
        std::string const u = oku(8, kalan());
        ham += u;
        if (u.size() < 8) {
            tampon_.insert(0, ham);
            return std::nullopt;
        }
        n = 0;
        for (char c : u)
            n = (n << 8) | std::uint8_t(c);
    }
    std::string yuk = oku(std::size_t(n), kalan());
    if (yuk.size() < n) {
        tampon_.insert(0, ham + yuk);
        return std::nullopt;
    }
    return Cerceve{std::uint8_t(bas[0]), std::move(yuk)};
}

std::optional<Cerceve> HamIstemci::cerceveBul(unsigned opkod, std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (std::chrono::steady_clock::now() < son) {
        auto c = cerceve(
            std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now()));
        if (!c)
            return std::nullopt;
        if (c->opkod() == opkod)
            return c;
    }
    return std::nullopt;
}

bool HamIstemci::kapandi(std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    for (;;) {
        auto const kalan =
            std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now());
        if (kalan.count() <= 0)
            return false;
        pollfd p{fd_, POLLIN, 0};
        if (poll(&p, 1, int(kalan.count())) <= 0)
            return false;
        char b[65536];
        ssize_t const n = recv(fd_, b, sizeof b, 0);
        if (n == 0 || (n < 0 && errno == ECONNRESET))
            return true;
        if (n < 0)
            return false;
        tampon_.append(b, std::size_t(n));
    }
}

std::string komutCalistir(std::string const& komut) {
    std::string cikti;
    FILE* f = popen((komut + " 2>&1").c_str(), "r");
    if (!f)
        return "popen basarisiz";
    char b[4096];
    std::size_t n;
    while ((n = fread(b, 1, sizeof b, f)) > 0)
        cikti.append(b, n);
    int const durum = pclose(f);
    if (durum != 0)
        cikti += "\n[cikis durumu " + std::to_string(durum) + "]";
    return cikti;
}
