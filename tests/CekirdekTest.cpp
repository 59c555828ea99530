#include "TestYardimcilari.h"

#include "core/JsonKacis.h"
#include "core/KonakEtiketi.h"
#include "platform/Surec.h"
#include "server/Sunucu.h"

#include <cmath>
#include <gtest/gtest.h>

TEST(Cekirdek, LabelsCountUpAndTheStatusRecordTakesThePanelPeak) {
    SahteKabuk c, sonraki;
    int const no = std::stoi(c.ornekEtiketi().substr(1));
    EXPECT_EQ(c.ornekEtiketi() + "|" + sonraki.ornekEtiketi(),
              "#" + std::to_string(no) + " vst3|#" + std::to_string(no + 1) + " vst3");
    std::vector<float> a(64, 0.5f), b(64, -0.25f);
    float const* k[2] = {a.data(), b.data()};
    c.sesIsle(k, 2, 64);
    oka::ArayuzDurumu d;
    c.durumDoldur(d);
    EXPECT_NEAR(d.tepeDb, 20.0 * std::log10(0.5), 1e-4);
    EXPECT_EQ(d.ornekleme, 48000.0);
    EXPECT_EQ(d.kanal, 2);
    EXPECT_EQ(d.rolMasterMi, 0);
    EXPECT_STREQ(d.surum, "1.1");
    EXPECT_EQ(std::string(d.konak), oka::konakEtiketi(oka::surecAdi()));

    c.format = {};
    c.anaCikis = 1;
    c.konakAdiKoy(std::string(400, 'x'));
    c.elleAdiUygula(std::string(300, 'y').c_str(), "arayuz");
    c.durumDoldur(d);
    EXPECT_EQ(d.tepeDb, -120.0f) << "the first fill took the peak";
    EXPECT_EQ(d.ornekleme, 0.0);
    EXPECT_EQ(d.kanal, 0);
    EXPECT_EQ(d.rolMasterMi, 1) << "the role is computed afresh";
    EXPECT_EQ(std::string(d.logicAd), std::string(255, 'x'));
    EXPECT_EQ(std::string(d.elleAd), std::string(255, 'y'));
}

TEST(Cekirdek, MetersTakeTheFirstTwoChannelsOfBlocksWithAudio) {
    std::vector<float> a(10, -0.5f), b(10, 0.25f), c3(10, 1.0f), tepeli(16, 0.125f);
    tepeli[13] = 0.75f;
    struct Durum {
        char const* ad;
        std::vector<float const*> kanallar;
        unsigned kanal, kare;
        double tepe, kare2;
        std::uint64_t olculen;
    } const tablo[] = {
        {"stereo", {a.data(), b.data()}, 2, 10, 0.5, 10 * 0.3125, 20},
        {"a third channel is not metered", {a.data(), b.data(), c3.data()}, 3, 10, 0.5, 10 * 0.3125, 20},
        {"mono", {b.data(), a.data()}, 1, 7, 0.25, 7 * 0.0625, 7},
        {"one frame", {b.data(), a.data()}, 2, 1, 0.5, 0.3125, 2},
        {"stereo without its second buffer", {b.data(), nullptr}, 2, 10, 0.25, 10 * 0.0625, 20},
        {"the peak in the second half of a group of 8",
         {tepeli.data()},
         1,
         16,
         0.75,
         15 * 0.015625 + 0.5625,
         16},
        {"no frames", {a.data(), b.data()}, 2, 0, 0, 0, 0},
        {"no channels", {a.data(), b.data()}, 0, 10, 0, 0, 0},
        {"no first buffer", {nullptr, b.data()}, 2, 10, 0, 0, 0},
    };
    for (auto const& d : tablo) {
        SahteKabuk c;
        c.sesIsle(d.kanallar.data(), d.kanal, d.kare);
        c.sesIsle(d.kanallar.data(), d.kanal, d.kare); // a second equal block leaves the peak
        EXPECT_DOUBLE_EQ(c.tepe.load(), d.tepe) << d.ad;
        EXPECT_FLOAT_EQ(c.arayuzTepe.load(), static_cast<float>(d.tepe)) << d.ad;
        EXPECT_DOUBLE_EQ(c.kareToplami.load(), 2 * d.kare2) << d.ad;
        EXPECT_EQ(c.olculenOrnek.load(), 2 * d.olculen) << d.ad;
    }
    SahteKabuk c;
    c.sesIsle(nullptr, 2, 8);
    EXPECT_EQ(c.olculenOrnek.load(), 0u);
}

TEST(Cekirdek, WithAServerBlocksAreTappedAndTheRoleFollowsTheName) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    SahteKabuk c;
    c.konakAdiKoy("Stereo Out");
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    EXPECT_TRUE(c.rolMaster && s->rolMaster);
    s->bagli = true; // as the session sets it; what the core does needs no socket
    std::vector<float> a(16, 0.5f), b(16, -0.25f), beklenen(a);
    beklenen.insert(beklenen.end(), b.begin(), b.end());
    float const* k[2] = {a.data(), b.data()};
    c.ornekZamani = 480.0;
    c.sesIsle(k, 2, 16);
    c.sesIsle(k, 1, 16);
    double zaman = 0;
    std::uint16_t kanal = 0, kare = 0;
    std::vector<float> blok(oka::HalkaTampon::SLOT_ORNEK);
    ASSERT_TRUE(s->halka.oku(zaman, kanal, kare, blok.data()));
    EXPECT_EQ(std::vector<float>(blok.begin(), blok.begin() + 32), beklenen);
    EXPECT_EQ(zaman, 480.0);
    ASSERT_TRUE(s->halka.oku(zaman, kanal, kare, blok.data()));
    EXPECT_EQ(std::vector<float>(blok.begin(), blok.begin() + kanal * kare), a) << "mono";
    oka::ArayuzDurumu d;
    c.durumDoldur(d);
    EXPECT_EQ(d.bagliMi, 1);
    c.rolYenidenHesapla("deneme");
    EXPECT_TRUE(s->merhabaIstegi.load()) << "the role stayed: a fresh hello instead";
    s->bagli = false;

    c.elleAdiUygula("Main", "arayuz");
    EXPECT_EQ(y.say("rol YENIDEN karari (elle ad): master → kanal"), 1);
    EXPECT_FALSE(c.rolMaster || s->rolMaster) << "the server moves with the role";
    EXPECT_EQ(c.arayuzBildirimi, 1);
    c.kapat();
    EXPECT_EQ(c.sunucuAl(), nullptr);
}

TEST(Rol, DecisionFromNameMainOutputAndProcess) {
    struct Durum {
        char const* ad;
        std::int32_t ana;
        char const* surec;
        bool master;
    } const tablo[] = {
        {"Stereo Out", -1, "Cubase", true}, {"Stereo Out", 0, "Logic Pro", true},
        {"Vocals", -1, "Logic Pro", false}, {"Vocals", 1, "Logic Pro", true},
        {"Main", -1, "Studio One 7", true}, {"Main", -1, "Studio Pro 8", true},
        {"Main", -1, "Studio One", true},   {"Main", -1, "Studio On", false},
        {"Main", -1, "Cubase 14", false},   {"main", -1, "Studio One", false},
        {"Main", 2, "Cubase 14", false},    {"stereo out", -1, "Cubase", false},
        {"", -1, "Studio One", false},
    };
    for (auto const& d : tablo)
        EXPECT_EQ(oka::rolKarari(d.ad, d.ana, d.surec), d.master)
            << d.ad << " / " << d.ana << " / " << d.surec;
}

TEST(ElleAd, TheManualNameWinsOnceAndClearingFallsBack) {
    OlaySatirlari y;
    SahteKabuk c;
    EXPECT_EQ(c.adKaynagi(), "(yok)");
    c.konakAdiKoy("Stereo Out");
    EXPECT_TRUE(c.rolHesapla());
    EXPECT_EQ(c.adKaynagi(), "kanal-baglami");
    c.elleAdiUygula("Bas", "arayuz");
    c.elleAdiUygula("Bas", "arayuz");
    EXPECT_FALSE(c.rolHesapla()) << "the manual name is the effective name";
    EXPECT_EQ(c.adKaynagi(), "elle");
    c.elleAdiUygula(nullptr, "setState");
    EXPECT_TRUE(c.rolHesapla());
    EXPECT_EQ(y.say("elle ad (arayuz): \"Bas\""), 1);
    EXPECT_EQ(y.say("elle ad (setState): \"(Logic adina donuldu)\""), 1);
    EXPECT_EQ(c.elleAdKopyasi(), "");
    EXPECT_EQ(c.arayuzBildirimi, 0) << "without a server nothing is re-decided or shown";
}

TEST(Metinler, JsonEscapingAndHostLabels) {
    std::pair<std::string, std::string> const kacis[] = {
        {"a\"b", "a\\\"b"},      {"a\\b", "a\\\\b"},
        {"\t\n\r", "\\t\\n\\r"}, {std::string("\x01\x1f\x20", 3), "\\u0001\\u001f "},
        {"ş/ü", "ş/ü"},          {"", ""},
    };
    for (auto const& [girdi, beklenen] : kacis)
        EXPECT_EQ(oka::jsonKacis(girdi), beklenen) << girdi;
    std::pair<char const*, char const*> const etiket[] = {
        {"Logic Pro", "Logic"},  {"AUHostingService", "Logic"},
        {"Cubase 14", "Cubase"}, {"Studio One 7", "Studio One"},
        {"Live", "Live"},        {"", "DAW"},
        {"Logi", "Logi"},        {"cubase", "cubase"},
    };
    for (auto const& [surec, beklenen] : etiket)
        EXPECT_EQ(oka::konakEtiketi(surec), beklenen) << surec;
}

TEST(Metinler, HelloCarriesEveryKeyInOrder) {
    SahteKabuk c;
    c.format = {true, 44100.9, 1};
    c.anaCikis = 0;
    c.elleAdiUygula("Vo\"kal ş", "arayuz");
    std::string const surec = oka::surecAdi();
    EXPECT_EQ(c.merhabaJson(53172),
              "{\"tip\":\"merhaba\",\"ornek\":\"" + c.ornekEtiketi() +
                  "\",\"degisken\":\"vst3\",\"surum\":\"1.1\",\"rol\":\"kanal\",\"kanalAdi\":\"Vo\\\"kal ş\","
                  "\"ornekleme\":44100,\"kanal\":1,\"kapi\":53172,\"konak\":\"" +
                  oka::konakEtiketi(surec) + "\",\"adKaynagi\":\"elle\",\"surec\":\"" + surec +
                  "\",\"anaCikis\":0}");
    c.format = {};
    c.anaCikis = -1;
    c.elleAdiUygula("", "arayuz");
    std::string const j = c.merhabaJson(53171);
    EXPECT_NE(j.find("\"kanalAdi\":null,\"ornekleme\":0,\"kanal\":0,\"kapi\":53171"), std::string::npos) << j;
    EXPECT_NE(j.find("\"adKaynagi\":\"(yok)\""), std::string::npos) << j;
    EXPECT_EQ(j.substr(j.size() - 16), "\"anaCikis\":null}");
}

TEST(Metinler, TransportFieldsAndFormatSummary) {
    SahteKabuk c;
    std::string const bilinmiyor = "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true";
    EXPECT_EQ(c.tasimaAlanlari(), bilinmiyor);
    c.tasimaDurumu = 1;
    c.caliyor = true;
    EXPECT_EQ(c.tasimaAlanlari(), "\"caliyor\":true,\"dongu\":false,\"bilinmiyor\":false");
    c.dongu = true;
    c.caliyor = false;
    EXPECT_EQ(c.tasimaAlanlari(), "\"caliyor\":false,\"dongu\":true,\"bilinmiyor\":false");
    c.tasimaDurumu = 2;
    EXPECT_EQ(c.tasimaAlanlari(), bilinmiyor);

    EXPECT_EQ(c.bicimOzet(), "sr=48000 kanal=2");
    c.format = {};
    EXPECT_EQ(c.bicimOzet(), "sr=? kanal=?");
    for (double bozuk : {std::nan(""), 1e300}) {
        c.format = {true, bozuk, 2};
        EXPECT_EQ(c.bicimOzet(), "sr=0 kanal=2")
            << "a broken rate from the host is shown as 0, not undefined";
    }
}
