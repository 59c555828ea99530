#include "WebSocket.h"

#include "../platform/Sha1.h"
#include "Base64.h"

#include <cstring>

namespace oka {

namespace {

constexpr std::string_view WS_GUID = "258EAFA5-E914-47DA-95CA-C5AB0DC85B11";

char kucuk(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

void basligaUzunlukYaz(std::string& cikis, unsigned char ilk, std::uint64_t n) {
    cikis += char(ilk);
    if (n <= 125) {
        cikis += char(n);
    } else if (n <= 0xFFFF) {
        cikis += char(126);
        cikis += char(n >> 8);
        cikis += char(n & 0xFF);
    } else {
        cikis += char(127);
        for (int k = 7; k >= 0; --k)
            cikis += char((n >> (8 * k)) & 0xFF);
    }
}

// One unmasked final frame with this opcode.
void cerceveEkle(std::string& cikis, unsigned opkod, std::string_view yuk) {
    // Our texts stay far below 64 KiB; a longer one still gets a valid length
    // form rather than a truncated one that would corrupt the stream.
    basligaUzunlukYaz(cikis, static_cast<unsigned char>(0x80 | opkod), yuk.size());
    cikis.append(yuk);
}

template <typename T> void leYaz(char* p, T deger) {
    for (std::size_t k = 0; k < sizeof(T); ++k)
        p[k] = char((deger >> (8 * k)) & 0xFF);
}

// Status codes an endpoint may send in a close: the defined ones other than
// those reserved for local use (1004-1006, 1015), and the registered and
// private ranges.
bool kapanisKoduGecerli(unsigned kod) {
    return (kod >= 1000 && kod <= 1003) || (kod >= 1007 && kod <= 1014) || (kod >= 3000 && kod <= 4999);
}

bool bosluk(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

} // namespace

std::string basligiAl(std::string_view istek, std::string_view ad) {
    if (ad.empty())
        return {};
    // Only the header section counts: a body is the sender's to fill, and a
    // page on any site may post one holding a line that looks like a header.
    istek = istek.substr(0, istek.find("\r\n\r\n"));
    for (std::size_t i = 0;;) { // i: the start of a line
        std::size_t k = 0;
        while (k < ad.size() && i + k < istek.size() && kucuk(istek[i + k]) == ad[k])
            ++k;
        if (k == ad.size()) {
            std::size_t bas = i + ad.size();
            while (bas < istek.size() && (istek[bas] == ' ' || istek[bas] == '\t'))
                ++bas;
            std::size_t const son = istek.find("\r\n", bas);
            return std::string(istek.substr(bas, son == std::string_view::npos ? son : son - bas));
        }
        i = istek.find('\n', i);
        if (i == std::string_view::npos)
            return {};
        ++i;
    }
}

std::string elSikismaAnahtari(std::string_view anahtar) {
    std::string girdi(anahtar);
    girdi += WS_GUID;
    Sha1Ozeti const ozet = sha1(girdi.data(), girdi.size());
    return base64(ozet.data(), ozet.size());
}

IstekYaniti istegiYanitla(std::string_view istek) {
    IstekYaniti y;
    std::size_t const bos = istek.find("\r\n\r\n");
    y.istekSonu = bos == std::string_view::npos ? istek.size() : bos + 4;
    std::string const anahtar = basligiAl(istek, "sec-websocket-key:");
    if (anahtar.empty()) {
        std::string const govde = TANITIM_GOVDESI;
        y.metin = "HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
                  "Content-Length: " +
                  std::to_string(govde.size()) + "\r\n\r\n" + govde;
        return y;
    }
    y.webSocket = true;
    y.metin = "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Accept: " +
              elSikismaAnahtari(anahtar) + "\r\n\r\n";
    return y;
}

std::string metinCercevesi(std::string_view metin) {
    std::string cikis;
    cerceveEkle(cikis, 1, metin);
    return cikis;
}

void ikiliCerceve(std::string& cikis, std::uint32_t no, double zaman, std::uint16_t kanal, std::uint16_t kare,
                  float const* veri) {
    std::size_t const ornek = std::size_t(kanal) * kare;
    std::size_t const yuk = 16 + 4 * ornek;
    basligaUzunlukYaz(cikis, 0x82, yuk);
    std::size_t const bas = cikis.size();
    cikis.resize(bas + yuk);
    char* p = &cikis[bas];
    std::uint64_t zamanBitleri;
    std::memcpy(&zamanBitleri, &zaman, sizeof zaman);
    leYaz(p, no);
    leYaz(p + 4, zamanBitleri);
    leYaz(p + 12, kanal);
    leYaz(p + 14, kare);
    p += 16;
    if constexpr (__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) {
        if (ornek)
            std::memcpy(p, veri, 4 * ornek);
    } else {
        for (std::size_t i = 0; i < ornek; ++i) {
            std::uint32_t bitler;
            std::memcpy(&bitler, veri + i, 4);
            leYaz(p + 4 * i, bitler);
        }
    }
}

std::optional<bool> susturDegeri(std::string_view yuk) {
    constexpr std::string_view ANAHTAR = "\"sustur\"";
    std::size_t const konum = yuk.find(ANAHTAR);
    if (konum == std::string_view::npos)
        return std::nullopt;
    std::size_t i = konum + ANAHTAR.size();
    while (i < yuk.size() && bosluk(yuk[i]))
        ++i;
    if (i < yuk.size() && yuk[i] == ':') {
        ++i;
        while (i < yuk.size() && bosluk(yuk[i]))
            ++i;
        if (yuk.substr(i, 5) == "false")
            return false; // a literal true is found below like any other
    }
    return yuk.find("true") != std::string_view::npos;
}

KomutSonucu komutuIsle(std::string& tampon, std::function<void(bool)> const& sustur, std::string& yanit) {
    std::size_t bas = 0; // start of the next unparsed frame
    KomutSonucu sonuc = KomutSonucu::Bekle;
    for (;;) {
        std::size_t const kalan = tampon.size() - bas;
        if (kalan < 2)
            break;
        auto const* b = reinterpret_cast<unsigned char const*>(tampon.data() + bas);
        unsigned const opkod = b[0] & 0x0F;
        bool const maskeli = (b[1] & 0x80) != 0;
        std::size_t uzunluk = b[1] & 0x7F;
        std::size_t baslik = 2;
        if (uzunluk == 127) {
            sonuc = KomutSonucu::Hata;
            break;
        }
        if (uzunluk == 126) {
            if (kalan < 4)
                break;
            uzunluk = (std::size_t(b[2]) << 8) | b[3];
            baslik = 4;
        }
        if (maskeli)
            baslik += 4;
        // Control frames are whole and at most 125 bytes; answering a larger
        // ping would send a pong that clients refuse.
        if (baslik + uzunluk > GIRDI_SINIRI || (opkod >= 8 && (uzunluk > 125 || !(b[0] & 0x80)))) {
            sonuc = KomutSonucu::Hata;
            break;
        }
        if (kalan < baslik + uzunluk)
            break;
        bas += baslik + uzunluk;
        if (opkod != 1 && opkod != 8 && opkod != 9)
            continue; // continuation, binary, pong: ignored
        std::string yuk(reinterpret_cast<char const*>(b + baslik), uzunluk);
        if (maskeli)
            for (std::size_t i = 0; i < yuk.size(); ++i)
                yuk[i] = char(yuk[i] ^ b[baslik - 4 + (i & 3)]);
        if (opkod == 9) {
            cerceveEkle(yanit, 0xA, yuk);
        } else if (opkod == 8) {
            // The answer carries the status code only; a reason is optional.
            // A code that must never be on the wire, or a lone byte, is a
            // protocol error: answered with 1002, never echoed.
            unsigned const kod =
                yuk.size() >= 2 ? unsigned(std::uint8_t(yuk[0])) << 8 | std::uint8_t(yuk[1]) : 0;
            if (yuk.size() == 1 || (yuk.size() >= 2 && !kapanisKoduGecerli(kod)))
                cerceveEkle(yanit, 8, "\x03\xEA"); // 1002
            else
                cerceveEkle(yanit, 8, std::string_view(yuk).substr(0, yuk.size() >= 2 ? 2 : 0));
            sonuc = KomutSonucu::Kapat;
            break;
        } else if (std::optional<bool> const deger = susturDegeri(yuk); deger && sustur) {
            sustur(*deger);
        }
    }
    tampon.erase(0, bas);
    return sonuc;
}

} // namespace oka
