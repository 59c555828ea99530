// The server over real sockets on 127.0.0.1, on test ports, with a raw client.

#include "SunucuAraclari.h"
#include "server/WebSocket.h"

#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace oka;

namespace {

std::string const KOMUT_SUSTUR = R"({"sustur":true})";
std::string const KOMUT_AC = R"({"sustur":false})";

// Connects and upgrades; returns the hello frame's text.
std::string baglanVeMerhabaAl(HamIstemci& istemci) {
    std::string const yanit = istemci.elSikis();
    EXPECT_EQ(yanit.substr(0, 34), "HTTP/1.1 101 Switching Protocols\r\n");
    auto const merhaba = istemci.cerceve();
    EXPECT_TRUE(merhaba);
    return merhaba ? merhaba->yuk : std::string();
}

// Writes one block the way the audio tap does: only while a client is connected.
void blokYaz(Sunucu& s, std::vector<float> const& veri, unsigned kanal, unsigned kare, double zaman) {
    if (!s.bagli.load())
        return;
    if (s.halka.yaz(veri.data(), kanal == 2 ? veri.data() + kare : nullptr, kanal, kare, zaman))
        s.tampon_dolu.fetch_add(1);
}

} // namespace

class SunucuSoket : public ::testing::Test {
    KapiKilidi kilit_{"oka-test-kapilari"};
};

TEST_F(SunucuSoket, PlainRequestGetsTheIdentificationAnswerAndNeverConnects) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    std::atomic<bool> bitti{false}, hicBagli{false};
    std::thread gozcu([&] {
        while (!bitti.load())
            if (t.sunucu->bagli.load())
                hicBagli = true;
    });
    HamIstemci istemci(31171);
    ASSERT_TRUE(istemci.gonder("GET / HTTP/1.1\r\nHost: 127.0.0.1:31171\r\nUser-Agent: tarayici\r\n\r\n"));
    std::string const yanit = istemci.oku(1000, 5s);
    EXPECT_TRUE(istemci.kapandi());
    bitti = true;
    gozcu.join();
    EXPECT_EQ(yanit, "HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
                     "Content-Length: 17\r\n\r\nOKA-KOPRU-EKLENTI");
    EXPECT_FALSE(hicBagli.load());
    EXPECT_TRUE(olay.bekle("#1 test", "HTTP istegi yanitlandi"));
    EXPECT_EQ(olay.say("#1 test", "BAGLANDI"), 0);
    EXPECT_TRUE(t.cekirdek.susturGecmisi().empty());
}

TEST_F(SunucuSoket, CapitalisedKeyIsUpgradedAndTheHelloComesFirst) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    // Stale blocks from before the connection must not reach the app.
    std::vector<float> eski(64, 0.5f);
    for (int i = 0; i < 5; ++i)
        t.sunucu->halka.yaz(eski.data(), nullptr, 1, 64, 1.0 + i);

    HamIstemci istemci(31171);
    EXPECT_EQ(istemci.elSikis("Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ=="),
              "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
              "Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n\r\n");
    auto const merhaba = istemci.cerceve();
    ASSERT_TRUE(merhaba);
    EXPECT_EQ(merhaba->ilk, 0x81u);
    EXPECT_EQ(merhaba->yuk, t.cekirdek.merhaba(31171));
    EXPECT_TRUE(t.sunucu->bagli.load());
    EXPECT_TRUE(olay.bekle("#1 test", "BAGLANDI — gonderilen: " + t.cekirdek.merhaba(31171)));

    std::vector<float> yeni(64, -0.5f);
    blokYaz(*t.sunucu, yeni, 1, 64, 99.0);
    auto const ilkSes = istemci.cerceveBul(2);
    ASSERT_TRUE(ilkSes);
    auto const s = sesCozumle(ilkSes->yuk);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->zaman, 99.0);
    EXPECT_EQ(s->no, 0u);
}

TEST_F(SunucuSoket, AudioBlocksArriveAsBinaryFramesNumberedAcrossConnections) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    std::uint32_t beklenenNo = 0;
    for (int baglanti = 0; baglanti < 2; ++baglanti) {
        HamIstemci istemci(31171);
        baglanVeMerhabaAl(istemci);
        ASSERT_TRUE(t.sunucu->bagli.load());
        std::vector<float> mono(31);
        for (std::size_t i = 0; i < mono.size(); ++i)
            mono[i] = float(i) / 31.0f;
        std::vector<float> stereo(2 * 512);
        for (std::size_t i = 0; i < stereo.size(); ++i)
            stereo[i] = i < 512 ? 0.25f : -0.25f;
        blokYaz(*t.sunucu, mono, 1, 31, 4800.0);
        blokYaz(*t.sunucu, stereo, 2, 512, 4831.0);

        auto const a = istemci.cerceveBul(2);
        ASSERT_TRUE(a);
        EXPECT_EQ(a->ilk, 0x82u);
        EXPECT_EQ(a->yuk.size(), 140u);
        auto const sa = sesCozumle(a->yuk);
        ASSERT_TRUE(sa);
        EXPECT_EQ(sa->no, beklenenNo++);
        EXPECT_EQ(sa->zaman, 4800.0);
        EXPECT_EQ(sa->kanal, 1);
        EXPECT_EQ(sa->ornekler, mono);

        auto const b = istemci.cerceveBul(2);
        ASSERT_TRUE(b);
        auto const sb = sesCozumle(b->yuk);
        ASSERT_TRUE(sb);
        EXPECT_EQ(sb->no, beklenenNo++);
        EXPECT_EQ(sb->kanal, 2);
        EXPECT_EQ(sb->kare, 512);
        EXPECT_EQ(sb->ornekler, stereo);
        istemci.kapat();
        ASSERT_TRUE(bekleKadar([&] { return !t.sunucu->bagli.load(); }));
    }
    EXPECT_EQ(t.sunucu->gonderilen.load(), 4u);
    ASSERT_TRUE(bekleKadar([&] { return olay.say("#1 test", " nabiz, 2 ses cercevesi)") == 2; }));
}

TEST_F(SunucuSoket, CommandsOverTheSocketMuteAndTheEndOfTheConnectionLiftsIt) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171);
    baglanVeMerhabaAl(istemci);
    auto gecmis = [&] { return t.cekirdek.susturGecmisi(); };

    ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true)));
    ASSERT_TRUE(bekleKadar([&] { return gecmis().size() == 1; }));
    EXPECT_TRUE(olay.bekle("#1 test", "komut: sustur=true"));

    // Unmasked, then two in one write, then a ping that must not be answered.
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_AC, false)));
    ASSERT_TRUE(
        istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true) + istemciCercevesi(1, KOMUT_AC, true)));
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(9, "ping", true)));
    // Half a command waits for its rest.
    std::string const yarim = istemciCercevesi(1, R"({"sustur":false,"x":"true"})", true);
    ASSERT_TRUE(istemci.gonder(yarim.substr(0, 9)));
    ASSERT_TRUE(bekleKadar([&] { return gecmis().size() == 4; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(gecmis().size(), 4u);
    ASSERT_TRUE(istemci.gonder(yarim.substr(9)));
    ASSERT_TRUE(bekleKadar([&] { return gecmis().size() == 5; }));
    EXPECT_EQ(gecmis(), (std::vector<bool>{true, false, true, false, false}));

    ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true)));
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(8, "", true)));
    EXPECT_TRUE(istemci.kapandi());
    std::vector<unsigned> opkodlar;
    while (auto c = istemci.cerceve(0ms))
        opkodlar.push_back(c->opkod());
    for (unsigned o : opkodlar) {
        EXPECT_NE(o, 0xAu) << "a ping is not answered";
        EXPECT_NE(o, 0x8u) << "no close frame in reply";
    }
    ASSERT_TRUE(bekleKadar([&] { return gecmis().size() == 7; }));
    EXPECT_EQ(gecmis().back(), false);
    EXPECT_TRUE(olay.bekle("#1 test", "baglanti koptu → SUSTURMA KALKTI"));
    EXPECT_FALSE(t.sunucu->bagli.load());
}

TEST_F(SunucuSoket, FrameBeyondTheInputBoundEndsTheSession) {
    struct {
        char const* ad;
        std::string bayt;
    } const durumlar[] = {
        {"64-bit length", std::string("\x81\xFF\x00\x00\x00\x01\x00\x00\x00\x00", 10)},
        {"16-bit length over the bound", std::string("\x81\xFE\xEA\x60\x01\x02\x03\x04", 8)},
    };
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    for (auto const& d : durumlar) {
        HamIstemci istemci(31171);
        baglanVeMerhabaAl(istemci);
        ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true) + d.bayt));
        EXPECT_TRUE(istemci.kapandi()) << d.ad;
        ASSERT_TRUE(bekleKadar([&] { return !t.sunucu->bagli.load(); })) << d.ad;
        auto const g = t.cekirdek.susturGecmisi();
        ASSERT_GE(g.size(), 2u) << d.ad;
        EXPECT_EQ(g[g.size() - 2], true) << d.ad;
        EXPECT_EQ(g.back(), false) << d.ad << ": the mute is lifted";
    }
    EXPECT_EQ(olay.say("#1 test", "baglanti kapandi"), 2);
    // the server goes on serving
    HamIstemci sonraki(31171);
    EXPECT_EQ(baglanVeMerhabaAl(sonraki), t.cekirdek.merhaba(31171));
}

TEST_F(SunucuSoket, SecondClientIsServedOnlyAfterTheFirstLeaves) {
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci birinci(31171);
    baglanVeMerhabaAl(birinci);
    HamIstemci ikinci(31171);
    ASSERT_TRUE(ikinci.bagli());
    ASSERT_TRUE(ikinci.gonder("GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"));
    EXPECT_EQ(ikinci.oku(1, 300ms), "");
    birinci.kapat();
    std::string const yanit = ikinci.oku(200, 5s);
    EXPECT_EQ(yanit.substr(0, 17), "HTTP/1.1 200 OK\r\n");
    EXPECT_NE(yanit.find("OKA-KOPRU-EKLENTI"), std::string::npos);
}

TEST_F(SunucuSoket, FreshHelloAndTransportMessageOnRequest) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    t.sunucu->merhabaTazele("akis bicimi degisti"); // nobody connected: nothing to do
    EXPECT_EQ(olay.say("#1 test", "yeni merhaba"), 0);

    HamIstemci istemci(31171);
    baglanVeMerhabaAl(istemci);
    t.sunucu->merhabaTazele("akis bicimi degisti");
    auto const merhaba = istemci.cerceveBul(1);
    ASSERT_TRUE(merhaba);
    EXPECT_EQ(merhaba->yuk, t.cekirdek.merhaba(31171));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba gonderilecek (akis bicimi degisti)"));
    EXPECT_TRUE(olay.bekle("#1 test", "yeni merhaba GONDERILDI"));

    t.sunucu->tasimaIstegi = true;
    auto const tasima = istemci.cerceveBul(1);
    ASSERT_TRUE(tasima);
    std::string const beklenen = "{\"tip\":\"tasima\"," + t.cekirdek.tasima() + "}";
    EXPECT_EQ(tasima->yuk, beklenen);
    EXPECT_TRUE(olay.bekle("#1 test", "tasima GONDERILDI: " + beklenen));

    t.sunucu->tampon_dolu += 3;
    EXPECT_TRUE(olay.bekle("#1 test", "atlandi 3 (toplam 3)"));
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
    EXPECT_EQ(baglanVeMerhabaAl(istemci), ikinci.cekirdek.merhaba(31171));
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

TEST_F(SunucuSoket, RoleChangeWhileConnectedClosesLiftsTheMuteAndMovesThePort) {
    OlaySatirlari olay;
    TestSunucusu t("#1 test", true);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171);
    baglanVeMerhabaAl(istemci);
    ASSERT_TRUE(istemci.gonder(istemciCercevesi(1, KOMUT_SUSTUR, true)));
    ASSERT_TRUE(bekleKadar([&] { return t.cekirdek.susturGecmisi().size() == 1; }));

    t.sunucu->rolGuncelle(true); // same role: nothing happens
    EXPECT_EQ(olay.say("#1 test", "ROL DEGISTI"), 0);
    t.sunucu->rolGuncelle(false);
    EXPECT_TRUE(istemci.kapandi(2s));
    ASSERT_TRUE(bekleKadar([&] { return t.sunucu->kapi.load() == 31172; }));
    EXPECT_TRUE(olay.bekle("#1 test", "dinleme yeniden kuruluyor (rol degisimi)"));
    EXPECT_EQ(t.cekirdek.susturGecmisi().back(), false);
    HamIstemci yeni(31172);
    EXPECT_EQ(baglanVeMerhabaAl(yeni), t.cekirdek.merhaba(31172));
}

TEST_F(SunucuSoket, DestroyingEndsPromptlyInEveryState) {
    enum class Durum { Deniyor, SessizIstemci, Bagli };
    for (Durum const durum : {Durum::Deniyor, Durum::SessizIstemci, Durum::Bagli}) {
        OlaySatirlari olay;
        auto ayar = testAyarlari();
        ayar.denemeAdimi = 600;
        std::optional<TestSunucusu> engel;
        if (durum == Durum::Deniyor) {
            engel.emplace("#9 test", true, ayar);
            ASSERT_TRUE(engel->dinliyor());
        }
        auto t = std::make_unique<TestSunucusu>("#1 test", true, ayar);
        std::unique_ptr<HamIstemci> istemci;
        if (durum == Durum::Deniyor) {
            ASSERT_TRUE(olay.bekle("#1 test", "yeniden deneme basliyor"));
        } else {
            ASSERT_TRUE(t->dinliyor());
            istemci = std::make_unique<HamIstemci>(31171);
            if (durum == Durum::Bagli) {
                baglanVeMerhabaAl(*istemci);
                ASSERT_TRUE(istemci->gonder(istemciCercevesi(1, KOMUT_SUSTUR, true)));
                ASSERT_TRUE(bekleKadar([&] { return t->cekirdek.susturGecmisi().size() == 1; }));
            } else {
                // Give the server time to accept; it then waits for a request that never comes.
                std::this_thread::sleep_for(300ms);
            }
        }
        auto const bas = std::chrono::steady_clock::now();
        t->sunucu.reset();
        auto const sure = std::chrono::steady_clock::now() - bas;
        EXPECT_LT(sure, 1s) << int(durum);
        if (istemci) {
            EXPECT_TRUE(istemci->kapandi(1s)) << int(durum);
        }

        auto const s = olay.ornegin("#1 test");
        auto konum = [&](std::string const& parca) {
            for (std::size_t i = 0; i < s.size(); ++i)
                if (s[i].find(parca) != std::string::npos)
                    return int(i);
            return -1;
        };
        EXPECT_GE(konum("kapaniyor — dinleme durduruluyor"), 0);
        if (durum == Durum::Deniyor) {
            EXPECT_GE(konum("acik istemci baglantisi yoktu"), 0);
            EXPECT_EQ(konum("dinleyen soket kapatildi"), -1);
        } else {
            EXPECT_GE(konum("acik istemci baglantisi KAPATILDI (fd "), 0) << int(durum);
            EXPECT_LT(konum("acik istemci baglantisi KAPATILDI (fd "), konum("dinleyen soket kapatildi"));
            EXPECT_GE(konum("dinleyen soket kapatildi"), 0);
        }
        EXPECT_LT(konum("dinleme durdu"), konum("is parcacigi bitti"));
        EXPECT_EQ(s.back(), "is parcacigi bitti");
        auto const g = t->cekirdek.susturGecmisi();
        ASSERT_FALSE(g.empty());
        EXPECT_EQ(g.back(), false) << "mute lifted at shutdown";
    }
}

TEST_F(SunucuSoket, ClientThatStopsReadingGetsOnlyWholeFramesAndEveryText) {
    OlaySatirlari olay;
    auto ayar = testAyarlari();
    ayar.nabizAraligi = 200ms;
    TestSunucusu t("#1 test", true, ayar);
    ASSERT_TRUE(t.dinliyor());
    HamIstemci istemci(31171, 4096);
    baglanVeMerhabaAl(istemci);

    // Large stereo blocks as fast as the ring takes them, while the client does not read.
    std::atomic<bool> dur{false};
    std::thread uretici([&] {
        std::vector<float> blok(8192);
        double zaman = 0;
        while (!dur.load()) {
            std::fill(blok.begin(), blok.end(), float(zaman));
            blokYaz(*t.sunucu, blok, 2, 4096, zaman);
            zaman += 1;
            std::this_thread::sleep_for(1ms);
        }
    });
    ASSERT_TRUE(bekleKadar(
        [&] { return t.sunucu->gonderilemeyen.load() > 0 && t.sunucu->yarimGonderim.load() > 0; }));
    std::this_thread::sleep_for(600ms); // pulses pile up behind the stalled stream
    t.sunucu->merhabaTazele("test");
    std::this_thread::sleep_for(300ms);
    dur = true;
    uretici.join();

    // Now read: every frame whole, texts complete and in order.
    std::vector<std::uint64_t> nabizlar;
    int merhabalar = 0;
    std::int64_t sonNo = -1;
    while (nabizlar.size() < 6 || merhabalar == 0) {
        auto c = istemci.cerceve(5s);
        ASSERT_TRUE(c) << "stream ended or tore after " << nabizlar.size() << " pulses";
        ASSERT_TRUE(c->ilk == 0x81 || c->ilk == 0x82) << "byte 0 = " << c->ilk;
        if (c->ilk == 0x82) {
            auto const s = sesCozumle(c->yuk);
            ASSERT_TRUE(s);
            ASSERT_EQ(s->kanal, 2);
            ASSERT_EQ(s->kare, 4096);
            EXPECT_EQ(s->ornekler.front(), float(s->zaman));
            EXPECT_EQ(s->ornekler.back(), float(s->zaman));
            EXPECT_GT(std::int64_t(s->no), sonNo);
            sonNo = s->no;
        } else if (c->yuk.find("\"tip\":\"nabiz\"") != std::string::npos) {
            auto const no = c->yuk.find("\"no\":");
            nabizlar.push_back(std::stoull(c->yuk.substr(no + 5)));
        } else {
            EXPECT_EQ(c->yuk, t.cekirdek.merhaba(31171));
            ++merhabalar;
        }
    }
    for (std::size_t i = 0; i < nabizlar.size(); ++i)
        EXPECT_EQ(nabizlar[i], i + 1) << "no pulse lost";
    EXPECT_EQ(merhabalar, 1);
    EXPECT_EQ(t.sunucu->gonderilen.load() + t.sunucu->gonderilemeyen.load(), t.sunucu->cerceveNo.load());
}
