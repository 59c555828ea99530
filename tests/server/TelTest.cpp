// The wire format without sockets: handshake, frames we send, frames the app sends.

#include "SunucuAraclari.h"
#include "server/Base64.h"
#include "server/WebSocket.h"

#include <gtest/gtest.h>

using namespace oka;

namespace {
std::string ikili(std::uint32_t no, double zaman, std::uint16_t kanal, std::uint16_t kare,
                  float const* veri) {
    std::string c;
    ikiliCerceve(c, no, zaman, kanal, kare, veri);
    return c;
}
std::string bayt(std::initializer_list<int> b) {
    std::string s;
    for (int x : b)
        s += char(x);
    return s;
}
} // namespace

TEST(Tel, Base64AndTheAcceptValueMatchTheStandardExamples) {
    std::pair<std::string, std::string> const durumlar[] = {{"", ""},
                                                            {"f", "Zg=="},
                                                            {"fo", "Zm8="},
                                                            {"foo", "Zm9v"},
                                                            {"foob", "Zm9vYg=="},
                                                            {bayt({0xFB, 0xEF, 0xBE}), "++++"},
                                                            {bayt({0xFF, 0xFF, 0xFF}), "////"}};
    for (auto const& [girdi, beklenen] : durumlar)
        EXPECT_EQ(base64(girdi.data(), girdi.size()), beklenen) << girdi;
    EXPECT_EQ(elSikismaAnahtari("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(Tel, HeaderLookupIgnoresCaseOfTheNameAndKeepsTheValueAsSent) {
    struct {
        std::string istek, beklenen;
    } const durumlar[] = {
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key: AbC==\r\nHost: x\r\n\r\n", "AbC=="},
        {"GET / HTTP/1.1\r\nsec-websocket-key:AbC==\r\n\r\n", "AbC=="},
        {"GET / HTTP/1.1\r\nSEC-WEBSOCKET-KEY: \t AbC==  \r\n\r\n", "AbC==  "},
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key: AbC==", "AbC=="}, // no line end: up to the end
        {"Sec-WebSocket-Key: AbC==\r\n", "AbC=="},               // at the very start
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", ""},
        {"GET / HTTP/1.1\r\nXec-WebSocket-Key: AbC==\r\n\r\n", ""},
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key:\r\n\r\n", ""},
        {"", ""},
    };
    for (auto const& d : durumlar)
        EXPECT_EQ(basligiAl(d.istek, "sec-websocket-key:"), d.beklenen) << d.istek;
}

TEST(Tel, FramesRightBehindTheUpgradeAreLeftForTheSession) {
    EXPECT_FALSE(istegiYanitla("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").webSocket);
    std::string const istek = "GET / HTTP/1.1\r\nsec-WEBSOCKET-key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    IstekYaniti const ws = istegiYanitla(istek + "\x81\x00");
    EXPECT_TRUE(ws.webSocket);
    EXPECT_EQ(ws.istekSonu, istek.size());
}

TEST(Tel, FramesUseTheShortestLengthForm) {
    struct {
        std::size_t n;
        std::string baslik;
    } const durumlar[] = {
        {0, bayt({0x81, 0})},
        {125, bayt({0x81, 125})},
        {126, bayt({0x81, 126, 0x00, 126})},
        {65535, bayt({0x81, 126, 0xFF, 0xFF})},
        {65536, bayt({0x81, 127, 0, 0, 0, 0, 0, 1, 0, 0})},
    };
    for (auto const& d : durumlar) {
        std::string const metin(d.n, 'a');
        EXPECT_EQ(metinCercevesi(metin), d.baslik + metin) << d.n;
    }
    std::vector<float> sifir(8192);
    struct {
        std::uint16_t kanal, kare;
        std::size_t baslik;
    } const sesler[] = {{1, 27, 2}, {1, 28, 4}, {1, 31, 4}, {2, 4096, 4}, {1, 0, 2}};
    for (auto const& u : sesler)
        EXPECT_EQ(ikili(0, 0, u.kanal, u.kare, sifir.data()).size(), u.baslik + 16 + 4u * u.kanal * u.kare)
            << u.kanal << "x" << u.kare;
}

TEST(Tel, AudioFrameIsLittleEndianAndPlanar) {
    float const stereo[] = {1.0f, 2.0f, -1.0f, -2.0f}; // channel 0's frames, then channel 1's
    EXPECT_EQ(ikili(0x01020304u, 1234.5, 2, 2, stereo),
              bayt({0x82, 32, 0x04, 0x03, 0x02, 0x01, 0, 0, 0,    0, 0, 0x4A, 0x93, 0x40, 2, 0, 2,
                    0,    0,  0,    0x80, 0x3F, 0,    0, 0, 0x40, 0, 0, 0x80, 0xBF, 0,    0, 0, 0xC0}));
}

TEST(Tel, MuteValueLiteralDecidesElseTrueAnywhere) {
    struct {
        char const* yuk;
        std::optional<bool> beklenen;
    } const durumlar[] = {
        {R"({"sustur":true})", true},
        {R"({"sustur":false})", false},
        {R"({"sustur" :  true})", true},
        {"{\"sustur\":\n\tfalse}", false},
        {R"({"sustur":false,"x":"true"})", false}, // another key's "true" no longer mutes
        {R"({"x":"true","sustur":false})", false},
        {R"({"sustur":"true"})", true}, // not a literal: true anywhere, as before
        {R"({"sustur":1,"not":"true"})", true},
        {R"({"sustur":"evet"})", false},
        {R"({"sustur"})", false},
        {R"({"susturma":true})", std::nullopt},
        {R"({sustur:true})", std::nullopt},
        {"", std::nullopt},
    };
    for (auto const& d : durumlar)
        EXPECT_EQ(susturDegeri(d.yuk), d.beklenen) << d.yuk;
}

namespace {
struct Islem {
    KomutSonucu sonuc;
    std::vector<bool> komutlar;
    std::string yanit;
};
Islem isle(std::string& tampon) {
    Islem i;
    i.sonuc = komutuIsle(
        tampon, [&](bool d) { i.komutlar.push_back(d); }, i.yanit);
    return i;
}
} // namespace

TEST(Tel, AppFramesAreHandledInOrderAndControlFramesAnswered) {
    std::string const dogru = R"({"sustur":true})", yanlis = R"({"sustur":false})";
    std::string const uzunPing(200, 'p');
    struct {
        char const* ad;
        std::string tampon;
        KomutSonucu sonuc;
        std::vector<bool> komutlar;
        std::string yanit;
        std::size_t kalan;
    } const durumlar[] = {
        {"masked", istemciCercevesi(1, dogru, true), KomutSonucu::Bekle, {true}, "", 0},
        {"unmasked", istemciCercevesi(1, dogru, false), KomutSonucu::Bekle, {true}, "", 0},
        {"two in one read",
         istemciCercevesi(1, dogru, true) + istemciCercevesi(1, yanlis, true),
         KomutSonucu::Bekle,
         {true, false},
         "",
         0},
        {"pings answered in order",
         istemciCercevesi(9, "p1", true) + istemciCercevesi(1, dogru, true) +
             istemciCercevesi(9, uzunPing, false),
         KomutSonucu::Bekle,
         {true},
         bayt({0x8A, 2}) + "p1" + bayt({0x8A, 126, 0, 200}) + uzunPing,
         0},
        {"binary and pong ignored",
         istemciCercevesi(2, dogru, true) + istemciCercevesi(10, "", true),
         KomutSonucu::Bekle,
         {},
         "",
         0},
        {"other text ignored", istemciCercevesi(1, R"({"merhaba":1})", true), KomutSonucu::Bekle, {}, "", 0},
        {"close answered with its status, later frames left",
         istemciCercevesi(1, dogru, true) + istemciCercevesi(8, bayt({0x03, 0xE8}) + "bye", true) +
             istemciCercevesi(1, yanlis, true),
         KomutSonucu::Kapat,
         {true},
         bayt({0x88, 2, 0x03, 0xE8}),
         istemciCercevesi(1, yanlis, true).size()},
        {"unmasked close without status", bayt({0x88, 0}), KomutSonucu::Kapat, {}, bayt({0x88, 0}), 0},
        {"64-bit length",
         bayt({0x81, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4}),
         KomutSonucu::Hata,
         {},
         "",
         14},
        {"frame larger than the input bound", bayt({0x81, 0xFE, 0xEA, 0x60}), KomutSonucu::Hata, {}, "", 4},
        {"one byte", bayt({0x81}), KomutSonucu::Bekle, {}, "", 1},
    };
    for (auto const& d : durumlar) {
        std::string tampon = d.tampon;
        Islem const i = isle(tampon);
        EXPECT_EQ(i.sonuc, d.sonuc) << d.ad;
        EXPECT_EQ(i.komutlar, d.komutlar) << d.ad;
        EXPECT_EQ(i.yanit, d.yanit) << d.ad;
        EXPECT_EQ(tampon.size(), d.kalan) << d.ad;
    }
}

TEST(Tel, HalfACommandWaitsForTheRestAtEveryCut) {
    std::string const tam = istemciCercevesi(1, std::string(130, ' ') + R"({"sustur":true})", true);
    for (std::size_t kesim = 0; kesim < tam.size(); ++kesim) {
        std::string tampon = tam.substr(0, kesim);
        Islem const ilk = isle(tampon);
        EXPECT_EQ(ilk.sonuc, KomutSonucu::Bekle) << kesim;
        EXPECT_TRUE(ilk.komutlar.empty()) << kesim;
        EXPECT_EQ(tampon.size(), kesim) << "nothing consumed at " << kesim;
        tampon += tam.substr(kesim);
        Islem const ikinci = isle(tampon);
        EXPECT_EQ(ikinci.komutlar, std::vector<bool>{true}) << kesim;
        EXPECT_TRUE(tampon.empty()) << kesim;
    }
}
