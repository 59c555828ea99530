#include "TestYardimcilari.h"

#include "core/JsonKacis.h"
#include "core/KonakEtiketi.h"
#include "platform/Surec.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {
struct SurecAdi {
    explicit SurecAdi(std::string ad) { oka::surecAdiDegistir(std::move(ad)); }
    ~SurecAdi() { oka::surecAdiDegistir(""); }
};
} // namespace

TEST(Cekirdek, InstanceLabelsCountUpAndAreNeverReused) {
    int onceki = 0;
    for (int i = 0; i < 3; ++i) {
        SahteKabuk c;
        std::string const e = c.ornekEtiketi();
        ASSERT_EQ(e.rfind('#', 0), 0u);
        ASSERT_EQ(e.substr(e.size() - 5), " vst3");
        int const no = std::stoi(e.substr(1));
        EXPECT_GT(no, onceki) << e;
        onceki = no;
    }
}

TEST(Cekirdek, CloseRunsOnceAndNamesTheInstance) {
    OlaySatirlari y;
    {
        SahteKabuk c;
        c.kapat();
        c.kapat();
    }
    EXPECT_EQ(y.say("Dispose — ornek KAPANIYOR"), 1);
    EXPECT_EQ(y.say("ornek KAPANDI"), 1);
}

TEST(Cekirdek, StatusRecordTakesThePanelPeak) {
    SahteKabuk c;
    std::vector<float> a(64, 0.5f), b(64, -0.25f);
    float const* k[2] = {a.data(), b.data()};
    c.sesIsle(k, 2, 64);
    oka::ArayuzDurumu d;
    c.durumDoldur(d);
    EXPECT_NEAR(d.tepeDb, 20.0 * std::log10(0.5), 1e-4);
    c.durumDoldur(d);
    EXPECT_EQ(d.tepeDb, -120.0f) << "the first fill took the peak";
    EXPECT_EQ(d.ornekleme, 48000.0);
    EXPECT_EQ(d.kanal, 2);
    EXPECT_EQ(d.bagliMi, 0);
    EXPECT_STREQ(d.surum, "1.1");
}

TEST(Cekirdek, StatusRecordWithoutFormatAndWithLongNamesTruncates) {
    SahteKabuk c;
    c.format = {};
    c.konakAdiKoy(std::string(400, 'x'));
    c.elleAdiUygula(std::string(300, 'y').c_str(), "arayuz");
    oka::ArayuzDurumu d;
    c.durumDoldur(d);
    EXPECT_EQ(d.ornekleme, 0.0);
    EXPECT_EQ(d.kanal, 0);
    EXPECT_EQ(std::string(d.logicAd), std::string(255, 'x'));
    EXPECT_EQ(std::string(d.elleAd), std::string(255, 'y'));
}

TEST(Cekirdek, MetersMeasureOnlyTheFirstTwoChannels) {
    SahteKabuk c;
    std::vector<float> a(10, 0.5f), b(10, -0.25f), ucuncu(10, 1.0f);
    float const* k[3] = {a.data(), b.data(), ucuncu.data()};
    c.sesIsle(k, 3, 10);
    EXPECT_DOUBLE_EQ(c.tepe.load(), 0.5);
    EXPECT_DOUBLE_EQ(c.kareToplami.load(), 10 * 0.25 + 10 * 0.0625);
    EXPECT_EQ(c.olculenOrnek.load(), 20u);
}

TEST(Cekirdek, MetersIgnoreEmptyOrMissingInput) {
    SahteKabuk c;
    std::vector<float> a(8, 0.5f);
    float const* yok[2] = {nullptr, a.data()};
    float const* tek[2] = {a.data(), nullptr};
    c.sesIsle(yok, 1, 8);
    c.sesIsle(tek, 0, 8);
    c.sesIsle(tek, 1, 0);
    c.sesIsle(nullptr, 2, 8);
    EXPECT_EQ(c.olculenOrnek.load(), 0u);
    c.sesIsle(tek, 2, 8); // stereo count with a missing second channel: first channel only
    EXPECT_EQ(c.olculenOrnek.load(), 16u);
    EXPECT_DOUBLE_EQ(c.kareToplami.load(), 8 * 0.25);
}

TEST(Cekirdek, PeaksRiseToTheLargestSinceTheLastReading) {
    SahteKabuk c;
    std::vector<float> buyuk(7, -0.9f), kucuk(7, 0.1f);
    float const* k1[2] = {buyuk.data(), nullptr};
    float const* k2[2] = {kucuk.data(), nullptr};
    c.sesIsle(k1, 1, 7);
    c.sesIsle(k2, 1, 7);
    EXPECT_FLOAT_EQ(c.arayuzTepe.load(), 0.9f);
    EXPECT_DOUBLE_EQ(c.tepe.exchange(0.0), static_cast<double>(0.9f));
}

TEST(Rol, DecisionFromNameMainOutputAndProcess) {
    struct Durum {
        char const* ad;
        std::int32_t ana;
        char const* surec;
        bool master;
    } const tablo[] = {
        {"Stereo Out", -1, "Cubase", true},  {"Stereo Out", 0, "Logic Pro", true},
        {"Vocals", -1, "Logic Pro", false},  {"Vocals", 1, "Logic Pro", true},
        {"Main", -1, "Studio One 7", true},  {"Main", -1, "Studio Pro 8", true},
        {"Main", -1, "Cubase 14", false},    {"Main", 0, "Studio One", true},
        {"stereo out", -1, "Cubase", false}, {"", -1, "Studio One", false},
    };
    for (auto const& d : tablo) {
        SurecAdi s(d.surec);
        SahteKabuk c;
        c.konakAdiKoy(d.ad);
        c.anaCikis = d.ana;
        EXPECT_EQ(c.rolHesapla(), d.master) << d.ad << " / " << d.ana << " / " << d.surec;
    }
}

TEST(Rol, AManualNameCountsAsTheEffectiveName) {
    SahteKabuk c;
    c.konakAdiKoy("Vocals");
    EXPECT_FALSE(c.rolHesapla());
    c.elleAdiUygula("Stereo Out", "arayuz");
    EXPECT_TRUE(c.rolHesapla());
    c.elleAdiUygula(nullptr, "arayuz");
    EXPECT_FALSE(c.rolHesapla());
}

TEST(ElleAd, SameNameTwiceLogsOnceAndClearingFallsBack) {
    OlaySatirlari y;
    SahteKabuk c;
    c.elleAdiUygula("Bas", "arayuz");
    c.elleAdiUygula("Bas", "arayuz");
    c.elleAdiUygula("", "setState");
    EXPECT_EQ(y.say("elle ad (arayuz): \"Bas\""), 1);
    EXPECT_EQ(y.say("elle ad (setState): \"(Logic adina donuldu)\""), 1);
    EXPECT_EQ(c.elleAdKopyasi(), "");
}

TEST(ElleAd, NameSourceLabel) {
    SahteKabuk c;
    EXPECT_EQ(c.adKaynagi(), "(yok)");
    c.konakAdiKoy("Gitar");
    EXPECT_EQ(c.adKaynagi(), "kanal-baglami");
    c.elleAdiUygula("Ritim", "arayuz");
    EXPECT_EQ(c.adKaynagi(), "elle");
}

TEST(Metinler, JsonEscapingTable) {
    struct Durum {
        std::string girdi, beklenen;
    } const tablo[] = {
        {"a\"b", "a\\\"b"},      {"a\\b", "a\\\\b"},
        {"\t\n\r", "\\t\\n\\r"}, {std::string("\x01\x1f", 2), "\\u0001\\u001f"},
        {"ş/ü", "ş/ü"},          {"", ""},
    };
    for (auto const& d : tablo)
        EXPECT_EQ(oka::jsonKacis(d.girdi), d.beklenen) << d.girdi;
}

TEST(Metinler, HostLabelTable) {
    struct Durum {
        char const* surec;
        char const* etiket;
    } const tablo[] = {
        {"Logic Pro", "Logic"},  {"AUHostingService", "Logic"},
        {"Cubase 14", "Cubase"}, {"Studio One 7", "Studio One"},
        {"Live", "Live"},        {"", "DAW"},
        {"Logi", "Logi"},        {"cubase", "cubase"},
    };
    for (auto const& d : tablo)
        EXPECT_EQ(oka::konakEtiketi(d.surec), d.etiket) << d.surec;
}

TEST(Metinler, HelloCarriesEveryKeyInOrder) {
    SurecAdi s("Studio One 7");
    SahteKabuk c;
    c.format = {true, 44100.9, 1};
    c.anaCikis = 0;
    c.elleAdiUygula("Vo\"kal ş", "arayuz");
    std::string const e = c.ornekEtiketi();
    EXPECT_EQ(
        c.merhabaJson(53172),
        "{\"tip\":\"merhaba\",\"ornek\":\"" + e +
            "\",\"degisken\":\"vst3\",\"surum\":\"1.1\",\"rol\":\"kanal\",\"kanalAdi\":\"Vo\\\"kal ş\","
            "\"ornekleme\":44100,\"kanal\":1,\"kapi\":53172,\"konak\":\"Studio One\",\"adKaynagi\":\"elle\","
            "\"surec\":\"Studio One 7\",\"anaCikis\":0}");
}

TEST(Metinler, HelloWithoutNamesFormatOrMainStatement) {
    SahteKabuk c;
    c.format = {};
    std::string const j = c.merhabaJson(53171);
    EXPECT_NE(j.find("\"kanalAdi\":null,\"ornekleme\":0,\"kanal\":0,\"kapi\":53171"), std::string::npos) << j;
    EXPECT_NE(j.find("\"adKaynagi\":\"(yok)\""), std::string::npos) << j;
    EXPECT_EQ(j.substr(j.size() - 16), "\"anaCikis\":null}");
}

TEST(Metinler, TransportFieldsFollowTheSource) {
    SahteKabuk c;
    EXPECT_EQ(c.tasimaAlanlari(), "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true");
    c.tasimaDurumu = 1;
    c.caliyor = true;
    c.dongu = true;
    EXPECT_EQ(c.tasimaAlanlari(), "\"caliyor\":true,\"dongu\":true,\"bilinmiyor\":false");
    c.tasimaDurumu = 2;
    EXPECT_EQ(c.tasimaAlanlari(), "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true");
}

TEST(Metinler, FormatSummary) {
    SahteKabuk c;
    EXPECT_EQ(c.bicimOzet(), "sr=48000 kanal=2");
    c.format = {};
    EXPECT_EQ(c.bicimOzet(), "sr=? kanal=?");
    c.format = {true, std::nan(""), 2};
    EXPECT_EQ(c.bicimOzet(), "sr=0 kanal=2") << "a broken rate from the host is shown as 0, not undefined";
}
