// The wire format without sockets: handshake, frames we send, frames the app sends.

#include "SunucuAraclari.h"
#include "server/Base64.h"
#include "server/WebSocket.h"

#include <gtest/gtest.h>

using namespace oka;

namespace {
std::string bayt(std::initializer_list<int> b) {
    std::string s;
    for (int x : b)
        s += char(x);
    return s;
}
} // namespace

TEST(Tel, Base64AndTheAcceptValueMatchTheStandardExamples) {
    std::pair<std::string, std::string> const durumlar[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foob", "Zm9vYg=="},
        {bayt({0xFB, 0xEF, 0xBE, 0xFF, 0xFF, 0xFF}), "++++////"}};
    for (auto const& [girdi, beklenen] : durumlar)
        EXPECT_EQ(base64(girdi.data(), girdi.size()), beklenen) << girdi;
    EXPECT_EQ(elSikismaAnahtari("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(Tel, HeaderLookupIgnoresCaseOfTheNameAndKeepsTheValueAsSent) {
    std::pair<std::string, std::string> const durumlar[] = {
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key: AbC==\r\nHost: x\r\n\r\n", "AbC=="},
        {"GET / HTTP/1.1\r\nsec-websocket-key:AbC==\r\n\r\n", "AbC=="},
        {"GET / HTTP/1.1\r\nSEC-WEBSOCKET-KEY: \t AbC==  \r\n\r\n", "AbC==  "},
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key: AbC==", "AbC=="}, // no line end: up to the end
        {"Sec-WebSocket-Key: AbC==\r\n", "AbC=="},               // at the very start
        {"GET / HTTP/1.1\r\nHost: x\r\n\r\n", ""},
        {"GET / HTTP/1.1\r\nXec-WebSocket-Key: AbC==\r\n\r\n", ""},
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key:\r\n\r\n", ""},
        {"", ""}};
    for (auto const& [istek, beklenen] : durumlar)
        EXPECT_EQ(basligiAl(istek, "sec-websocket-key:"), beklenen) << istek;
}

TEST(Tel, FramesRightBehindTheUpgradeAreLeftForTheSession) {
    EXPECT_FALSE(istegiYanitla("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").webSocket);
    std::string const istek = "GET / HTTP/1.1\r\nsec-WEBSOCKET-key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    IstekYaniti const ws = istegiYanitla(istek + "\x81\x00");
    EXPECT_TRUE(ws.webSocket);
    EXPECT_EQ(ws.istekSonu, istek.size());
}

TEST(Tel, FramesUseTheShortestLengthFormAndAudioIsLittleEndianAndPlanar) {
    std::pair<std::size_t, std::string> const durumlar[] = {
        {0, bayt({0x81, 0})},
        {125, bayt({0x81, 125})},
        {126, bayt({0x81, 126, 0x00, 126})},
        {65535, bayt({0x81, 126, 0xFF, 0xFF})},
        {65536, bayt({0x81, 127, 0, 0, 0, 0, 0, 1, 0, 0})}};
    for (auto const& [n, baslik] : durumlar)
        EXPECT_EQ(metinCercevesi(std::string(n, 'a')), baslik + std::string(n, 'a')) << n;
    float const stereo[] = {1, 2, 4, -1, -2, -4}; // channel 0's frames, then channel 1's
    std::string ses;
    ikiliCerceve(ses, 0x01020304u, 1234.5, 2, 3, stereo);
    EXPECT_EQ(ses, bayt({0x82, 40,   4, 3, 2,    1,    0,    0,    0, 0,    0, 0x4A, 0x93, 0x40,
                         2,    0,    3, 0, 0,    0,    0x80, 0x3F, 0, 0,    0, 0x40, 0,    0,
                         0x80, 0x40, 0, 0, 0x80, 0xBF, 0,    0,    0, 0xC0, 0, 0,    0x80, 0xC0}));
}

TEST(Tel, MuteValueLiteralDecidesElseTrueAnywhere) {
    std::pair<char const*, std::optional<bool>> const durumlar[] = {
        {R"({"sustur":true})", true},
        {R"({"sustur":false})", false},
        {R"({"sustur" :  true})", true},
        {"{\"sustur\":\n\tfalse}", false},
        {R"({"sustur":false,"x":"true"})", false}, // another key's "true" does not mute
        {R"({"x":"true","sustur":false})", false},
        {R"({"sustur":"true"})", true}, // not a literal: true anywhere, as older app builds send
        {R"({"sustur":1,"not":"true"})", true},
        {R"({"sustur":"evet"})", false},
        {R"({"sustur"})", false},
        {R"({"susturma":true})", std::nullopt},
        {R"({sustur:true})", std::nullopt},
        {"", std::nullopt}};
    for (auto const& [yuk, beklenen] : durumlar)
        EXPECT_EQ(susturDegeri(yuk), beklenen) << yuk;
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
    std::string const dogru = R"({"sustur":true})", evet = istemciCercevesi(1, dogru),
                      hayir = istemciCercevesi(1, R"({"sustur":false})"), uzun(200, 'p');
    using K = KomutSonucu;
    struct {
        char const* ad;
        std::string tampon;
        K sonuc;
        std::vector<bool> komutlar;
        std::string yanit;
        std::size_t kalan;
    } const durumlar[] = {
        {"unmasked", istemciCercevesi(1, dogru, false), K::Bekle, {true}, "", 0},
        {"two in one read", evet + hayir, K::Bekle, {true, false}, "", 0},
        {"pings answered in order",
         istemciCercevesi(9, "p1") + evet + istemciCercevesi(9, uzun, false),
         K::Bekle,
         {true},
         bayt({0x8A, 2}) + "p1" + bayt({0x8A, 126, 0, 200}) + uzun,
         0},
        {"binary and pong ignored",
         istemciCercevesi(2, dogru) + istemciCercevesi(10, dogru),
         K::Bekle,
         {},
         "",
         0},
        {"other text ignored", istemciCercevesi(1, R"({"merhaba":1})"), K::Bekle, {}, "", 0},
        {"close answered with its status, later frames left",
         evet + istemciCercevesi(8, bayt({0x03, 0xE8}) + "bye") + hayir,
         K::Kapat,
         {true},
         bayt({0x88, 2, 0x03, 0xE8}),
         hayir.size()},
        {"unmasked close without status", bayt({0x88, 0}), K::Kapat, {}, bayt({0x88, 0}), 0},
        {"64-bit length", bayt({0x81, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4}), K::Hata, {}, "", 14},
        {"frame larger than the input bound", bayt({0x81, 0xFE, 0xEA, 0x60}), K::Hata, {}, "", 4},
        {"one byte", bayt({0x81}), K::Bekle, {}, "", 1}};
    for (auto const& d : durumlar) {
        std::string tampon = d.tampon;
        Islem const i = isle(tampon);
        EXPECT_EQ(std::tie(i.sonuc, i.komutlar, i.yanit), std::tie(d.sonuc, d.komutlar, d.yanit)) << d.ad;
        EXPECT_EQ(tampon.size(), d.kalan) << d.ad;
    }
}

TEST(Tel, HalfACommandWaitsForTheRestAtEveryCut) {
    std::string const tam = istemciCercevesi(1, std::string(130, ' ') + R"({"sustur":true})");
    for (std::size_t kesim = 0; kesim < tam.size(); ++kesim) {
        std::string tampon = tam.substr(0, kesim);
        Islem const ilk = isle(tampon);
        EXPECT_TRUE(ilk.sonuc == KomutSonucu::Bekle && ilk.komutlar.empty()) << kesim;
        EXPECT_EQ(tampon.size(), kesim) << "nothing consumed at " << kesim;
        tampon += tam.substr(kesim);
        EXPECT_EQ(isle(tampon).komutlar, std::vector<bool>{true}) << kesim;
        EXPECT_TRUE(tampon.empty()) << kesim;
    }
}
