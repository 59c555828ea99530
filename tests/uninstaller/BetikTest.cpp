// The child's environment and a real /bin/sh child: the pipe drained to the end
// within a memory limit, a run past its limit stopped with its whole group,
// and every way of ending mapped to a code that cannot read as 3 or 4.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace oka {
namespace {

using namespace std::chrono_literals;

TEST(CocukOrtami, InheritedRunVariablesAndTheFakeRootNeverReachARealRun) {
    struct Durum {
        std::vector<std::string> kendi;
        bool turkce, test;
        Ekler ekler;
        std::vector<std::string> beklenen;
    } durumlar[] = {
        {{"PATH=/bin"}, true, false, {}, {"PATH=/bin", "OKA_KALDIR_DIL=tr"}},
        {{"OKA_KALDIR_DIL=de"}, true, false, {}, {"OKA_KALDIR_DIL=de"}},
        {{"OKA_KALDIR_KIP=eski", "OKA_KALDIR_ONAYLI=1", "A=1"},
         false,
         false,
         {{"OKA_KALDIR_KIP", "denetle"}, {"A", "2"}},
         {"OKA_KALDIR_DIL=en", "A=2", "OKA_KALDIR_KIP=denetle"}},
        {{"OKA_KALDIR_KOK=/sahte"}, false, false, {}, {"OKA_KALDIR_DIL=en"}},
        {{"OKA_KALDIR_KOK=/sahte"}, false, true, {}, {"OKA_KALDIR_KOK=/sahte", "OKA_KALDIR_DIL=en"}},
    };
    for (const Durum& d : durumlar)
        EXPECT_EQ(cocukOrtami(d.kendi, d.turkce, d.test, d.ekler), d.beklenen) << d.kendi[0];
}

SurecSonucu kabuk(const std::string& betik, std::chrono::milliseconds sinir = 60s) {
    return surecCalistir("/bin/sh", {"-c", betik}, {"PATH=/usr/bin:/bin"}, sinir);
}

TEST(SurecCalistir, EndsMapToCodesAndBothStreamsShareOnePipeWithoutInput) {
    struct Durum {
        std::string betik;
        int kod;
        std::string bayt;
    } durumlar[] = {
        {"echo bir; echo iki >&2; read x; echo \"[$x] $?\"", 0, "bir\niki\n[] 1\n"},
        {"exit 255", 255, ""},
        {"kill -QUIT $$", 128 + SIGQUIT, ""}, // never 3, "workstation open"
        {"kill -ILL $$", 128 + SIGILL, ""},   // never 4, "partial"
    };
    for (const Durum& d : durumlar) {
        const SurecSonucu s = kabuk(d.betik);
        EXPECT_EQ(std::tie(s.kod, s.bayt, s.kesildi, s.zamanAsimi),
                  std::make_tuple(d.kod, d.bayt, false, false))
            << d.betik;
    }
    const SurecSonucu s = surecCalistir("/yok/sh", {}, {}, 10s);
    EXPECT_EQ(s.kod, 126);
    EXPECT_EQ(s.bayt, std::strerror(ENOENT));
}

TEST(SurecCalistir, StopsARunPastItsLimitWithItsWholeGroup) {
    for (const char* sonu : {"", "; exec >&- 2>&-; wait"}) { // output held open, or closed without exit
        const SurecSonucu s = kabuk(std::string("sleep 120 & echo $!") + sonu, 1s);
        EXPECT_EQ(std::tie(s.kod, s.zamanAsimi), std::make_tuple(ZAMAN_ASIMI_KODU, true)) << sonu;
        // Killed with the group: gone, or a zombie until something reaps it.
        const std::string stat = "/proc/" + std::to_string(std::stoi(s.bayt)) + "/stat";
        std::string durum = test::dosyaOku(stat);
        for (int i = 0; i < 200 && !durum.empty() && durum.find(") Z ") == std::string::npos; ++i) {
            usleep(10000);
            durum = test::dosyaOku(stat);
        }
        EXPECT_TRUE(durum.empty() || durum.find(") Z ") != std::string::npos) << sonu << ": " << durum;
    }
}

TEST(BetikCalistir, ReportsMissingScriptBadBytesAndTimeoutReadably) {
    test::GeciciKlasor k;
    test::dosyaYaz(k.yol() / "a.sh", "printf \"x\\377$OKA_KALDIR_KIP\"; exec >&-; sleep 120");
    test::dosyaYaz(k.yol() / "b.sh", "head -c 8000000 /dev/zero | tr '\\0' a; exit 7");
    const std::string yol = (k.yol() / "a.sh").string();
    struct Durum {
        std::optional<std::string> yol;
        bool turkce;
        std::chrono::milliseconds sinir;
        BetikSonucu beklenen;
    } durumlar[] = {
        {std::nullopt, false, 60s, {127, "kaldir.sh yok"}},
        // Drained to the end, so never blocked on a full pipe, but only the limit kept.
        {(k.yol() / "b.sh").string(),
         false,
         60s,
         {7, std::string(CIKTI_SINIRI, 'a') + "\n[rest of the output not shown]"}},
        {yol,
         true,
         1s,
         {ZAMAN_ASIMI_KODU, "x\xEF\xBF\xBD"
                            "denetle\nkaldir.sh 1 saniye içinde bitmedi ve durduruldu."}},
    };
    for (const Durum& d : durumlar) {
        const BetikSonucu s = betikCalistir(d.yol, d.turkce, false, {{"OKA_KALDIR_KIP", "denetle"}}, d.sinir);
        EXPECT_EQ(std::tie(s.kod, s.cikti), std::tie(d.beklenen.kod, d.beklenen.cikti)) << d.beklenen.kod;
    }
    EXPECT_EQ(zamanAsimiMetni(120s, false), "kaldir.sh did not finish within 2 min and was stopped.");
    EXPECT_EQ(zamanAsimiMetni(90s, true), "kaldir.sh 90 saniye içinde bitmedi ve durduruldu.");
}

} // namespace
} // namespace oka
