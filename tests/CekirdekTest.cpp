// The bridge core through a test shell, and the texts it composes.

#include "TestYardimcilari.h"

#include "JsonKacis.h"
#include "core/KonakEtiketi.h"
#include "diag/Gunluk.h"
#include "platform/Surec.h"
#include "server/Sunucu.h"

#include <cerrno>
#include <cmath>
#include <thread>

TEST(Cekirdek, EachInstanceTakesTheNextLabelAndReportsItsEnvironmentUnderIt) {
    HataSatirlari hata;
    OlaySatirlari y;
    SahteKabuk c, sonraki;
    int const no = std::stoi(c.ornekEtiketi().substr(1));
    EXPECT_EQ(c.ornekEtiketi() + "|" + sonraki.ornekEtiketi(),
              "#" + std::to_string(no) + " vst3|#" + std::to_string(no + 1) + " vst3");
    EXPECT_EQ(
        y.ornegin(c.ornekEtiketi()),
        (std::vector<std::string>{"──────── OKA KOPRU ────────", "surum=1.1 degisken=vst3",
                                  "surec=" + oka::surecAdi() + " pid=" + std::to_string(oka::surecNo()),
                                  "kum havuzu: APP_SANDBOX_CONTAINER_ID=hayir · sandbox_check=olculemedi",
                                  "/tmp yazilabilir: EVET"}));
    EXPECT_TRUE(hata.hepsi().empty()) << "the report stays out of the system log";
    std::pair<int, std::optional<bool>> const kumHavuzu[] = {
        {1, true}, {0, false}, {-1, std::nullopt}, {2, std::nullopt}};
    for (auto const& [yanit, anlam] : kumHavuzu)
        EXPECT_EQ(oka::kumHavuzuYaniti(yanit), anlam) << "sandbox answer " << yanit;
}

TEST(Cekirdek, TheStatusRecordTakesThePanelPeakAndCutsLongNames) {
    SahteKabuk c;
    std::vector<float> a(64, 0.5f);
    float const* k[1] = {a.data()};
    c.sesIsle(k, 1, 64);
    oka::ArayuzDurumu d;
    c.durumDoldur(d);
    EXPECT_NEAR(d.tepeDb, 20.0 * std::log10(0.5), 1e-4);
    EXPECT_EQ(std::tuple(d.ornekleme, d.kanal, d.rolMasterMi, std::string(d.surum), std::string(d.konak)),
              std::tuple(48000.0, 2, 0, std::string("1.1"), oka::konakEtiketi(oka::surecAdi())));
    c.format = {};
    c.anaCikis = 1;
    c.konakAd = std::string(254, 'x') + "\xC5\x9F" + std::string(100, 'x'); // ş in bytes 255 and 256
    c.elleAdiUygula(std::string(300, 'y').c_str(), "arayuz");
    c.durumDoldur(d);
    EXPECT_EQ(std::tuple(d.tepeDb, d.ornekleme, d.kanal, d.rolMasterMi), std::tuple(-120.0f, 0.0, 0, 1))
        << "the first fill took the peak; the role is decided afresh";
    EXPECT_EQ(std::string(d.logicAd) + "|" + d.elleAd, std::string(254, 'x') + "|" + std::string(255, 'y'));
}

TEST(Cekirdek, MetersTakeTheFirstTwoChannelsOfBlocksWithAudio) {
    std::vector<float> a(10, -0.5f), b(10, 0.25f), c3(10, 1.0f), tepeli(16, 0.125f), asimetrik(13, 0.25f);
    tepeli[13] = 0.75f;
    asimetrik[2] = -0.5f; // a waveform whose negative half reaches further, its peak past the groups of 8
    asimetrik[11] = -0.75f;
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
        {"peak late in a group of 8", {tepeli.data()}, 1, 16, 0.75, 15 * 0.015625 + 0.5625, 16},
        {"asymmetric, peak in the tail", {asimetrik.data()}, 1, 13, 0.75, 11 * 0.0625 + 0.25 + 0.5625, 13},
        {"no frames", {a.data(), b.data()}, 2, 0, 0, 0, 0},
        {"no channels", {a.data(), b.data()}, 0, 10, 0, 0, 0},
        {"no first buffer", {nullptr, b.data()}, 2, 10, 0, 0, 0},
        {"no channel array", {}, 2, 10, 0, 0, 0},
    };
    for (auto const& d : tablo) {
        SahteKabuk c;
        float const* const* k = d.kanallar.empty() ? nullptr : d.kanallar.data();
        c.sesIsle(k, d.kanal, d.kare);
        c.sesIsle(k, d.kanal, d.kare); // a second equal block leaves the peak
        EXPECT_EQ(std::tuple(c.tepe.load(), c.arayuzTepe.load(), c.kareToplami.load(), c.olculenOrnek.load()),
                  std::tuple(d.tepe, static_cast<float>(d.tepe), 2 * d.kare2, 2 * d.olculen))
            << d.ad;
    }
}

TEST(Cekirdek, WithAServerBlocksAreTappedAndTheRoleFollowsTheName) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    SahteKabuk c;
    c.konakAd = "Stereo Out";
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    EXPECT_TRUE(c.rolMaster && s->rolMaster);
    s->bagli = true; // as the session sets it; what the core does needs no socket
    std::vector<float> a(16, 0.5f), b(16, -0.25f);
    float const* k[2] = {a.data(), b.data()};
    c.ornekZamani = 480.0;
    c.sesIsle(k, 2, 16);
    c.sesIsle(k, 1, 8);
    double zaman = 0;
    std::uint16_t kanal = 0, kare = 0;
    std::vector<float> blok(oka::HalkaTampon::SLOT_ORNEK);
    ASSERT_TRUE(s->halka.oku(zaman, kanal, kare, blok.data()));
    EXPECT_EQ(std::tuple(zaman, kanal, kare, blok[15], blok[16]), std::tuple(480.0, 2, 16, 0.5f, -0.25f));
    ASSERT_TRUE(s->halka.oku(zaman, kanal, kare, blok.data())) << "a mono block is tapped too";
    EXPECT_EQ(std::tuple(kanal, kare, blok[7]), std::tuple(1, 8, 0.5f));
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

// A re-decision while the first decision or another re-decision is under way
// (the shell holds the first answer until the second ran) ends as the latest
// answer calls for, core and server.
TEST(Rol, RacingDecisionsEndAsTheLatestStateCallsFor) {
    KapiKilidi kapilar("oka-kapilar");
    for (bool const ilkKarar : {false, true}) {
        struct : SahteKabuk {
            std::int32_t konakAnaCikis() const override {
                std::int32_t const cevap = ana;
                if (tut.exchange(false))
                    bekleKadar([&] { return bitti.load(); }, 300ms);
                return cevap;
            }
            std::atomic<std::int32_t> ana{0};
            mutable std::atomic<bool> tut{false}, bitti{false};
        } c;
        if (!ilkKarar)
            c.baslat();
        c.ana = 1;
        c.tut = true;
        std::thread ilk([&] { ilkKarar ? c.baslat() : c.rolYenidenHesapla("ilk"); });
        ASSERT_TRUE(bekleKadar([&] { return !c.tut.load(); }));
        c.ana = 0;
        c.rolYenidenHesapla("ikinci");
        c.bitti = true;
        ilk.join();
        EXPECT_FALSE(c.rolMaster || c.sunucuAl()->rolMaster) << (ilkKarar ? "first decision" : "re-decision");
    }
}

TEST(Rol, DecisionFromNameMainOutputAndProcess) {
    // Channel name, main-output statement, process name: master?
    std::tuple<char const*, std::int32_t, char const*, bool> const tablo[] = {
        {"Stereo Out", -1, "Cubase", true}, {"Stereo Out", 0, "Logic Pro", true},
        {"Vocals", -1, "Logic Pro", false}, {"Vocals", 1, "Logic Pro", true},
        {"Main", -1, "Studio One 7", true}, {"Main", -1, "Studio Pro 8", true},
        {"Main", -1, "Studio One", true},   {"Main", -1, "Studio On", false},
        {"Main", -1, "Cubase 14", false},   {"main", -1, "Studio One", false},
        {"Main", 2, "Cubase 14", false},    {"stereo out", -1, "Cubase", false},
        {"", -1, "Studio One", false},
    };
    for (auto const& [ad, ana, surec, master] : tablo)
        EXPECT_EQ(oka::rolKarari(ad, ana, surec), master) << ad << " / " << ana << " / " << surec;
}

TEST(ElleAd, TheManualNameWinsOnceAndClearingFallsBack) {
    OlaySatirlari y;
    SahteKabuk c;
    EXPECT_EQ(c.adKaynagi(), "(yok)");
    c.konakAd = "Stereo Out";
    EXPECT_EQ(std::pair(c.rolHesapla(), c.adKaynagi()), std::pair(true, std::string("kanal-baglami")));
    c.elleAdiUygula("Bas", "arayuz");
    c.elleAdiUygula("Bas", "arayuz");
    EXPECT_EQ(std::pair(c.rolHesapla(), c.adKaynagi()), std::pair(false, std::string("elle")))
        << "the manual name is the effective name";
    c.elleAdiUygula(nullptr, "setState");
    EXPECT_EQ(std::pair(c.rolHesapla(), c.elleAdKopyasi()), std::pair(true, std::string()));
    EXPECT_EQ(y.say("elle ad (arayuz): \"Bas\"") + y.say("elle ad (setState): \"(Logic adina donuldu)\""), 2);
    EXPECT_EQ(c.arayuzBildirimi, 0) << "without a server nothing is re-decided or shown";
}

TEST(Metinler, TheHelloCarriesEveryKeyInOrderEscapedAndWithTheHostsLabel) {
    std::pair<std::string, std::string> const kacis[] = {
        {"a\"b", "a\\\"b"},
        {"a\\b", "a\\\\b"},
        {"\t\n\r", "\\t\\n\\r"},
        {std::string("\x01\x1f\x20", 3), "\\u0001\\u001f "},
        {"ş/ü", "ş/ü"},
        {"", ""},
        // A saved name is bytes: what is not UTF-8 must not reach the JSON text.
        {"a\xFF\xC3", "a\\ufffd\\ufffd"},
        {"\xC0\x80\xED\xA0\x80", "\\ufffd\\ufffd\\ufffd\\ufffd\\ufffd"},
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
    SahteKabuk c;
    std::string const surec = oka::surecAdi();
    auto merhaba = [&](std::string ad, std::string bicim, int kapi, std::string kaynak, std::string ana) {
        return "{\"tip\":\"merhaba\",\"ornek\":\"" + c.ornekEtiketi() +
               "\",\"degisken\":\"vst3\",\"surum\":\"1.1\",\"rol\":\"kanal\",\"kanalAdi\":" + ad + "," +
               bicim + ",\"kapi\":" + std::to_string(kapi) + ",\"konak\":\"" + oka::konakEtiketi(surec) +
               "\",\"adKaynagi\":\"" + kaynak + "\",\"surec\":\"" + surec + "\",\"anaCikis\":" + ana + "}";
    };
    c.format = {true, 44100.9, 1};
    c.anaCikis = 0;
    c.elleAdiUygula("Vo\"kal", "arayuz");
    EXPECT_EQ(c.merhabaJson(53172),
              merhaba("\"Vo\\\"kal\"", "\"ornekleme\":44100,\"kanal\":1", 53172, "elle", "0"));
    c.format = {};
    c.anaCikis = -1;
    c.elleAdiUygula("", "arayuz");
    EXPECT_EQ(c.merhabaJson(53171), merhaba("null", "\"ornekleme\":0,\"kanal\":0", 53171, "(yok)", "null"));
}

TEST(Metinler, TransportPulseAndFormatSummary) {
    SahteKabuk c;
    std::string const bilinmiyor = "\"caliyor\":false,\"dongu\":false,\"bilinmiyor\":true";
    std::tuple<std::int32_t, bool, bool, std::string> const tablo[] = {
        {0, true, true, bilinmiyor},
        {1, true, false, "\"caliyor\":true,\"dongu\":false,\"bilinmiyor\":false"},
        {1, false, true, "\"caliyor\":false,\"dongu\":true,\"bilinmiyor\":false"},
        {2, true, true, bilinmiyor}};
    for (auto const& [kaynak, caliyor, dongu, alanlar] : tablo) {
        std::tie(c.tasimaDurumu, c.caliyor, c.dongu) = std::tuple(kaynak, caliyor, dongu);
        EXPECT_EQ(c.tasimaAlanlari(), alanlar);
    }
    EXPECT_EQ(c.tasimaJson(), "{\"tip\":\"tasima\"," + bilinmiyor + "}");
    EXPECT_EQ(c.nabizJson(7),
              "{\"tip\":\"nabiz\",\"ornek\":\"" + c.ornekEtiketi() + "\",\"no\":7," + bilinmiyor + "}");
    // A broken rate from the host is shown as 0, not undefined.
    std::pair<oka::BicimBilgisi, char const*> const bicimler[] = {{{true, 48000.9, 2}, "sr=48000 kanal=2"},
                                                                  {{}, "sr=? kanal=?"},
                                                                  {{true, std::nan(""), 2}, "sr=0 kanal=2"},
                                                                  {{true, 1e300, 1}, "sr=0 kanal=1"}};
    for (auto const& [f, ozet] : bicimler) {
        c.format = f;
        EXPECT_EQ(c.bicimOzet(), ozet);
    }
}

TEST(HataGunlugu, ComposesTheFailedCallWithErrnoAndItsText) {
    HataSatirlari a;
    oka::gunlukHata("[#1 vst3] bind", EADDRINUSE);
    a.etkin = false;
    oka::gunlukHata("[#1 vst3] listen", EACCES);
    EXPECT_EQ(a.hepsi(), std::vector<std::string>{"HATA [#1 vst3] bind() errno=" +
                                                  std::to_string(EADDRINUSE) + " (Address already in use)"});
    // Whatever strerror_r wrote counts, also beside a failure status.
    std::pair<char const*, char const*> const metin[] = {
        {"Unknown error: 99999", "Unknown error: 99999"}, {"", "?"}, {nullptr, "?"}};
    for (auto const& [yazilan, beklenen] : metin)
        EXPECT_EQ(oka::hataMetni(yazilan), beklenen);
}
