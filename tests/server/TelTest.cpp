// The wire format without sockets: handshake, frames we send, frames the app sends.

#include "SunucuAraclari.h"
#include "server/Base64.h"
#include "server/WebSocket.h"

#include <gtest/gtest.h>

using namespace oka;

namespace {
std::string bayt(std::initializer_list<int> b) {
    return std::string(b.begin(), b.end());
}
} // namespace

TEST(Tel, TheHandshakeFindsTheKeyWhateverItsCaseAnswersItAndLeavesFramesBehindTheRequest) {
    EXPECT_EQ(base64("", 0) + "|" + base64("f", 1) + "|" + base64("fo", 2) + "|" + base64("foob", 4),
              "|Zg==|Zm8=|Zm9vYg==");
    EXPECT_EQ(base64("\xFB\xEF\xBE\xFF\xFF\xFF", 6), "++++////");
    EXPECT_EQ(elSikismaAnahtari("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
    std::pair<std::string, std::string> const durumlar[] = {
        {"GET / HTTP/1.1\r\nsec-websocket-key:AbC==\r\n\r\n", "AbC=="},
        {"GET / HTTP/1.1\r\nSEC-WEBSOCKET-KEY: \t AbC==  \r\nHost: x\r\n\r\n", "AbC==  "},
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key: AbC==", "AbC=="},      // no line end: up to the end
        {"Sec-WebSocket-Key: AbC==\r\n", "AbC=="},                    // at the very start
        {"GET / HTTP/1.1\r\nX-Sec-WebSocket-Key: AbC==\r\n\r\n", ""}, // not at a line start
        {"GET / HTTP/1.1\r\nSec-WebSocket-Key:\r\n\r\n", ""}};
    for (auto const& [istek, beklenen] : durumlar)
        EXPECT_EQ(basligiAl(istek, "sec-websocket-key:"), beklenen) << istek;
    EXPECT_FALSE(istegiYanitla("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n").webSocket);
    std::string const istek = "GET / HTTP/1.1\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n";
    IstekYaniti const ws = istegiYanitla(istek + "\x81");
    EXPECT_EQ(std::make_pair(ws.webSocket, ws.istekSonu), std::make_pair(true, istek.size()));
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
        {R"({"sustur" :  true})", true},
        {"{\"sustur\":\n\tfalse}", false},
        {R"({"sustur":false,"x":"true"})", false}, // another key's "true" does not mute
        {R"({"x":"true","sustur":false})", false},
        {R"({"sustur":"true"})", true}, // not a literal: true anywhere, as older app builds send
        {R"({"sustur":"evet"})", false},
        {R"({"sustur"})", false},
        {R"({"susturma":true})", std::nullopt}};
    for (auto const& [yuk, beklenen] : durumlar)
        EXPECT_EQ(susturDegeri(yuk), beklenen) << yuk;
}

namespace {
// Handles `tampon` and returns the outcome, the mute commands and the answers.
std::tuple<KomutSonucu, std::vector<bool>, std::string> isle(std::string& tampon) {
    std::vector<bool> komutlar;
    std::string yanit;
    KomutSonucu const sonuc = komutuIsle(
        tampon, [&](bool d) { komutlar.push_back(d); }, yanit);
    return {sonuc, komutlar, yanit};
}
} // namespace

TEST(Tel, AppFramesAreHandledInOrderAndControlFramesAnswered) {
    std::string const evet = istemciCercevesi(1, R"({"sustur":true})"), uzun(200, 'p'),
                      hayir = istemciCercevesi(1, R"({"sustur":false})"), ping = istemciCercevesi(9, "p1"),
                      kapat = istemciCercevesi(8, bayt({0x03, 0xE8}) + "bye");
    using K = KomutSonucu;
    struct {
        std::string tampon;
        std::tuple<K, std::vector<bool>, std::string> beklenen;
        std::size_t kalan;
    } const durumlar[] = {
        {bayt({0x81, 15}) + R"({"sustur":true})", {K::Bekle, {true}, ""}, 0}, // unmasked
        {ping + evet + istemciCercevesi(2, hayir) + istemciCercevesi(10, hayir) +
             istemciCercevesi(1, R"({"merhaba":1})") + hayir + bayt({0x89, 126, 0, 200}) +
             uzun, // binary, pong and other text ignored; a ping over 125 bytes ends the session
         {K::Hata, {true, false}, bayt({0x8A, 2}) + "p1"},
         4 + uzun.size()},
        {bayt({0x09, 0}), {K::Hata, {}, ""}, 2}, // a control frame in pieces
        {evet + kapat + hayir, {K::Kapat, {true}, bayt({0x88, 2, 0x03, 0xE8})}, hayir.size()},
        {bayt({0x88, 0}), {K::Kapat, {}, bayt({0x88, 0})}, 0},
        {bayt({0x81, 0xFF, 0, 0, 0, 0, 0, 0, 0, 1, 1, 2, 3, 4}), {K::Hata, {}, ""}, 14}, // 64-bit length
        {bayt({0x81, 0xFE, 0xEA, 0x60}), {K::Hata, {}, ""}, 4}, // larger than the input bound
        {bayt({0x81}), {K::Bekle, {}, ""}, 1}};
    for (auto const& d : durumlar) {
        std::string tampon = d.tampon;
        EXPECT_EQ(isle(tampon), d.beklenen) << d.tampon;
        EXPECT_EQ(tampon, d.tampon.substr(d.tampon.size() - d.kalan));
    }
    // A close code that may be sent is echoed; a reserved or invalid one, or a lone byte, gets 1002.
    std::pair<std::vector<int>, bool> const kodlar[] = {
        {{1003, 1007, 1014, 3000, 4999}, true},
        {{1004, 1005, 1006, 1015, 0, 999, 1016, 2999, 5000, -1}, false}};
    for (auto const& [liste, gecerli] : kodlar)
        for (int kod : liste) {
            std::string tampon = istemciCercevesi(8, kod < 0 ? "\x03" : bayt({kod >> 8, kod & 0xFF}));
            int const yanit = gecerli ? kod : 1002;
            EXPECT_EQ(std::get<2>(isle(tampon)), bayt({0x88, 2, yanit >> 8, yanit & 0xFF})) << kod;
        }
}

TEST(Tel, HalfACommandWaitsForTheRestAtEveryCut) {
    std::string const tam = istemciCercevesi(1, std::string(130, ' ') + R"({"sustur":true})");
    for (std::size_t kesim = 0; kesim < tam.size(); ++kesim) {
        std::string tampon = tam.substr(0, kesim);
        auto const yarim = isle(tampon);
        EXPECT_EQ(yarim, std::make_tuple(KomutSonucu::Bekle, std::vector<bool>{}, std::string())) << kesim;
        EXPECT_EQ(tampon.size(), kesim) << "nothing consumed";
        tampon += tam.substr(kesim);
        EXPECT_EQ(std::get<1>(isle(tampon)), std::vector<bool>{true}) << kesim;
        EXPECT_TRUE(tampon.empty()) << kesim;
    }
}
