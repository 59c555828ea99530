// The server over real sockets on 127.0.0.1, on test ports, with a raw client.

#include "SunucuAraclari.h"

#include <functional>
#include <gtest/gtest.h>

using namespace oka;

namespace {

constexpr int KAPI = 31171;
std::string const SUSTUR = istemciCercevesi(1, R"({"sustur":true})");

// Feeds 48 kHz stereo blocks of 512 frames in real time until `yeter` holds (10 s at most).
void uret(TestSunucusu& t, std::function<bool()> const& yeter) {
    std::vector<float> blok(1024, 0.25f);
    auto const son = std::chrono::steady_clock::now() + 10s;
    for (; !yeter() && std::chrono::steady_clock::now() < son; std::this_thread::sleep_for(10667us))
        t.blokYaz(blok, 2, 512, 0);
}

} // namespace

class SunucuSoket : public ::testing::Test {
    KapiKilidi kilit_{"oka-test-kapilari"};

protected:
    // "#1 test", a master listening on the test port.
    void baslat(SunucuAyarlari ayar = testAyarlari()) {
        t.emplace("#1 test", true, ayar);
        ASSERT_TRUE(t->dinliyor());
    }
    // Upgrades (the request split after `bolum` bytes) and checks the hello.
    void baglan(HamIstemci& istemci, std::size_t bolum = 0) {
        EXPECT_TRUE(istemci.elSikis(bolum));
        EXPECT_EQ(istemci.cerceve(0x81), "merhaba 31171");
    }
    // Destroys `s`'s server promptly, with `istemciSatiri` about the client
    // socket, and lifts the mute.
    void yik(TestSunucusu& s, std::string const& istemciSatiri) {
        auto const bas = std::chrono::steady_clock::now();
        s.sunucu.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - bas, 1s);
        EXPECT_EQ(olay.say(s.ornek, istemciSatiri), 1);
        EXPECT_FALSE(s.susturGecmisi().empty() || s.susturGecmisi().back()) << "mute lifted at shutdown";
    }
    OlaySatirlari olay;
    std::optional<TestSunucusu> t;
};

// One client at a time, until it closes or stops reading. Pending requests are
// judged side by side, each within its time limit: idle sockets hold a client
// back for no time, past the bound the oldest goes, a silent one at its limit.
TEST_F(SunucuSoket, ClientsAreServedOneAtATimeAndAudioIsNumberedAcrossConnections) {
    auto ayar = testAyarlari();
    ayar.istekSuresi = 1s;
    ayar.takilmaSuresi = 1s;
    baslat(ayar);
    std::vector<float> const blok{0.5f, -0.25f, 1.0f};
    t->sunucu->halka.yaz(blok.data(), nullptr, 1, 3, 1.0); // from before the connection: never sent
    std::vector<std::unique_ptr<HamIstemci>> bos;
    for (int i = 0; i < 70; ++i)
        bos.push_back(std::make_unique<HamIstemci>(KAPI));
    HamIstemci{KAPI}; // leaves before its request
    auto const bas = std::chrono::steady_clock::now();
    HamIstemci ilk(KAPI), sonraki(KAPI);
    baglan(ilk, 40);
    EXPECT_LT(std::chrono::steady_clock::now() - bas, 1s) << "within one time limit";
    EXPECT_TRUE(bos.front()->kapandi(100ms));
    t->blokYaz(blok, 1, 3, 4800.0);
    auto const ses = ilk.cerceve(0x82);
    EXPECT_EQ(std::make_pair(sesAlani<std::uint32_t>(ses, 0), sesAlani<double>(ses, 4)),
              std::make_pair(0u, 4800.0));
    for (char c : SUSTUR) { // a byte at a time: each read may bring one
        ASSERT_TRUE(ilk.gonder(std::string(1, c)));
        std::this_thread::sleep_for(5ms);
    }
    // What a page on any site may post: its body is never taken for a key or frames.
    ASSERT_TRUE(sonraki.gonder("POST / HTTP/1.1\r\nContent-Type: text/plain\r\n\r\nSec-WebSocket-Key: "
                               "dGhlIHNhbXBsZSBub25jZQ==\r\n\r\n" +
                               SUSTUR));
    EXPECT_FALSE(sonraki.kapandi(300ms)) << "answered while another client was connected";
    ASSERT_TRUE(ilk.gonder(istemciCercevesi(8, "\x03\xE8")));
    EXPECT_EQ(ilk.cerceve(0x88), "\x03\xE8");
    EXPECT_TRUE(ilk.kapandi() && sonraki.kapandi());
    EXPECT_TRUE(olay.bekle("#1 test", "HTTP istegi yanitlandi"));
    HamIstemci son(KAPI);
    baglan(son);
    t->blokYaz(blok, 1, 3, 0);
    EXPECT_EQ(sesAlani<std::uint32_t>(son.cerceve(0x82), 0), 1u);
    ASSERT_TRUE(son.gonder(SUSTUR)); // and stops reading
    uret(*t, [&] { return olay.say("#1 test", "istemci 1 sn okumadi — baglanti kapatiliyor") > 0; });
    EXPECT_TRUE(son.kapandi());
    EXPECT_EQ(t->susturGecmisi(), (std::vector<bool>{true, false, true, false}));
    EXPECT_TRUE(bos.back()->kapandi(1500ms));
    yik(*t, "acik istemci baglantisi yoktu");
}

// After a stall, what waited reaches the app first; it must be little.
TEST_F(SunucuSoket, TheSessionSendsFreshHelloTransportReportsPulsesAndAfterAStallLittleOldAudio) {
    baslat();
    t->sunucu->merhabaTazele("akis bicimi degisti"); // nobody connected: nothing to do
    HamIstemci istemci(KAPI);
    baglan(istemci);
    t->sunucu->merhabaTazele("akis bicimi degisti");
    EXPECT_EQ(istemci.cerceve(0x81), "merhaba 31171");
    EXPECT_EQ(olay.say("#1 test", "yeni merhaba gonderilecek (akis bicimi degisti)"), 1);
    t->sunucu->tasimaIstegi = true;
    EXPECT_EQ(istemci.cerceve(0x81), "tasima");
    t->sunucu->tampon_dolu += 3;
    EXPECT_TRUE(olay.bekle("#1 test", "atlandi 3 (toplam 3)"));
    EXPECT_EQ(istemci.cerceve(0x81, 2s), "nabiz 1");
    ASSERT_TRUE(istemci.gonder(SUSTUR));
    auto const son = std::chrono::steady_clock::now() + 5s;
    uret(*t, [&] { return std::chrono::steady_clock::now() > son; });
    double eskiSes = 0;
    while (auto const c = istemci.cerceve(0x82, 300ms))
        eskiSes += sesAlani<std::uint16_t>(c, 14) / 48000.0;
    EXPECT_TRUE(eskiSes > 0 && eskiSes < 1.0 && t->sunucu->gonderilemeyen.load() > 0) << eskiSes;
    t->blokYaz(std::vector<float>(2), 1, 2, 0);
    EXPECT_EQ(sesAlani<std::uint16_t>(istemci.cerceve(0x82), 14), 2) << "live audio again";
    yik(*t, "acik istemci baglantisi KAPATILDI (fd ");
    EXPECT_TRUE(istemci.kapandi(1s));
}

// A second master never moves to a channel port: it waits for its own, and
// only a role change or its end cuts the wait short. A channel takes the first
// free channel port; a fifth waits for one.
TEST_F(SunucuSoket, InstancesWaitForAPortOfTheirRole) {
    HataSatirlari hata;
    auto ayar = testAyarlari();
    ayar.adim = 20ms;
    ayar.denemeAdimi = 5;
    ayar.raporAraligi = 300ms;
    baslat(ayar);
    TestSunucusu ikinci("#2 test", true, ayar);
    ASSERT_TRUE(bekleKadar([&] { return olay.say("#2 test", "hala dinlenemiyor — ") >= 2; }));
    auto const satirlar = olay.ornegin("#2 test");
    EXPECT_EQ(
        std::vector<std::string>(satirlar.begin(), satirlar.begin() + 3),
        (std::vector<std::string>{"→ port 31171 DOLU (baska ornek ya da program). Ses aynen geciyor.",
                                  "ikinci master — 31171 dolu, KANALA KAYMIYOR, master kapisinda bekleniyor",
                                  "yeniden deneme basliyor — her 0.1 sn, ses AYNEN geciyor"}));
    EXPECT_EQ(hata.hepsi(),
              std::vector<std::string>{"HATA [#2 test] bind() errno=98 (Address already in use)"});
    ayar.denemeAdimi = 600; // 12 s between attempts
    TestSunucusu ucuncu("#3 test", true, ayar), dorduncu("#4 test", true, ayar);
    ASSERT_TRUE(olay.bekle("#3 test", "yeniden deneme basliyor — her 12 sn"));
    ASSERT_TRUE(olay.bekle("#4 test", "yeniden deneme basliyor"));
    ucuncu.sunucu->rolGuncelle(false);
    ASSERT_TRUE(olay.bekle("#3 test", "DINLIYOR 127.0.0.1:31172 rol=kanal", 5s));
    EXPECT_EQ(olay.say("#3 test", "ROL DEGISTI: master → kanal — kapi yeniden kurulacak"), 1);
    yik(dorduncu, "acik istemci baglantisi yoktu");
    ayar.denemeAdimi = 50;
    std::vector<std::unique_ptr<TestSunucusu>> kanallar;
    for (int i = 6; i < 9; ++i) {
        kanallar.push_back(std::make_unique<TestSunucusu>("#" + std::to_string(i) + " test", false, ayar));
        ASSERT_TRUE(kanallar.back()->dinliyor());
        EXPECT_EQ(kanallar.back()->sunucu->kapi.load(), KAPI + i - 4);
    }
    TestSunucusu besinci("#5 test", false, ayar);
    ASSERT_TRUE(olay.bekle("#5 test", "yeniden deneme basliyor"));
    EXPECT_EQ(olay.ornegin("#5 test").at(0), "kanal kapilarinin (31172-31175) HEPSI DOLU");
    std::this_thread::sleep_for(300ms); // well within the second between two attempts
    kanallar[1].reset();
    t.reset();
    ASSERT_TRUE(olay.bekle("#5 test", "DINLIYOR 127.0.0.1:31174 rol=kanal"));
    ASSERT_TRUE(olay.bekle("#2 test", "DINLIYOR 127.0.0.1:31171 rol=master"));
    EXPECT_EQ(std::make_pair(olay.say("HEPSI DOLU"), olay.say("#2 test", "KANALA")), std::make_pair(1, 1))
        << "logged once, by the instance that waits";
    EXPECT_EQ(olay.say("yeniden deneme BASARILI ("), 2);
    EXPECT_EQ(olay.say("#5 test", "BASARILI (1 denemeden sonra)"), 1);
}
