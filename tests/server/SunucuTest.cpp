// The server over real sockets on 127.0.0.1, on test ports, with a raw client.

#include "SunucuAraclari.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace oka;

namespace {

std::string const KOMUT_SUSTUR = R"({"sustur":true})";

// Connects and upgrades; returns the hello frame's text.
std::string merhabaAl(HamIstemci& istemci, std::size_t bolum = 0) {
    EXPECT_EQ(istemci.elSikis(bolum),
              "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: "
              "Upgrade\r\nSec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n");
    auto const merhaba = istemci.cerceve();
    EXPECT_TRUE(merhaba && merhaba->ilk == 0x81);
    return merhaba ? merhaba->yuk : std::string();
}

// Feeds 48 kHz stereo blocks of 512 frames in real time while it lives; each
// block's time is the steady clock in seconds, so a client can tell its age.
class Uretici {
public:
    explicit Uretici(TestSunucusu& t)
        : iplik_([this, &t] {
              std::vector<float> blok(1024, 0.25f);
              while (!dur_) {
                  t.blokYaz(blok, 2, 512, saniye());
                  std::this_thread::sleep_for(std::chrono::microseconds(10667));
              }
          }) {}
    ~Uretici() {
        dur_ = true;
        iplik_.join();
    }
    static double saniye() {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }

private:
    std::atomic<bool> dur_{false};
    std::thread iplik_;
};

} // namespace

class SunucuSoket : public ::testing::Test {
    KapiKilidi kilit_{"oka-test-kapilari"};
};

TEST_F(SunucuSoket, SplitUpgradeGetsItsAnswerAndAudioIsNumberedAcrossConnections) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    std::vector<float> eski(64, 0.5f);
    for (int i = 0; i < 5; ++i) // blocks from before the connection never reach the app
        t.sunucu->halka.yaz(eski.data(), nullptr, 1, 64, 1.0 + i);
    std::vector<float> const mono{0.5f, -0.25f, 1.0f};
    for (std::uint32_t no = 0; no < 2; ++no) {
        HamIstemci istemci(31171);
        EXPECT_EQ(merhabaAl(istemci, no == 0 ? 40 : 0), t.cekirdek.merhaba(31171));
        t.blokYaz(mono, 1, 3, 4800.0);
        auto const c = istemci.cerceveBul(0x82);
        ASSERT_TRUE(c);
        auto const s = sesCozumle(c->yuk);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->no, no);
        EXPECT_EQ(s->zaman, 4800.0);
        EXPECT_EQ(s->ornekler, mono);
        istemci.kapat();
        ASSERT_TRUE(
            olay.bekle("#1 test", "baglanti kapandi (0 nabiz, " + std::to_string(1) + " ses cercevesi)"));
        olay.temizle();
    }
}

TEST_F(SunucuSoket, PingGetsItsPongAndCloseItsCloseAndTheMuteEnds) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171);
    merhabaAl(istemci);
    ASSERT_TRUE(
        istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true) + istemciCercevesi(9, "canli?", true)));
    auto const pong = istemci.cerceveBul(0x8A);
    ASSERT_TRUE(pong);
    EXPECT_EQ(pong->yuk, "canli?");
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(8, "\x03\xE8", true)));
    auto const kapanis = istemci.cerceveBul(0x88);
    ASSERT_TRUE(kapanis);
    EXPECT_EQ(kapanis->yuk, "\x03\xE8");
    EXPECT_TRUE(istemci.kapandi());
    EXPECT_TRUE(olay.bekle("#1 test", "baglanti koptu → SUSTURMA KALKTI"));
    EXPECT_EQ(t.cekirdek.susturGecmisi(), (std::vector<bool>{true, false}));
}

TEST_F(SunucuSoket, SilentConnectionIsClosedAfterTheLimitAndTheNextClientServed) {
    auto ayar = testAyarlari();
    ayar.istekSuresi = 500ms;
    TestSunucusu t("#1 test", true, ayar);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci sessiz(31171);
    HamIstemci sonraki(31171);
    EXPECT_TRUE(sessiz.kapandi(2s));
    EXPECT_EQ(merhabaAl(sonraki), t.cekirdek.merhaba(31171));
}

TEST_F(SunucuSoket, ClientThatMutesAndStopsReadingIsEndedAndTheMuteLifted) {
    OlaySatirlari olay;
    auto ayar = testAyarlari();
    ayar.takilmaSuresi = 1s;
    TestSunucusu t("#1 test", true, ayar);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171);
    merhabaAl(istemci);
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true)));
    Uretici uretici(t);
    ASSERT_TRUE(olay.bekle("#1 test", "istemci 1 sn okumadi — baglanti kapatiliyor"));
    EXPECT_TRUE(olay.bekle("#1 test", "baglanti koptu → SUSTURMA KALKTI", 1s));
    EXPECT_EQ(t.cekirdek.susturGecmisi(), (std::vector<bool>{true, false}));
}

// What waited during the stall reaches the app first; it must be little.
TEST_F(SunucuSoket, AfterAFiveSecondStallLessThanASecondOfOldAudioArrives) {
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171);
    merhabaAl(istemci);
    Uretici uretici(t);
    ASSERT_TRUE(istemci.cerceveBul(0x82));
    std::this_thread::sleep_for(5s);
    double eskiSes = 0;
    for (;;) {
        auto const c = istemci.cerceveBul(0x82);
        ASSERT_TRUE(c);
        auto const s = sesCozumle(c->yuk);
        if (Uretici::saniye() - s->zaman < 0.2)
            break;
        eskiSes += s->kare / 48000.0;
    }
    EXPECT_LT(eskiSes, 1.0);
    EXPECT_GT(t.sunucu->gonderilemeyen.load(), 0u);
}

TEST_F(SunucuSoket, SecondClientIsServedOnlyAfterTheFirstLeaves) {
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    auto birinci = std::make_unique<HamIstemci>(31171);
    merhabaAl(*birinci);
    HamIstemci ikinci(31171);
    ASSERT_TRUE(ikinci.gonder("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    EXPECT_EQ(ikinci.oku(1, 300ms), "");
    birinci.reset();
    EXPECT_EQ(ikinci.oku(200),
              "HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
              "Content-Length: 17\r\n\r\nOKA-KOPRU-EKLENTI");
}

TEST_F(SunucuSoket, FreshHelloTransportAndDropReportOnRequest) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    t.sunucu->merhabaTazele("akis bicimi degisti"); // nobody connected: nothing to do
    HamIstemci istemci(31171);
    merhabaAl(istemci);
    EXPECT_EQ(olay.say("#1 test", "yeni merhaba"), 0);
    t.sunucu->merhabaTazele("akis bicimi degisti");
    auto const merhaba = istemci.cerceveBul(0x81);
    ASSERT_TRUE(merhaba);
    EXPECT_EQ(merhaba->yuk, t.cekirdek.merhaba(31171));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba gonderilecek (akis bicimi degisti)"));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba GONDERILDI"));

    t.sunucu->tasimaIstegi = true;
    auto const tasima = istemci.cerceveBul(0x81);
    ASSERT_TRUE(tasima);
    std::string const beklenen = "{\"tip\":\"tasima\"," + t.cekirdek.tasima() + "}";
    EXPECT_EQ(tasima->yuk, beklenen);
    EXPECT_TRUE(olay.bekle("#1 test", "tasima GONDERILDI: " + beklenen));

    t.sunucu->tampon_dolu += 3;
    EXPECT_TRUE(olay.bekle("#1 test", "atlandi 3 (toplam 3)"));
    auto const nabiz = istemci.cerceveBul(0x81, 2s);
    ASSERT_TRUE(nabiz);
    EXPECT_EQ(nabiz->yuk, "{\"tip\":\"nabiz\",\"ornek\":\"#1 test\",\"no\":1," + t.cekirdek.tasima() + "}");
}
TEST_F(SunucuSoket, SecondMasterWaitsReportsAndTakesThePortWhenFree) {
    OlaySatirlari olay;
    HataSatirlari hata;
    auto ayar = testAyarlari();
    ayar.adim = 20ms;
    ayar.denemeAdimi = 5;
    ayar.raporAraligi = 300ms;
    std::optional<TestSunucusu> birinci;
    birinci.emplace("#1 test", true, ayar);
    ASSERT_TRUE(birinci->dinliyor());
    TestSunucusu ikinci("#2 test", true, ayar);
    ASSERT_TRUE(olay.bekle("#2 test", "hala dinlenemiyor", 10s));
    ASSERT_TRUE(bekleKadar([&] { return olay.say("#2 test", "hala dinlenemiyor") >= 2; }));

    auto const satirlar = olay.ornegin("#2 test");
    ASSERT_GE(satirlar.size(), 3u);
    EXPECT_EQ(satirlar[0], "→ port 31171 DOLU (baska ornek ya da program). Ses aynen geciyor.");
    EXPECT_EQ(satirlar[1], "ikinci master — 31171 dolu, KANALA KAYMIYOR, master kapisinda bekleniyor");
    EXPECT_EQ(satirlar[2], "yeniden deneme basliyor — her 0.1 sn, ses AYNEN geciyor");
    EXPECT_EQ(olay.say("#2 test", "ikinci master"), 1);
    EXPECT_EQ(hata.hepsi(),
              std::vector<std::string>{"HATA [#2 test] bind() errno=98 (Address already in use)"});
    EXPECT_EQ(ikinci.sunucu->kapi.load(), -1);

    birinci.reset();
    ASSERT_TRUE(bekleKadar([&] { return ikinci.sunucu->kapi.load() == 31171; }));
    EXPECT_TRUE(olay.bekle("#2 test", "DINLIYOR 127.0.0.1:31171 rol=master"));
    EXPECT_EQ(olay.say("#2 test", "yeniden deneme BASARILI ("), 1);
    EXPECT_EQ(olay.say("#2 test", "KANALA"), 1) << "never moved to a channel port";
    HamIstemci istemci(31171);
    EXPECT_EQ(merhabaAl(istemci), ikinci.cekirdek.merhaba(31171));
}

TEST_F(SunucuSoket, FifthChannelInstanceWaitsForOneOfTheFourChannelPorts) {
    OlaySatirlari olay;
    auto ayar = testAyarlari();
    ayar.denemeAdimi = 2;
    std::vector<std::unique_ptr<TestSunucusu>> kanallar;
    for (int i = 0; i < 4; ++i) {
        kanallar.push_back(
            std::make_unique<TestSunucusu>("#" + std::to_string(i + 1) + " test", false, ayar));
        ASSERT_TRUE(kanallar.back()->dinliyor());
        EXPECT_EQ(kanallar.back()->sunucu->kapi.load(), 31172 + i);
    }
    TestSunucusu besinci("#5 test", false, ayar);
    ASSERT_TRUE(olay.bekle("#5 test", "yeniden deneme basliyor"));
    EXPECT_EQ(olay.ornegin("#5 test").at(0), "kanal kapilarinin (31172-31175) HEPSI DOLU");
    kanallar[1].reset();
    ASSERT_TRUE(olay.bekle("#5 test", "DINLIYOR 127.0.0.1:31173 rol=kanal"));
    EXPECT_EQ(olay.say("#5 test", "HEPSI DOLU"), 1);
}

TEST_F(SunucuSoket, RoleChangeWhileRetryingCutsTheWaitShort) {
    OlaySatirlari olay;
    auto ayar = testAyarlari();
    ayar.denemeAdimi = 600; // a minute between attempts: only the role change can end the wait
    TestSunucusu birinci("#1 test", true, ayar);
    ASSERT_TRUE(birinci.dinliyor());
    TestSunucusu ikinci("#2 test", true, ayar);
    ASSERT_TRUE(olay.bekle("#2 test", "yeniden deneme basliyor — her 60 sn"));
    ikinci.sunucu->rolGuncelle(false);
    ASSERT_TRUE(olay.bekle("#2 test", "DINLIYOR 127.0.0.1:31172 rol=kanal"));
    auto const s = olay.ornegin("#2 test");
    EXPECT_NE(std::find(s.begin(), s.end(), "ROL DEGISTI: master → kanal — kapi yeniden kurulacak"), s.end());
    EXPECT_EQ(s.back(), "DINLIYOR 127.0.0.1:31172 rol=kanal");
}

TEST_F(SunucuSoket, DestroyingEndsPromptlyInEveryState) {
    for (int durum : {0, 1, 2}) { // retrying, a silent client, a client that muted
        OlaySatirlari olay;
        auto ayar = testAyarlari();
        ayar.denemeAdimi = 600;
        std::optional<TestSunucusu> engel;
        if (durum == 0)
            engel.emplace("#9 test", true, ayar);
        auto t = std::make_unique<TestSunucusu>("#1 test", true, ayar);
        std::optional<HamIstemci> istemci;
        if (durum == 0) {
            ASSERT_TRUE(olay.bekle("#1 test", "yeniden deneme basliyor"));
        } else {
            ASSERT_TRUE(t->dinliyor());
            istemci.emplace(31171);
            if (durum == 2)
                merhabaAl(*istemci);
            istemci->gonder(istemciCercevesi(1, KOMUT_SUSTUR, true));
            ASSERT_TRUE(bekleKadar([&] { return durum == 1 || !t->cekirdek.susturGecmisi().empty(); }));
            std::this_thread::sleep_for(100ms); // the server took the connection
        }
        auto const bas = std::chrono::steady_clock::now();
        t->sunucu.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - bas, 1s) << durum;
        EXPECT_TRUE(!istemci || istemci->kapandi(1s)) << durum;
        std::string satirlar;
        for (auto const& satir : olay.ornegin("#1 test"))
            satirlar += satir + "\n";
        if (durum == 0)
            EXPECT_NE(satirlar.find("acik istemci baglantisi yoktu\n"), std::string::npos) << satirlar;
        else
            EXPECT_LT(satirlar.find("acik istemci baglantisi KAPATILDI (fd "),
                      satirlar.find("dinleyen soket kapatildi"))
                << satirlar;
        EXPECT_NE(satirlar.find("dinleme durdu\n"), std::string::npos) << satirlar;
        EXPECT_EQ(satirlar.substr(satirlar.rfind('\n', satirlar.size() - 2) + 1), "is parcacigi bitti\n");
        EXPECT_EQ(t->cekirdek.susturGecmisi().back(), false) << "mute lifted at shutdown";
    }
}
