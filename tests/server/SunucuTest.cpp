// The server over real sockets on 127.0.0.1, on test ports, with a raw client.

#include "SunucuAraclari.h"

#include <functional>
#include <gtest/gtest.h>
#include <thread>

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
    // Upgrades (split after `bolum` bytes) and checks the answer and the hello.
    void baglan(HamIstemci& istemci, std::size_t bolum = 0) {
        EXPECT_EQ(istemci.elSikis(bolum),
                  "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: "
                  "Upgrade\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n");
        EXPECT_EQ(istemci.cerceve(0x81).value_or(Cerceve{}).yuk, t->merhaba(KAPI));
    }
    // Destroys `s`'s server: promptly, closing the client, lifting the mute,
    // logging `soketSatiri` before `sonraki` and ending once the thread ended.
    void yik(TestSunucusu& s, HamIstemci* istemci, std::string const& soketSatiri,
             std::string const& sonraki) {
        auto const bas = std::chrono::steady_clock::now();
        s.sunucu.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - bas, 1s);
        EXPECT_TRUE(!istemci || istemci->kapandi(1s));
        std::string satirlar;
        for (auto const& satir : olay.ornegin(s.ornek))
            satirlar += satir + "\n";
        EXPECT_LT(satirlar.find(soketSatiri), satirlar.find(sonraki)) << satirlar;
        EXPECT_TRUE(satirlar.find("dinleme durdu\n") != std::string::npos && // the thread's line: any time
                    satirlar.rfind("is parcacigi bitti\n") + 19 == satirlar.size())
            << satirlar;
        EXPECT_EQ(s.susturGecmisi().back(), false) << "mute lifted at shutdown";
    }
    OlaySatirlari olay;
    std::optional<TestSunucusu> t;
};

TEST_F(SunucuSoket, SplitUpgradeGetsItsAnswerAndAudioIsNumberedAcrossConnections) {
    baslat();
    std::vector<float> const blok{0.5f, -0.25f, 1.0f};
    for (int i = 0; i < 5; ++i) // blocks from before the connection never reach the app
        t->sunucu->halka.yaz(blok.data(), nullptr, 1, 3, 1.0);
    for (std::uint32_t no = 0; no < 2; ++no) {
        HamIstemci istemci(KAPI);
        baglan(istemci, no == 0 ? 40 : 0);
        t->blokYaz(blok, 1, 3, 4800.0);
        SesBasligi const s = sesBasligi(istemci.cerceve(0x82).value_or(Cerceve{}).yuk);
        EXPECT_EQ(std::tie(s.no, s.zaman, s.kare), std::make_tuple(no, 4800.0, std::uint16_t(3)));
        istemci.kapat();
        ASSERT_TRUE(olay.bekle("#1 test", " nabiz, 1 ses cercevesi)")); // pulses depend on the pace
        olay.temizle();
    }
}

TEST_F(SunucuSoket, PingGetsItsPongAndCloseItsCloseAndTheMuteEnds) {
    baslat();
    HamIstemci istemci(KAPI);
    baglan(istemci);
    for (char c : SUSTUR) { // a byte at a time: each read may bring one
        ASSERT_TRUE(istemci.gonder(std::string(1, c)));
        std::this_thread::sleep_for(5ms);
    }
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(9, "canli?")));
    EXPECT_EQ(istemci.cerceve(0x8A).value_or(Cerceve{}).yuk, "canli?");
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(8, "\x03\xE8")));
    EXPECT_EQ(istemci.cerceve(0x88).value_or(Cerceve{}).yuk, "\x03\xE8");
    EXPECT_TRUE(istemci.kapandi());
    EXPECT_TRUE(olay.bekle("#1 test", "baglanti koptu → SUSTURMA KALKTI"));
    EXPECT_EQ(t->susturGecmisi(), (std::vector<bool>{true, false}));
}

// One client at a time: a silent one until the request time limit, a
// connected one until it leaves.
TEST_F(SunucuSoket, ClientsAreServedOneAtATimeAndASilentOneOnlyUntilTheLimit) {
    auto ayar = testAyarlari();
    ayar.istekSuresi = 500ms;
    baslat(ayar);
    HamIstemci sessiz(KAPI), baglanan(KAPI), sonraki(KAPI);
    EXPECT_TRUE(sessiz.kapandi(2s));
    baglan(baglanan);
    ASSERT_TRUE(sonraki.gonder("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    EXPECT_EQ(sonraki.oku(1, 300ms), "");
    baglanan.kapat();
    EXPECT_EQ(sonraki.oku(200),
              "HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
              "Content-Length: 17\r\n\r\nOKA-KOPRU-EKLENTI");
}

TEST_F(SunucuSoket, ClientThatMutesAndStopsReadingIsEndedAndTheMuteLifted) {
    auto ayar = testAyarlari();
    ayar.takilmaSuresi = 1s;
    baslat(ayar);
    HamIstemci istemci(KAPI);
    baglan(istemci);
    ASSERT_TRUE(istemci.gonder(SUSTUR));
    uret(*t, [&] { return olay.say("#1 test", "istemci 1 sn okumadi — baglanti kapatiliyor") > 0; });
    EXPECT_TRUE(olay.bekle("#1 test", "baglanti koptu → SUSTURMA KALKTI", 1s));
    EXPECT_EQ(t->susturGecmisi(), (std::vector<bool>{true, false}));
}

// What waited during the stall reaches the app first; it must be little.
TEST_F(SunucuSoket, AfterAFiveSecondStallLessThanASecondOfOldAudioArrives) {
    baslat();
    HamIstemci istemci(KAPI);
    baglan(istemci);
    auto const son = std::chrono::steady_clock::now() + 5s;
    uret(*t, [&] { return std::chrono::steady_clock::now() > son; });
    double eskiSes = 0;
    while (auto const c = istemci.cerceve(0x82, 300ms))
        eskiSes += sesBasligi(c->yuk).kare / 48000.0;
    EXPECT_GT(eskiSes, 0.0);
    EXPECT_LT(eskiSes, 1.0);
    EXPECT_GT(t->sunucu->gonderilemeyen.load(), 0u);
    t->blokYaz(std::vector<float>(2), 1, 2, 0);
    EXPECT_EQ(sesBasligi(istemci.cerceve(0x82).value_or(Cerceve{}).yuk).kare, 2) << "live audio again";
}

TEST_F(SunucuSoket, FreshHelloTransportDropReportAndPulseReachTheClient) {
    baslat();
    t->sunucu->merhabaTazele("akis bicimi degisti"); // nobody connected: nothing to do
    HamIstemci istemci(KAPI);
    baglan(istemci);
    EXPECT_EQ(olay.say("#1 test", "yeni merhaba"), 0);
    t->sunucu->merhabaTazele("akis bicimi degisti");
    EXPECT_EQ(istemci.cerceve(0x81).value_or(Cerceve{}).yuk, t->merhaba(KAPI));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba gonderilecek (akis bicimi degisti)"));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba GONDERILDI"));
    t->sunucu->tasimaIstegi = true;
    std::string const tasima = "{\"tip\":\"tasima\"," + TestSunucusu::TASIMA + "}";
    EXPECT_EQ(istemci.cerceve(0x81).value_or(Cerceve{}).yuk, tasima);
    EXPECT_TRUE(olay.bekle("#1 test", "tasima GONDERILDI: " + tasima));
    t->sunucu->tampon_dolu += 3;
    EXPECT_TRUE(olay.bekle("#1 test", "atlandi 3 (toplam 3)"));
    EXPECT_EQ(istemci.cerceve(0x81, 2s).value_or(Cerceve{}).yuk,
              "{\"tip\":\"nabiz\",\"ornek\":\"#1 test\",\"no\":1," + TestSunucusu::TASIMA + "}");
    ASSERT_TRUE(istemci.gonder(SUSTUR));
    ASSERT_TRUE(bekleKadar([&] { return !t->susturGecmisi().empty(); }));
    yik(*t, &istemci, "acik istemci baglantisi KAPATILDI (fd ", "dinleyen soket kapatildi");
}

TEST_F(SunucuSoket, SecondMasterWaitsReportsAndTakesThePortWhenFree) {
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
    t.reset();
    ASSERT_TRUE(olay.bekle("#2 test", "DINLIYOR 127.0.0.1:31171 rol=master"));
    EXPECT_EQ(olay.say("#2 test", "yeniden deneme BASARILI ("), 1);
    EXPECT_EQ(olay.say("#2 test", "KANALA"), 1) << "logged once, never moved to a channel port";
}

TEST_F(SunucuSoket, FifthChannelInstanceWaitsForOneOfTheFourChannelPorts) {
    auto ayar = testAyarlari();
    ayar.denemeAdimi = 10;
    std::vector<std::unique_ptr<TestSunucusu>> kanallar;
    for (int i = 0; i < 4; ++i) {
        kanallar.push_back(
            std::make_unique<TestSunucusu>("#" + std::to_string(i + 1) + " test", false, ayar));
        ASSERT_TRUE(kanallar.back()->dinliyor());
        EXPECT_EQ(kanallar.back()->sunucu->kapi.load(), KAPI + 1 + i);
    }
    TestSunucusu besinci("#5 test", false, ayar);
    ASSERT_TRUE(olay.bekle("#5 test", "yeniden deneme basliyor"));
    EXPECT_EQ(olay.ornegin("#5 test").at(0), "kanal kapilarinin (31172-31175) HEPSI DOLU");
    kanallar[1].reset();
    ASSERT_TRUE(olay.bekle("#5 test", "DINLIYOR 127.0.0.1:31173 rol=kanal"));
    EXPECT_EQ(olay.say("HEPSI DOLU"), 1) << "only the fifth, once";
    EXPECT_EQ(olay.say("#5 test", "yeniden deneme BASARILI (1 denemeden sonra)"), 1);
}

TEST_F(SunucuSoket, RoleChangeWhileRetryingCutsTheWaitShortAndDestroyingDoesNotWait) {
    auto ayar = testAyarlari();
    ayar.denemeAdimi = 600; // a minute between attempts: only the role change can end the wait
    baslat(ayar);
    TestSunucusu ikinci("#2 test", true, ayar);
    ASSERT_TRUE(olay.bekle("#2 test", "yeniden deneme basliyor — her 60 sn"));
    ikinci.sunucu->rolGuncelle(false);
    ASSERT_TRUE(olay.bekle("#2 test", "DINLIYOR 127.0.0.1:31172 rol=kanal"));
    EXPECT_EQ(olay.say("#2 test", "ROL DEGISTI: master → kanal — kapi yeniden kurulacak"), 1);
    TestSunucusu ucuncu("#3 test", true, ayar);
    ASSERT_TRUE(olay.bekle("#3 test", "yeniden deneme basliyor"));
    yik(ucuncu, nullptr, "acik istemci baglantisi yoktu", "is parcacigi bitti");
}
