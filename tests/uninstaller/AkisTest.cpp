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

// Answers the confirmation as scripted and keeps the last alert.
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

TEST(KaldirmaAkisi, EachOutcomeHasItsExitCodeAlertAndRuns) {
    using S = UyariStili;
    // Only exact prefixes at the very start of a line count.
    const std::string R = "removed: a\nremoved: b\n\n  removed: c\nremoved:d\nRemoved: e\nalready gone: f\r\n"
                          "already gone:g\nalready gone: tamam\ntamamlandı";
    const std::vector<std::string> ok{"OK"}, en{"Uninstall", "Cancel"}, tr{"Kaldır", "Vazgeç"};
    struct Durum {
        BetikSonucu denetim, kaldirma;
        int yanit;
        bool turkce, test;
        int kod;
        S stil;
        std::vector<std::string> dugmeler;
        std::string calismalar, cikis, metin;
    } durumlar[] = {
        // clang-format off
        {{3, "x"}, {}, 0, false, true, 3, S::uyari, ok, "K2", "",
         "Logic Pro, Cubase or Fender Studio Pro is open. Quit it and try again — nothing was removed."},
        {{3, "x"}, {}, 0, true, true, 3, S::uyari, ok, "K2", "",
         "Logic Pro, Cubase ya da Fender Studio Pro açık. Kapatıp yeniden aç — hiçbir şey silinmedi."},
        {{127, "kaldir.sh yok"}, {}, 0, false, true, 127, S::kritik, ok, "K2", "", "Check failed: kaldir.sh yok"},
        {{126, "x"}, {}, 0, true, true, 126, S::kritik, ok, "K2", "", "Denetim yapılamadı: x"},
        {{0, ""}, {}, 1, false, true, 0, S::uyari, en, "K2", "",
         "This removes: the OKA Bridge plug-ins (AU, VST3), the OKA MIDI helper and the Cubase MIDI Remote "
         "script. The OKA app is not removed."},
        {{0, ""}, {}, -1, true, true, 0, S::uyari, tr, "K2", "",
         "Şunlar silinecek: OKA Bridge eklentileri (AU, VST3), OKA MIDI yardımcısı ve Cubase MIDI Remote "
         "betiği. OKA uygulaması silinmez."},
        {{0, ""}, {0, R}, 0, false, true, 0, S::bilgi, ok, "K2O10", R + "\n",
         "OKA Bridge was removed (2 items removed, 2 were already gone). The OKA app now opens the MIDI port "
         "itself."},
        {{0, ""}, {0, "silindi: a\nzaten yok: b\nzaten yok: c\ntamam\n"}, 0, true, false, 0, S::bilgi, ok, "K2O10",
         "", "OKA Bridge kaldırıldı (1 öge silindi, 2 öge zaten yoktu). OKA uygulaması MIDI portunu artık "
         "kendisi açar."},
        {{0, ""}, {4, "removed: a\nalready gone: b"}, 0, false, true, 4, S::uyari, ok, "K2O10",
         "removed: a\nalready gone: b\n",
         "OKA Bridge was removed (1 items removed), but the Cubase script couldn't be removed: access to the "
         "Documents folder wasn't allowed. Turn on System Settings → Privacy & Security → Files and Folders → "
         "OKA Bridge Uninstall → Documents, then run this app again."},
        {{0, ""}, {4, "silindi: a"}, 0, true, false, 4, S::uyari, ok, "K2O10", "",
         "OKA Bridge kaldırıldı (1 öge silindi), ama Cubase betiği silinemedi: Belgeler klasörüne erişim "
         "verilmedi. Sistem Ayarları → Gizlilik ve Güvenlik → Dosyalar ve Klasörler → OKA Bridge Uninstall → "
         "Belgeler'i aç, sonra bu uygulamayı yeniden çalıştır."},
        {{0, ""}, {9, "removed: a\ntamam"}, 0, false, true, 9, S::kritik, ok, "K2O10", "",
         "Uninstall didn't finish:\nremoved: a\ntamam"},
        {{0, ""}, {0, "silindi: tamam\nx tamam"}, 0, true, true, 1, S::kritik, ok, "K2O10", "",
         "Kaldırma tamamlanamadı:\nsilindi: tamam\nx tamam"},
        // clang-format on
    };
    for (const Durum& d : durumlar) {
        SahteUyarici u;
        u.yanit = d.yanit;
        std::ostringstream cikis;
        std::string calismalar;
        const Kaldirma k{
            d.turkce, d.test, u,
            [&](const Ekler& ekler, std::chrono::milliseconds sinir) {
                // K: check, O: removal, each with its time limit in minutes.
                const bool denetim = ekler == Ekler{{"OKA_KALDIR_KIP", "denetle"}};
                const bool onayli = ekler == Ekler{{"OKA_KALDIR_ONAYLI", "1"}};
                calismalar += (denetim ? "K" : onayli ? "O" : "?") + std::to_string(sinir.count() / 60000);
                return denetim ? d.denetim : d.kaldirma;
            },
            cikis};
        EXPECT_EQ(kaldir(k), d.kod) << d.metin;
        EXPECT_EQ(u.son, "[OKA Bridge Uninstall] " + d.metin);
        EXPECT_EQ(std::tie(u.hazir, u.sonStil, u.sonDugmeler, calismalar),
                  std::make_tuple(true, d.stil, d.dugmeler, d.calismalar))
            << d.metin;
        EXPECT_EQ(cikis.str(), d.cikis) << d.metin;
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
