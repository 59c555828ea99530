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

TEST(BetikCalistir, InheritedRunVariablesAndTheFakeRootNeverReachARealRun) {
    using L = std::vector<std::string>;
    const L kendi{"OKA_KALDIR_KIP=eski", "OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_KOK=/k", "A=1"};
    EXPECT_EQ(cocukOrtami(kendi, true, false, {{"OKA_KALDIR_KIP", "denetle"}, {"A", "2"}}),
              (L{"OKA_KALDIR_DIL=tr", "A=2", "OKA_KALDIR_KIP=denetle"}));
    EXPECT_EQ(cocukOrtami(kendi, false, true, {}), (L{"OKA_KALDIR_KOK=/k", "A=1", "OKA_KALDIR_DIL=en"}));
    EXPECT_EQ(cocukOrtami({"OKA_KALDIR_DIL=de"}, true, false, {}), L{"OKA_KALDIR_DIL=de"});
}

SurecSonucu kabuk(const std::string& betik, std::chrono::milliseconds sinir = 60s) {
    return surecCalistir("/bin/sh", {"-c", betik}, {"PATH=/usr/bin:/bin"}, sinir);
}

TEST(SurecCalistir, EndsMapToCodesAndBothStreamsShareOnePipeWithoutInput) {
    const std::tuple<std::string, int, std::string> durumlar[] = {
        {"echo bir; echo iki >&2; read x; echo \"[$x] $?\"", 0, "bir\niki\n[] 1\n"},
        {"echo a; sleep 1.2; echo b; exit 255", 255, "a\nb\n"}, // read on across a silent second
        {"kill -QUIT $$", 128 + SIGQUIT, ""},                   // never 3, "workstation open"
        {"kill -ILL $$", 128 + SIGILL, ""},                     // never 4, "partial"
    };
    for (const auto& [betik, kod, bayt] : durumlar) {
        const SurecSonucu s = kabuk(betik);
        EXPECT_EQ(std::tie(s.kod, s.bayt, s.kesildi, s.zamanAsimi), std::make_tuple(kod, bayt, false, false))
            << betik;
    }
    const SurecSonucu s = surecCalistir("/yok/sh", {}, {}, 10s);
    EXPECT_EQ(std::tie(s.kod, s.bayt), std::make_tuple(126, std::string(std::strerror(ENOENT))));
}

TEST(SurecCalistir, StopsARunPastItsLimitWithItsWholeGroup) {
    for (const char* sonu : {"", "; exec >&- 2>&-; wait"}) { // output held open, or closed without exit
        const SurecSonucu s = kabuk(std::string("sleep 120 & echo $!") + sonu, 1s);
        EXPECT_EQ(std::tie(s.kod, s.zamanAsimi), std::make_tuple(ZAMAN_ASIMI_KODU, true)) << sonu;
        // Killed with the group: gone, or a zombie until something reaps it.
        const std::string stat = "/proc/" + std::to_string(std::stoi(s.bayt)) + "/stat";
        std::string durum = test::dosyaOku(stat);
        for (int i = 0; i < 200 && !durum.empty() && durum.find(") Z ") == std::string::npos;
             ++i, usleep(10000))
            durum = test::dosyaOku(stat);
        EXPECT_TRUE(durum.empty() || durum.find(") Z ") != std::string::npos) << sonu << ": " << durum;
    }
}

TEST(BetikCalistir, ReportsMissingScriptBadBytesHugeOutputAndTimeoutReadably) {
    test::GeciciKlasor k;
    test::dosyaYaz(k.yol / "a.sh", "printf \"x\\377$OKA_KALDIR_KIP\"; exec >&-; sleep 120");
    test::dosyaYaz(k.yol / "b.sh", "head -c 8000000 /dev/zero | tr '\\0' a; exit 7");
    test::dosyaYaz(k.yol / "c.sh", "head -c " + std::to_string(CIKTI_SINIRI) + " /dev/zero | tr '\\0' a");
    const std::tuple<std::optional<std::string>, std::chrono::milliseconds, BetikSonucu> durumlar[] = {
        {std::nullopt, 60s, {127, "kaldir.sh yok"}},
        // Drained to the end, so never blocked on a full pipe, but only the limit kept.
        {(k.yol / "c.sh").string(), 60s, {0, std::string(CIKTI_SINIRI, 'a')}},
        {k.yol / "b.sh", 60s, {7, std::string(CIKTI_SINIRI, 'a') + "\n[çıktının geri kalanı gösterilmiyor]"}},
        {k.yol / "a.sh",
         1s,
         {124, "x\xEF\xBF\xBD"
               "denetle\nkaldir.sh 1 saniye içinde bitmedi ve durduruldu."}},
    };
    for (const auto& [yol, sinir, beklenen] : durumlar) {
        const BetikSonucu s = betikCalistir(yol, true, false, {{"OKA_KALDIR_KIP", "denetle"}}, sinir);
        EXPECT_EQ(std::tie(s.kod, s.cikti), std::tie(beklenen.kod, beklenen.cikti)) << beklenen.kod;
    }
    EXPECT_EQ(zamanAsimiMetni(120s, false), "kaldir.sh did not finish within 2 min and was stopped.");
    EXPECT_EQ(zamanAsimiMetni(90s, false) + "|" + zamanAsimiMetni(60s, true),
              "kaldir.sh did not finish within 90 s and was stopped.|kaldir.sh 1 dakika içinde bitmedi ve "
              "durduruldu.");
}

} // namespace
} // namespace oka
