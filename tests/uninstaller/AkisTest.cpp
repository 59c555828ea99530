// The uninstaller's decisions and flow without processes or windows, and the
// repair of the script's bytes before anyone sees them.

#include "Akis.h"
#include "Utf8.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sstream>
#include <thread>

namespace oka {
namespace {

TEST(DilVeKip, TurkishForALeadingLowercaseTrAndTestModeOnlyForOne) {
    using L = std::vector<std::string>;
    for (const L& d : {L{"tr"}, L{"tr-TR", "en"}, L{"trx"}})
        EXPECT_TRUE(turkceMi(d)) << d[0];
    for (const L& d : {L{}, L{"en-TR", "tr"}, L{"TR"}})
        EXPECT_FALSE(turkceMi(d)) << d.size();
    EXPECT_TRUE(testKipiMi("1"));
    for (const char* d : {"true", "0", "", " 1", "11", static_cast<const char*>(nullptr)})
        EXPECT_FALSE(testKipiMi(d)) << (d ? d : "unset");
}

TEST(Uyarici, ButtonsKeysAndTheTextMode) {
    // An answer is the first button's code plus the index; anything else is no button.
    for (const auto& [yanit, sira] : {std::pair{1000, 0}, {1001, 1}, {1002, -1}, {999, -1}})
        EXPECT_EQ(dugmeSirasi(yanit, 1000, 2), sira) << yanit;
    EXPECT_EQ(dugmeTusu(0) + "|" + dugmeTusu(1) + "|" + dugmeTusu(2), "\r|\033|");
    std::ostringstream cikis;
    EXPECT_EQ(MetinUyarici(cikis).goster("B", "m", {"x", "y"}, UyariStili::uyari), 0);
    EXPECT_EQ(cikis.str(), "[B] m\n");
}

// Answers the confirmation as told and keeps the last alert.
struct SahteUyarici : Uyarici {
    int yanit = 0;
    bool hazir = false;
    std::string son;
    std::vector<std::string> sonDugmeler;
    UyariStili sonStil{};
    std::atomic<int> islenen{0};

    void hazirla() override { hazir = true; }
    int goster(const std::string& b, const std::string& m, const std::vector<std::string>& d,
               UyariStili s) override {
        std::tie(son, sonDugmeler, sonStil) = std::make_tuple("[" + b + "] " + m, d, s);
        return std::exchange(yanit, 0);
    }
    void olaylariIsle(std::chrono::milliseconds) override { ++islenen; }
};

TEST(KaldirmaAkisi, ScriptsRunOffTheMainThreadWhileEventsAreHandled) {
    SahteUyarici u;
    const auto ana = std::this_thread::get_id();
    const BetikSonucu s = arkadaCalistir(u, [&] {
        for (int i = 0; i < 1000 && u.islenen < 3; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return BetikSonucu{std::this_thread::get_id() != ana, std::to_string(u.islenen >= 3)};
    });
    EXPECT_EQ(std::tie(s.kod, s.cikti), std::make_tuple(1, std::string("1")));
}

// Each outcome once, in both languages and both modes: its exit code, the
// last alert (style, buttons, a telling part of its text), the runs made and
// what non-interactive mode prints.
TEST(KaldirmaAkisi, EachOutcomeHasItsExitCodeAlertAndRuns) {
    using S = UyariStili;
    // Only exact prefixes at the very start of a line count, in either language.
    const std::string R = "removed: a\nsilindi: b\n\n  removed: c\nremoved:d\nRemoved: e\nalready gone: f\r\n"
                          "already gone:g\nzaten yok: h\nalready gone: tamam\ntamamlandı";
    struct Durum {
        BetikSonucu denetim, kaldirma;
        int yanit, kod;
        S stil;
        bool onay, yazilir; // onay: the confirmation is the last alert; yazilir: the output is printed
        std::string calismalar, tr, en;
    } const durumlar[] = {
        // clang-format off
        {{3, "x"}, {}, 0, 3, S::uyari, false, false, "K2", "Studio Pro açık. Kapatıp", "Studio Pro is open. Quit"},
        {{127, "kaldir.sh yok"}, {}, 0, 127, S::kritik, false, false, "K2", "Denetim yapılamadı: kaldir.sh yok",
         "Check failed: kaldir.sh yok"},
        {{0, ""}, {}, 1, 0, S::uyari, true, false, "K2", "Şunlar silinecek: OKA Bridge eklentileri",
         "This removes: the OKA Bridge plug-ins"},
        {{0, ""}, {0, R}, 0, 0, S::bilgi, false, true, "K2O10", "(2 öge silindi, 3 öge zaten yoktu)",
         "(2 items removed, 3 were already gone)"},
        {{0, ""}, {4, "removed: a\nalready gone: b"}, 0, 4, S::uyari, false, true, "K2O10",
         "(1 öge silindi), ama Cubase betiği silinemedi", "(1 items removed), but the Cubase script couldn't"},
        {{0, ""}, {9, "removed: a\ntamam"}, 0, 9, S::kritik, false, false, "K2O10",
         "Kaldırma tamamlanamadı:\nremoved: a\ntamam", "Uninstall didn't finish:\nremoved: a\ntamam"},
        {{0, ""}, {0, "silindi: tamam\nx tamam"}, 0, 1, S::kritik, false, false, "K2O10",
         "tamamlanamadı:\nsilindi: tamam\nx tamam", "finish:\nsilindi: tamam\nx tamam"},
        // clang-format on
    };
    for (const Durum& d : durumlar)
        for (const bool turkce : {false, true})
            for (const bool test : {false, true}) {
                SahteUyarici u;
                u.yanit = d.yanit;
                std::ostringstream cikis;
                std::string calismalar;
                const Kaldirma k{turkce, test, u,
                                 [&](const Ekler& ekler, std::chrono::milliseconds sinir) {
                                     // K: check, O: removal, each with its time limit in minutes.
                                     const bool denetim = ekler == Ekler{{"OKA_KALDIR_KIP", "denetle"}};
                                     const bool onayli = ekler == Ekler{{"OKA_KALDIR_ONAYLI", "1"}};
                                     calismalar += (denetim  ? "K"
                                                    : onayli ? "O"
                                                             : "?") +
                                                   std::to_string(sinir.count() / 60000);
                                     return denetim ? d.denetim : d.kaldirma;
                                 },
                                 cikis};
                const std::vector<std::string> dugmeler =
                    !d.onay  ? std::vector<std::string>{"OK"}
                    : turkce ? std::vector<std::string>{"Kaldır", "Vazgeç"}
                             : std::vector<std::string>{"Uninstall", "Cancel"};
                const std::string ad = d.en + (turkce ? " tr" : "") + (test ? " test" : "");
                EXPECT_EQ(kaldir(k), d.kod) << ad;
                EXPECT_EQ(u.son.rfind("[OKA Bridge Uninstall] ", 0), 0u) << ad;
                EXPECT_NE(u.son.find(turkce ? d.tr : d.en), std::string::npos) << ad << "\n" << u.son;
                EXPECT_EQ(std::tie(u.hazir, u.sonStil, u.sonDugmeler, calismalar),
                          std::make_tuple(true, d.stil, dugmeler, d.calismalar))
                    << ad;
                EXPECT_EQ(cikis.str(), test && d.yazilir ? d.kaldirma.cikti + "\n" : "") << ad;
            }
}

// Valid UTF-8 unchanged, every ill-formed sequence one U+FFFD per maximal
// subpart, nothing after it lost.
TEST(Utf8Onar, KeepsValidTextAndReplacesEachMaximalSubpart) {
    const std::string Y = "\xEF\xBF\xBD"; // U+FFFD
    const std::string gecerli("ç € ሴ ठ 😀 \xF1\x80\x80\x80 \xF4\x8F\xBF\xBF a\0b", 33);
    const std::pair<std::string, std::string> durumlar[] = {
        {gecerli, gecerli},
        {"a\xFFz\x80\xBF", "a" + Y + "z" + Y + Y},                   // stray and lone continuation bytes
        {"\xE2\x82x\xF0\x9F\x98", Y + "x" + Y},                      // truncated forms, one replacement each
        {"\xC0\xAF\xE0\x80\xAF", Y + Y + Y + Y + Y},                 // overlong forms
        {"\xED\xA0\x80\xF4\x90\x80\x80", Y + Y + Y + Y + Y + Y + Y}, // surrogate, above U+10FFFF
        {"\xF5\xFE\xE2(ş", Y + Y + Y + "(ş"},                        // lead bytes never used, then valid text
    };
    for (const auto& [girdi, beklenen] : durumlar)
        EXPECT_EQ(utf8Onar(girdi), beklenen) << girdi;
    // Truncated at the very end, and nothing read past it.
    EXPECT_EQ(utf8Onar(std::string_view("ab\xC3\x80", 3)), "ab" + Y);
}

} // namespace
} // namespace oka
