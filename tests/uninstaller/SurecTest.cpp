// Running a real /bin/sh child: the pipe is drained to the end without
// filling memory, a run that never ends is stopped at its limit, and every way
// of ending maps to a code that cannot be mistaken for 3 or 4.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>

namespace oka {
namespace {

using namespace std::chrono_literals;

SurecSonucu kabuk(const std::string& betik, std::chrono::milliseconds sinir = 60s) {
    return surecCalistir("/bin/sh", {"-c", betik}, {"PATH=/usr/bin:/bin"}, sinir);
}

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

TEST(SurecCalistir, CollectsBothStreamsInOnePipe) {
    const SurecSonucu s = kabuk("echo bir; echo iki >&2; echo uc");
    EXPECT_EQ(s.kod, 0);
    EXPECT_EQ(s.bayt, "bir\niki\nuc\n");
    EXPECT_FALSE(s.kesildi);
    EXPECT_FALSE(s.zamanAsimi);
}

TEST(SurecCalistir, DrainsAHugeOutputButKeepsOnlyTheLimit) {
    const SurecSonucu s = kabuk("head -c 8000000 /dev/zero | tr '\\0' a; exit 7");
    EXPECT_EQ(s.kod, 7); // the child was never blocked on a full pipe
    EXPECT_EQ(s.bayt.size(), CIKTI_SINIRI);
    EXPECT_EQ(s.bayt.find_first_not_of('a'), std::string::npos);
    EXPECT_TRUE(s.kesildi);
}

TEST(SurecCalistir, GivesTheChildNoInputToWaitFor) {
    EXPECT_EQ(kabuk("read satir; echo \"[$satir] $?\"").bayt, "[] 1\n");
}

TEST(SurecCalistir, ASignalBecomes128PlusItsNumber) {
    struct Durum {
        const char* betik;
        int kod;
    } durumlar[] = {
        {"kill -QUIT $$", 128 + SIGQUIT}, // never 3, "workstation open"
        {"kill -ILL $$", 128 + SIGILL},   // never 4, "partial"
        {"kill -TERM $$", 128 + SIGTERM}, {"exit 3", 3}, {"exit 255", 255},
    };
    for (const Durum& d : durumlar)
        EXPECT_EQ(kabuk(d.betik).kod, d.kod) << d.betik;
}

TEST(SurecCalistir, AProgramThatCannotStartGives126AndTheReason) {
    const SurecSonucu s = surecCalistir("/yok/sh", {}, {}, 10s);
    EXPECT_EQ(s.kod, 126);
    EXPECT_EQ(s.bayt, std::strerror(ENOENT));
}

TEST(SurecCalistir, StopsARunThatOutlivesItsLimitWithItsWholeGroup) {
    test::GeciciKlasor k;
    const std::string pidDosyasi = (k.yol() / "pid").string();
    struct Durum {
        const char* ad;
        std::string betik;
    } durumlar[] = {
        {"output held open by a background child", "sleep 120 & echo $! > " + pidDosyasi + "; echo basladi"},
        {"output closed but no exit",
         "sleep 120 & echo $! > " + pidDosyasi + "; echo basladi; exec >&- 2>&-; wait"},
    };
    for (const Durum& d : durumlar) {
        const auto bas = std::chrono::steady_clock::now();
        const SurecSonucu s = kabuk(d.betik, 1s);
        EXPECT_LT(std::chrono::steady_clock::now() - bas, 60s) << d.ad; // not the child's 120 s
        EXPECT_EQ(s.kod, ZAMAN_ASIMI_KODU) << d.ad;
        EXPECT_TRUE(s.zamanAsimi) << d.ad;
        EXPECT_EQ(s.bayt, "basladi\n") << d.ad;
        const pid_t arkaPlan = std::stoi(test::dosyaOku(pidDosyasi));
        // Killed with the group: gone, or a zombie until something reaps it.
        const std::string stat = "/proc/" + std::to_string(arkaPlan) + "/stat";
        std::string durum = test::dosyaOku(stat);
        for (int i = 0; i < 200 && !durum.empty() && durum.find(") Z ") == std::string::npos; ++i) {
            usleep(10000);
            durum = test::dosyaOku(stat);
        }
        EXPECT_TRUE(durum.empty() || durum.find(") Z ") != std::string::npos) << d.ad << ": " << durum;
    }
}

TEST(BetikCalistir, ReportsMissingScriptBadBytesAndTimeoutReadably) {
    test::GeciciKlasor k;
    const auto betik = [&](const std::string& ad, const std::string& govde) {
        test::dosyaYaz(k.yol() / ad, govde);
        return (k.yol() / ad).string();
    };
    struct Durum {
        const char* ad;
        std::optional<std::string> yol;
        bool turkce;
        std::chrono::milliseconds sinir;
        BetikSonucu beklenen;
    } durumlar[] = {
        {"missing script", std::nullopt, false, 60s, {127, "kaldir.sh yok"}},
        {"invalid UTF-8", betik("a.sh", "printf 'x\\377y'"), false, 60s, {0, "x\xEF\xBF\xBDy"}},
        {"the run's own variables",
         betik("b.sh", "printf %s \"$OKA_KALDIR_KIP\""),
         false,
         60s,
         {0, "denetle"}},
        {"timeout in Turkish",
         betik("c.sh", "echo x; exec >&-; sleep 120"),
         true,
         1s,
         {ZAMAN_ASIMI_KODU, "x\nkaldir.sh 1 saniye içinde bitmedi ve durduruldu."}},
        {"timeout in English",
         betik("d.sh", "printf x; exec >&-; sleep 120"),
         false,
         1s,
         {ZAMAN_ASIMI_KODU, "x\nkaldir.sh did not finish within 1 s and was stopped."}},
    };
    for (const Durum& d : durumlar) {
        const BetikSonucu s = betikCalistir(d.yol, d.turkce, false, {{"OKA_KALDIR_KIP", "denetle"}}, d.sinir);
        EXPECT_EQ(s.kod, d.beklenen.kod) << d.ad;
        EXPECT_EQ(s.cikti, d.beklenen.cikti) << d.ad;
    }
}

} // namespace
} // namespace oka
