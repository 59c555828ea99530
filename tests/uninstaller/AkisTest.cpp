// The uninstaller's decisions without processes or windows: counting the
// removal output, language and mode, and the order and shape of alerts in the
// flow. The child's environment is checked through the built app.

#include "Akis.h"

#include <gtest/gtest.h>

#include <deque>
#include <sstream>

namespace oka {
namespace {

TEST(CiktiSayimi, CountsOnlyExactPrefixesAtLineStart) {
    struct Durum {
        const char* cikti;
        int silinen, zatenYok;
        bool tamam;
        std::size_t satir;
    } durumlar[] = {
        {"removed: a\nremoved: b\nremoved: c\nsilindi: d\nalready gone: e\nzaten yok: f\n\ntamam\n", 4, 2,
         true, 7},
        {"  removed: a\nremoved:b\nzaten yok:c\n\talready gone: d\nRemoved: e\n", 0, 0, false, 5},
        {"removed: a\r\ntamamlandı", 1, 0, true, 2},
        {"removed: a", 1, 0, false, 1},
        {"", 0, 0, false, 0},
        {"\n\n\n", 0, 0, false, 0},
        {"silindi: tamam\nx tamam\n", 1, 0, false, 2},
    };
    for (const Durum& d : durumlar) {
        const CiktiSayimi s = ciktiSay(d.cikti);
        EXPECT_EQ(s.silinen, d.silinen) << d.cikti;
        EXPECT_EQ(s.zatenYok, d.zatenYok) << d.cikti;
        EXPECT_EQ(s.tamam, d.tamam) << d.cikti;
        EXPECT_EQ(s.satirlar.size(), d.satir) << d.cikti;
    }
}

TEST(DilVeKip, TurkishOnlyForALeadingLowercaseTr) {
    for (const char* dil : {"tr", "tr-TR", "tr_CY", "trx"})
        EXPECT_TRUE(turkceMi(dil)) << dil;
    for (const char* dil : {"en", "en-GB", "en-TR", "TR", "t", ""})
        EXPECT_FALSE(turkceMi(dil)) << dil;
}

TEST(DilVeKip, NonInteractiveOnlyForExactlyOne) {
    EXPECT_TRUE(testKipiMi("1"));
    for (const char* deger : {"true", "0", "", " 1", "1 ", "11"})
        EXPECT_FALSE(testKipiMi(deger)) << '"' << deger << '"';
    EXPECT_FALSE(testKipiMi(nullptr));
}

// Records what the flow asks of the window system and the script, in order.
struct Kayit {
    std::vector<std::string> olaylar;
    std::vector<std::vector<std::string>> dugmeler;
    std::vector<UyariStili> stiller;
};

class SahteUyarici : public Uyarici {
public:
    SahteUyarici(Kayit& kayit, std::deque<int> yanitlar) : mKayit(kayit), mYanitlar(std::move(yanitlar)) {}
    void hazirla() override { mKayit.olaylar.push_back("hazirla"); }
    int goster(const std::string& baslik, const std::string& metin, const std::vector<std::string>& dugmeler,
               UyariStili stil) override {
        mKayit.olaylar.push_back("[" + baslik + "] " + metin.substr(0, metin.find(' ')));
        mKayit.dugmeler.push_back(dugmeler);
        mKayit.stiller.push_back(stil);
        if (mYanitlar.empty())
            return 0;
        const int yanit = mYanitlar.front();
        mYanitlar.pop_front();
        return yanit;
    }

private:
    Kayit& mKayit;
    std::deque<int> mYanitlar;
};

struct Senaryo {
    BetikSonucu denetim, kaldirma;
    std::deque<int> yanitlar;
    bool turkce = false;
};

int calistir(const Senaryo& s, Kayit& kayit, std::string& cikis) {
    SahteUyarici uyarici(kayit, s.yanitlar);
    std::ostringstream akis;
    const Kaldirma k{s.turkce, true, uyarici,
                     [&](const Ekler& ekler, std::chrono::milliseconds sinir) {
                         std::string olay = "betik";
                         for (const auto& [ad, deger] : ekler)
                             olay += " " + ad + "=" + deger;
                         olay += " " + std::to_string(sinir.count() / 60000) + "dk";
                         kayit.olaylar.push_back(olay);
                         return ekler.count("OKA_KALDIR_KIP") ? s.denetim : s.kaldirma;
                     },
                     akis};
    const int kod = kaldir(k);
    cikis = akis.str();
    return kod;
}

TEST(KaldirmaAkisi, RunsCheckConfirmRemoveReportInOrder) {
    Kayit kayit;
    std::string cikis;
    EXPECT_EQ(calistir({{0, ""}, {0, "removed: a\ntamam"}, {}}, kayit, cikis), 0);
    const std::vector<std::string> beklenen{
        "hazirla",
        "betik OKA_KALDIR_KIP=denetle 2dk",
        "[OKA Bridge Uninstall] This",
        "betik OKA_KALDIR_ONAYLI=1 10dk",
        "[OKA Bridge Uninstall] OKA",
    };
    EXPECT_EQ(kayit.olaylar, beklenen);
    EXPECT_EQ(cikis, "removed: a\ntamam\n");
}

TEST(KaldirmaAkisi, AnyAnswerButTheFirstCancelsWithoutRemoving) {
    for (int yanit : {1, -1}) {
        Kayit kayit;
        std::string cikis;
        EXPECT_EQ(calistir({{0, ""}, {0, "tamam"}, {yanit}}, kayit, cikis), 0);
        EXPECT_EQ(kayit.olaylar.size(), 3u) << yanit; // prepare, check, confirmation
        EXPECT_EQ(cikis, "");
    }
}

TEST(KaldirmaAkisi, EachOutcomeHasItsButtonsAndStyle) {
    const std::vector<std::string> ok{"OK"};
    struct Durum {
        const char* ad;
        Senaryo senaryo;
        int kod;
        std::vector<std::string> sonDugmeler;
        UyariStili sonStil;
    } durumlar[] = {
        {"workstation open", {{3, ""}, {}, {}}, 3, ok, UyariStili::uyari},
        {"check failed", {{126, "x"}, {}, {}}, 126, ok, UyariStili::kritik},
        {"success", {{0, ""}, {0, "tamam"}, {}}, 0, ok, UyariStili::bilgi},
        {"partial", {{0, ""}, {4, ""}, {}}, 4, ok, UyariStili::uyari},
        {"failure", {{0, ""}, {9, ""}, {}}, 9, ok, UyariStili::kritik},
        {"exit 0 without the marker", {{0, ""}, {0, "removed: a"}, {}}, 1, ok, UyariStili::kritik},
        {"confirmation cancelled", {{0, ""}, {}, {1}}, 0, {"Uninstall", "Cancel"}, UyariStili::uyari},
        {"confirmation cancelled in Turkish",
         {{0, ""}, {}, {1}, true},
         0,
         {"Kaldır", "Vazgeç"},
         UyariStili::uyari},
    };
    for (const Durum& d : durumlar) {
        Kayit kayit;
        std::string cikis;
        EXPECT_EQ(calistir(d.senaryo, kayit, cikis), d.kod) << d.ad;
        ASSERT_FALSE(kayit.dugmeler.empty()) << d.ad;
        EXPECT_EQ(kayit.dugmeler.back(), d.sonDugmeler) << d.ad;
        EXPECT_EQ(kayit.stiller.back(), d.sonStil) << d.ad;
    }
}

} // namespace
} // namespace oka
