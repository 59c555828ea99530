// The child's environment, a real /bin/sh child (the pipe drained to the end
// within a memory limit, a run past its limit stopped with its whole group,
// every way of ending mapped to a code that cannot read as 3 or 4), and the
// real kaldir.sh on a fake Mac: a home and a system root holding every item of
// the install table, with stand-ins for ps and launchctl on PATH.

#include "Betik.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace oka {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// A scratch folder, removed with everything in it.
struct GeciciKlasor {
    fs::path yol = [] {
        std::string sablon = (fs::temp_directory_path() / "oka-kaldir-XXXXXX").string();
        return fs::path(mkdtemp(sablon.data()) ? sablon : throw std::runtime_error("mkdtemp"));
    }();
    std::error_code hata;
    ~GeciciKlasor() { fs::remove_all(yol, hata); }
};

// Writes an executable file, creating the folders on the way.
void dosyaYaz(const fs::path& yol, const std::string& icerik) {
    fs::create_directories(yol.parent_path());
    std::ofstream(yol, std::ios::binary) << icerik;
    fs::permissions(yol, fs::perms::owner_all);
}

std::string dosyaOku(const fs::path& yol) {
    std::ifstream girdi(yol, std::ios::binary);
    return {std::istreambuf_iterator<char>(girdi), std::istreambuf_iterator<char>()};
}

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
    const SurecSonucu s = kabuk("sleep 120 & echo $!", 1s);
    EXPECT_EQ(std::tie(s.kod, s.zamanAsimi), std::make_tuple(ZAMAN_ASIMI_KODU, true));
    // Killed with the group: gone, or a zombie until something reaps it.
    const std::string stat = "/proc/" + std::to_string(std::stoi(s.bayt)) + "/stat";
    std::string durum = dosyaOku(stat);
    for (int i = 0; i < 200 && !durum.empty() && durum.find(") Z ") == std::string::npos; ++i, usleep(10000))
        durum = dosyaOku(stat);
    EXPECT_TRUE(durum.empty() || durum.find(") Z ") != std::string::npos) << durum;
}

TEST(BetikCalistir, ReportsMissingScriptBadBytesHugeOutputAndTimeoutReadably) {
    GeciciKlasor k;
    // Output closed without an exit: the limit still holds.
    dosyaYaz(k.yol / "a.sh", "printf \"x\\377$OKA_KALDIR_KIP\"; exec >&- 2>&-; sleep 120");
    dosyaYaz(k.yol / "b.sh", "head -c 8000000 /dev/zero | tr '\\0' a; exit 7");
    dosyaYaz(k.yol / "c.sh", "head -c " + std::to_string(CIKTI_SINIRI) + " /dev/zero | tr '\\0' a");
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
    EXPECT_EQ(
        zamanAsimiMetni(120s, false) + "|" + zamanAsimiMetni(90s, false) + "|" + zamanAsimiMetni(60s, true),
        "kaldir.sh did not finish within 2 min and was stopped.|kaldir.sh did not finish within 90 s and "
        "was stopped.|kaldir.sh 1 dakika içinde bitmedi ve durduruldu.");
}

const std::string ETIKET = "com.quillmarsh.brightmoor.midi-yardimci";
const std::string CUBASE = "~/Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Velmora/OKA";
const std::string VST3 = "/Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3";
const std::string AU = "~/Library/Audio/Plug-Ins/Components/OKA Bridge.component";
// Every item in the order the script handles it, per-user ones from "~".
const std::vector<std::string> OGELER = {"~/Library/LaunchAgents/" + ETIKET + ".plist",
                                         "~/Library/Application Support/OKA Bridge/oka-midi-yardimci",
                                         "~/Library/Preferences/" + ETIKET + ".plist",
                                         "~" + VST3,
                                         AU,
                                         VST3,
                                         AU.substr(1),
                                         CUBASE};
// Neighbours that must survive every run.
const std::vector<std::string> KOMSULAR = {"~/Library/Audio/Plug-Ins/VST3/Other.vst3/x", "~/Documents/x",
                                           "~/Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/x"};

struct SahteMac {
    GeciciKlasor yer;

    SahteMac() {
        // mkdtemp makes it 700: open it to the unprivileged user some cases run as.
        fs::permissions(yer.yol, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        dosyaYaz(yol("/bin/ps"), "#!/bin/sh\n[ \"$*\" = '-axo comm=' ] && cat \"$SAHTE/surecler\"\n");
        // Loaded while $SAHTE/yuklu exists; bootout notes whether the plist was still there.
        dosyaYaz(yol("/bin/launchctl"), "#!/bin/sh\necho \"$*\" >> \"$SAHTE/launchctl\"\ncase $1 in\n"
                                        "print) [ -f \"$SAHTE/yuklu\" ] ;;\nbootout) rm \"$SAHTE/yuklu\"; "
                                        "[ -f \"$HOME/" +
                                            OGELER[0].substr(2) +
                                            "\" ] && echo plist-var >> \"$SAHTE/launchctl\" ;;\nesac\n");
        for (const std::string& oge : OGELER) // bundles and the Cubase folder are folders
            dosyaYaz(oge.find("Bridge.") != std::string::npos || oge == CUBASE ? yol(oge) / "x" : yol(oge),
                     "");
        for (const std::string& oge : KOMSULAR)
            dosyaYaz(yol(oge), "");
        dosyaYaz(yol("/yuklu"), "");
        fs::copy_file(OKA_KALDIR_BETIGI, yol("/kaldir.sh"));
        dosyaYaz(yol("/surecler"), "/sbin/launchd\n/Applications/OKA.app/Contents/MacOS/OKA\n");
    }

    // "~/..." in the fake home, "/..." in the fake system root.
    fs::path yol(const std::string& oge) const {
        return yer.yol / (oge[0] == '~' ? "ev" : "kok") / oge.substr(oge[0] == '~' ? 2 : 1);
    }
    bool var(const std::string& oge) const { return fs::exists(fs::symlink_status(yol(oge))); }
    std::vector<std::string> kalanlar() const {
        std::vector<std::string> kalan;
        std::copy_if(OGELER.begin(), OGELER.end(), std::back_inserter(kalan),
                     [&](auto& o) { return var(o); });
        return kalan;
    }

    // The script as `kullanici`, with `ekler` over the fake Mac's own variables.
    SurecSonucu calistir(std::vector<std::string> ekler, uid_t kullanici = geteuid()) const {
        for (const std::string& e :
             {"PATH=" + yol("/bin").string() + ":/usr/bin:/bin", "SAHTE=" + yol("/").string(),
              "HOME=" + yol("~/").string(), "OKA_KALDIR_KOK=" + yol("/").string()})
            if (std::none_of(ekler.begin(), ekler.end(),
                             [&](auto& x) { return x.rfind(e.substr(0, e.find('=')), 0) == 0; }))
                ekler.push_back(e);
        const std::string id = std::to_string(kullanici), betik = yol("/kaldir.sh").string();
        if (kullanici == geteuid())
            return surecCalistir("/bin/sh", {betik}, ekler, 60s);
        return surecCalistir("/usr/bin/setpriv",
                             {"--reuid=" + id, "--regid=" + id, "--clear-groups", "/bin/sh", betik}, ekler,
                             60s);
    }
};

std::string satirlar(const std::string& onek) {
    std::string s;
    for (const std::string& oge : OGELER)
        s += onek + oge + "\n";
    return s;
}

TEST(KaldirBetigi, RemovesEveryItemOnceThenFindsThemGone) {
    SahteMac mac;
    SurecSonucu s = mac.calistir({"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_DIL=tr"});
    EXPECT_EQ(std::tie(s.kod, s.bayt),
              std::make_tuple(0, "durduruldu: " + ETIKET + "\n" + satirlar("silindi: ") + "tamam\n"));
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{});
    for (const std::string& oge : KOMSULAR)
        EXPECT_TRUE(mac.var(oge)) << oge;
    // Folders that held only our items go with them.
    EXPECT_FALSE(mac.var("~/Library/Application Support/OKA Bridge") ||
                 mac.var(CUBASE.substr(0, CUBASE.size() - 4)));
    // The helper is stopped while its LaunchAgent file still exists.
    const std::string ajan = "gui/" + std::to_string(getuid()) + "/" + ETIKET;
    EXPECT_EQ(dosyaOku(mac.yol("/launchctl")), "print " + ajan + "\nbootout " + ajan + "\nplist-var\n");

    s = mac.calistir({"OKA_KALDIR_ONAYLI=1"});
    EXPECT_EQ(std::tie(s.kod, s.bayt), std::make_tuple(0, satirlar("already gone: ") + "tamam\n"));
}

TEST(KaldirBetigi, RemovesNothingWhenAWorkstationRunsOrTheRunIsNotSound) {
    const std::string K = "OKA_KALDIR_KIP=denetle", O = "OKA_KALDIR_ONAYLI=1", YOK = "nothing was removed\n";
    struct Durum {
        std::vector<std::string> ekler;
        const char* surecler; // nullptr: the process list cannot be read
        std::string cikti;
        int kod;
    } durumlar[] = {
        {{K}, "/sbin/launchd\n/A/Logic Pro X.app/Contents/MacOS/Logic Pro X\n", "running: Logic Pro X\n", 3},
        {{K}, "Cubase 14\n", "running: Cubase 14\n", 3},
        {{K}, "Studio One 6\n", "running: Studio One 6\n", 3},
        {{K}, "Fender Studio Pro\n", "running: Fender Studio Pro\n", 3},
        {{O}, "Studio Pro 7\n", "running: Studio Pro 7\n", 3},
        {{K}, "/A/OKA Cubase helper\n/usr/bin/cubase\n", "", 0},
        {{O}, nullptr, "could not list the running programs\n", 5},
        {{"OKA_KALDIR_ONAYLI=yes"}, "", "not confirmed: " + YOK, 2},
        {{"OKA_KALDIR_DIL=tr"}, "", "onay yok: hiçbir şey silinmedi\n", 2},
        {{O, "OKA_KALDIR_KIP=sil"}, "", "unknown mode: sil\n", 2},
        {{O, "HOME=/"}, "", "HOME is not usable: " + YOK, 2},
        {{O, "HOME=ev"}, "", "HOME is not usable: " + YOK, 2},
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        fs::remove(mac.yol("/surecler"));
        if (d.surecler)
            dosyaYaz(mac.yol("/surecler"), d.surecler);
        const SurecSonucu s = mac.calistir(d.ekler);
        EXPECT_EQ(std::tie(s.kod, s.bayt), std::tie(d.kod, d.cikti)) << d.cikti;
        EXPECT_EQ(mac.kalanlar(), OGELER) << d.cikti;
        EXPECT_FALSE(mac.var("/launchctl")) << d.cikti;
    }
}

TEST(KaldirBetigi, AnItemBehindALinkOrAClosedFolderStaysAndTheRemovalFails) {
    const std::tuple<std::string, std::string, std::string, int> durumlar[] = {
        {"~/Documents", CUBASE, "no access to the Documents folder: " + CUBASE + " was not removed\n", 4},
        {"/Library/Audio/Plug-Ins/VST3", VST3, "could not remove: " + VST3 + "\n", 1},
        // A folder on the way points elsewhere; an item that is itself a link goes as a link.
        {"", "~" + VST3, "not removed, a symbolic link is on the way: ~" + VST3 + "\nremoved: " + AU + "\n",
         1},
    };
    for (const auto& [kapali, oge, satir, kod] : durumlar) {
        SahteMac mac;
        if (kapali.empty()) {
            fs::rename(mac.yol("~/Library/Audio/Plug-Ins/VST3"), mac.yol("/disari"));
            fs::create_directory_symlink(mac.yol("/disari"), mac.yol("~/Library/Audio/Plug-Ins/VST3"));
            fs::rename(mac.yol(AU), mac.yol("/hedef"));
            fs::create_directory_symlink(mac.yol("/hedef"), mac.yol(AU));
        }
        // As root, permissions do not apply: the fake Mac goes to nobody, who runs the script.
        const uid_t kullanici = geteuid() == 0 ? 65534 : geteuid();
        for (auto& girdi : fs::recursive_directory_iterator(mac.yer.yol))
            EXPECT_EQ(lchown(girdi.path().c_str(), kullanici, static_cast<gid_t>(-1)), 0) << girdi.path();
        if (!kapali.empty())
            fs::permissions(mac.yol(kapali), fs::perms::owner_exec);
        const SurecSonucu s = mac.calistir({"OKA_KALDIR_ONAYLI=1"}, kullanici);
        EXPECT_EQ(s.kod, kod) << s.bayt;
        EXPECT_NE(s.bayt.find(satir), std::string::npos) << s.bayt;
        EXPECT_EQ(s.bayt.find("tamam"), std::string::npos) << s.bayt;
        EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{oge});
        EXPECT_EQ(mac.var("/hedef/x") && mac.var("/disari/OKA Bridge.vst3/x"),
                  kapali.empty()); // never followed
        if (!kapali.empty())       // lets the scratch folder go also when we are not root
            fs::permissions(mac.yol(kapali), fs::perms::owner_all);
    }
}

} // namespace
} // namespace oka
