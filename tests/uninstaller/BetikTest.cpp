// The child's environment, a real /bin/sh child (the pipe drained to the end
// within a memory limit, a run past its limit stopped with its whole group,
// a signal mapped to a code that cannot read as 3 or 4), and the real
// kaldir.sh on a fake Mac: a home and a system root holding every item of the
// install table, with stand-ins for ps and launchctl on PATH.

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

// Every way a run ends, through /bin/sh as the app runs the script.
TEST(BetikCalistir, EachEndGivesItsCodeAndReadableOutput) {
    GeciciKlasor k;
    const std::tuple<std::string, std::chrono::milliseconds, BetikSonucu> durumlar[] = {
        // clang-format off
        // Both streams into one pipe, no input, and read on across a silent second.
        {"echo bir; echo iki >&2; sleep 1.2; read x; echo \"[$x] $?\"; exit 255", 60s, {255, "bir\niki\n[] 1\n"}},
        {"kill -QUIT $$", 60s, {128 + SIGQUIT, ""}}, // never 3, "workstation open"
        // Drained to the end, so never blocked on a full pipe, but only the limit kept.
        {"head -c " + std::to_string(CIKTI_SINIRI) + " /dev/zero | tr '\\0' a", 60s, {0, std::string(CIKTI_SINIRI, 'a')}},
        {"head -c 8000000 /dev/zero | tr '\\0' a; exit 7", 60s,
         {7, std::string(CIKTI_SINIRI, 'a') + "\n[çıktının geri kalanı gösterilmiyor]"}},
        // Output closed without an exit: the limit still holds.
        {"printf \"x\\377$OKA_KALDIR_KIP\"; exec >&- 2>&-; sleep 120", 1s,
         {124, "x\xEF\xBF\xBD" "denetle\nkaldir.sh 1 saniye içinde bitmedi ve durduruldu."}},
        // clang-format on
    };
    for (const auto& [betik, sinir, beklenen] : durumlar) {
        dosyaYaz(k.yol / "b.sh", betik);
        const BetikSonucu s =
            betikCalistir((k.yol / "b.sh").string(), true, false, {{"OKA_KALDIR_KIP", "denetle"}}, sinir);
        EXPECT_EQ(std::tie(s.kod, s.cikti), std::tie(beklenen.kod, beklenen.cikti)) << betik;
    }
    const BetikSonucu yok = betikCalistir(std::nullopt, true, false, {}, 60s);
    EXPECT_EQ(std::tie(yok.kod, yok.cikti), std::make_tuple(127, std::string("kaldir.sh yok")));
    const SurecSonucu s = surecCalistir("/yok/sh", {}, {}, 10s);
    EXPECT_EQ(std::tie(s.kod, s.bayt), std::make_tuple(126, std::string(std::strerror(ENOENT))));
    EXPECT_EQ(
        zamanAsimiMetni(120s, false) + "|" + zamanAsimiMetni(90s, false) + "|" + zamanAsimiMetni(60s, true),
        "kaldir.sh did not finish within 2 min and was stopped.|kaldir.sh did not finish within 90 s and "
        "was stopped.|kaldir.sh 1 dakika içinde bitmedi ve durduruldu.");
}

TEST(SurecCalistir, StopsARunPastItsLimitWithItsWholeGroup) {
    const SurecSonucu s = surecCalistir("/bin/sh", {"-c", "sleep 120 & echo $!"}, {"PATH=/usr/bin:/bin"}, 1s);
    EXPECT_EQ(std::tie(s.kod, s.zamanAsimi), std::make_tuple(ZAMAN_ASIMI_KODU, true));
    // Killed with the group: gone, or a zombie until something reaps it.
    const std::string stat = "/proc/" + std::to_string(std::stoi(s.bayt)) + "/stat";
    std::string durum = dosyaOku(stat);
    for (int i = 0; i < 200 && !durum.empty() && durum.find(") Z ") == std::string::npos; ++i, usleep(10000))
        durum = dosyaOku(stat);
    EXPECT_TRUE(durum.empty() || durum.find(") Z ") != std::string::npos) << durum;
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
// Folders that go once they hold none of our items, and where the links of
// the link case point: what a run may leave behind, after the items.
const std::vector<std::string> IZLER = {"~/Library/Application Support/OKA Bridge",
                                        CUBASE.substr(0, CUBASE.size() - 4), "/disari/OKA Bridge.vst3/x",
                                        "/hedef/x"};
// Neighbours that must survive every run.
const std::vector<std::string> KOMSULAR = {"~/Library/Audio/Plug-Ins/VST3/Other.vst3/x", "~/Documents/x",
                                           "~/Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/x"};

struct SahteMac {
    GeciciKlasor yer;

    SahteMac() {
        // mkdtemp makes it 700: open it to the unprivileged user the script runs as.
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
    }

    // "~/..." in the fake home, "/..." in the fake system root.
    fs::path yol(const std::string& oge) const {
        return yer.yol / (oge[0] == '~' ? "ev" : "kok") / oge.substr(oge[0] == '~' ? 2 : 1);
    }
    bool var(const std::string& oge) const { return fs::exists(fs::symlink_status(yol(oge))); }
    std::vector<std::string> kalanlar() const {
        std::vector<std::string> kalan;
        for (const auto* liste : {&OGELER, &IZLER})
            std::copy_if(liste->begin(), liste->end(), std::back_inserter(kalan),
                         [&](auto& o) { return var(o); });
        return kalan;
    }
};

// The lines of items `bas` to `son` with one prefix.
std::string satirlar(const std::string& onek, std::size_t bas = 0, std::size_t son = 8) {
    std::string s;
    for (std::size_t i = bas; i < son; ++i)
        s += onek + OGELER[i] + "\n";
    return s;
}

// Every case on a fresh fake Mac, run by an unprivileged user (nobody when we
// are root, so that closed folders hold): its exit code and whole output,
// what it left, and what it asked of launchd.
TEST(KaldirBetigi, RemovesOnlyOurItemsAndOnlyWhenNothingStandsInTheWay) {
    enum Hazirlik { hic, bos, belgelerKapali, sistemKapali, baglanti };
    const uid_t kullanici = geteuid() == 0 ? 65534 : geteuid();
    const std::string O = "OKA_KALDIR_ONAYLI", YOK = "nothing was removed\n",
                      AJAN = "gui/" + std::to_string(kullanici) + "/" + ETIKET,
                      DUR = "stopped: " + ETIKET + "\n", BITMEDI = "the removal did not complete\n",
                      DURDUR = "print " + AJAN + "\nbootout " + AJAN + "\nplist-var\n";
    std::vector<std::string> hepsi = OGELER;
    hepsi.insert(hepsi.end(), IZLER.begin(), IZLER.begin() + 2);
    using L = std::vector<std::string>;
    struct Durum {
        Ekler ekler;
        const char* surecler; // nullptr: the process list cannot be read
        Hazirlik hazirlik;
        int kod;
        std::string cikti;
        L kalan;
        std::string launchctl;
    } const durumlar[] = {
        // clang-format off
        {{{O, "1"}, {"OKA_KALDIR_DIL", "tr"}}, "/sbin/launchd\n/Applications/OKA.app/Contents/MacOS/OKA\n", hic, 0,
         "durduruldu: " + ETIKET + "\n" + satirlar("silindi: ") + "tamam\n", {}, DURDUR},
        {{{O, "1"}}, "", bos, 0, satirlar("already gone: ") + "tamam\n", {}, "print " + AJAN + "\n"},
        {{{"OKA_KALDIR_KIP", "denetle"}}, "/sbin/launchd\n/A/Logic Pro X.app/Contents/MacOS/Logic Pro X\n", hic, 3,
         "running: Logic Pro X\n", hepsi, ""},
        {{{"OKA_KALDIR_KIP", "denetle"}}, "Cubase 14\n", hic, 3, "running: Cubase 14\n", hepsi, ""},
        {{{"OKA_KALDIR_KIP", "denetle"}}, "Studio One 6\n", hic, 3, "running: Studio One 6\n", hepsi, ""},
        {{{"OKA_KALDIR_KIP", "denetle"}}, "Fender Studio Pro\n", hic, 3, "running: Fender Studio Pro\n", hepsi, ""},
        {{{O, "1"}}, "Studio Pro 7\n", hic, 3, "running: Studio Pro 7\n", hepsi, ""},
        {{{"OKA_KALDIR_KIP", "denetle"}}, "/A/OKA Cubase helper\n/usr/bin/cubase\n", hic, 0, "", hepsi, ""},
        {{{O, "1"}}, nullptr, hic, 5, "could not list the running programs\n", hepsi, ""},
        {{{O, "yes"}}, "", hic, 2, "not confirmed: " + YOK, hepsi, ""},
        {{{O, "1"}, {"OKA_KALDIR_KIP", "sil"}}, "", hic, 2, "unknown mode: sil\n", hepsi, ""},
        {{{O, "1"}, {"HOME", "/"}}, "", hic, 2, "HOME is not usable: " + YOK, hepsi, ""},
        {{{O, "1"}, {"HOME", "ev"}}, "", hic, 2, "HOME is not usable: " + YOK, hepsi, ""},
        {{{O, "1"}}, "", belgelerKapali, 4, DUR + satirlar("removed: ", 0, 7) + "no access to the Documents folder: " +
         CUBASE + " was not removed\n", {CUBASE, IZLER[1]}, DURDUR},
        {{{O, "1"}}, "", sistemKapali, 1, DUR + satirlar("removed: ", 0, 5) + "could not remove: " + VST3 + "\n" +
         satirlar("removed: ", 6) + BITMEDI, {VST3}, DURDUR},
        // A folder on the way points elsewhere; an item that is itself a link goes as a link.
        {{{O, "1"}}, "", baglanti, 1, DUR + satirlar("removed: ", 0, 3) +
         "not removed, a symbolic link is on the way: ~" + VST3 + "\n" + satirlar("removed: ", 4) + BITMEDI,
         {"~" + VST3, IZLER[2], IZLER[3]}, DURDUR},
        // clang-format on
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        if (d.surecler)
            dosyaYaz(mac.yol("/surecler"), d.surecler);
        if (d.hazirlik == bos) { // nothing installed, the helper not loaded
            for (const std::string& oge : hepsi)
                fs::remove_all(mac.yol(oge));
            fs::remove(mac.yol("/yuklu"));
        }
        if (d.hazirlik == baglanti) {
            fs::rename(mac.yol("~/Library/Audio/Plug-Ins/VST3"), mac.yol("/disari"));
            fs::create_directory_symlink(mac.yol("/disari"), mac.yol("~/Library/Audio/Plug-Ins/VST3"));
            fs::rename(mac.yol(AU), mac.yol("/hedef"));
            fs::create_directory_symlink(mac.yol("/hedef"), mac.yol(AU));
        }
        for (auto& girdi : fs::recursive_directory_iterator(mac.yer.yol))
            ASSERT_EQ(lchown(girdi.path().c_str(), kullanici, static_cast<gid_t>(-1)), 0) << girdi.path();
        const std::string kapali = d.hazirlik == belgelerKapali ? "~/Documents"
                                   : d.hazirlik == sistemKapali ? "/Library/Audio/Plug-Ins/VST3"
                                                                : "";
        if (!kapali.empty())
            fs::permissions(mac.yol(kapali), fs::perms::owner_exec);
        // The fake Mac's own variables under the case's, as the app passes them in test mode.
        const std::vector<std::string> ortam = cocukOrtami(
            {"PATH=" + mac.yol("/bin").string() + ":/usr/bin:/bin", "SAHTE=" + mac.yol("/").string(),
             "HOME=" + mac.yol("~/").string(), "OKA_KALDIR_KOK=" + mac.yol("/").string()},
            false, true, d.ekler);
        const std::string id = std::to_string(kullanici), betik = mac.yol("/kaldir.sh").string();
        const SurecSonucu s =
            kullanici == geteuid()
                ? surecCalistir("/bin/sh", {betik}, ortam, 60s)
                : surecCalistir("/usr/bin/setpriv",
                                {"--reuid=" + id, "--regid=" + id, "--clear-groups", "/bin/sh", betik}, ortam,
                                60s);
        EXPECT_EQ(std::tie(s.kod, s.bayt), std::tie(d.kod, d.cikti));
        EXPECT_EQ(mac.kalanlar(), d.kalan) << d.cikti;
        EXPECT_EQ(dosyaOku(mac.yol("/launchctl")), d.launchctl) << d.cikti;
        for (const std::string& oge : KOMSULAR)
            EXPECT_TRUE(mac.var(oge)) << oge;
        if (!kapali.empty()) // lets the scratch folder go also when we are not root
            fs::permissions(mac.yol(kapali), fs::perms::owner_all);
    }
}

} // namespace
} // namespace oka
