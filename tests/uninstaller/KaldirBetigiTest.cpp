// The real kaldir.sh, and once the built app around it, on a fake Mac: a home
// and a system root holding every item of the install table, with stand-ins
// for ps and launchctl on PATH.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

#include <map>
#include <unistd.h>

namespace oka {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string ETIKET = "com.quillmarsh.brightmoor.midi-yardimci";
const std::string CUBASE = "~/Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Velmora/OKA";
const std::string VST3 = "/Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3";
// Every item in the order the script handles it, per-user ones from "~".
const std::vector<std::string> OGELER = {"~/Library/LaunchAgents/" + ETIKET + ".plist",
                                         "~/Library/Application Support/OKA Bridge/oka-midi-yardimci",
                                         "~/Library/Preferences/" + ETIKET + ".plist",
                                         "~" + VST3,
                                         "~/Library/Audio/Plug-Ins/Components/OKA Bridge.component",
                                         VST3,
                                         "/Library/Audio/Plug-Ins/Components/OKA Bridge.component",
                                         CUBASE};
// Neighbours that must survive every run.
const std::vector<std::string> KOMSULAR = {"~/Library/Audio/Plug-Ins/VST3/Other.vst3/x", "~/Documents/x",
                                           "~/Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/x"};

class SahteMac {
public:
    SahteMac() {
        // Open to the unprivileged user some cases run as, wherever the build tree is.
        fs::permissions(mYer.yol(), fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        fs::create_directories(yol("/"));
        fs::copy_file(OKA_KALDIR_UYGULAMA, yol("/oka-kaldir"));
        fs::copy_file(OKA_KALDIR_BETIGI, yol("/kaldir.sh"));
        test::dosyaYaz(yol("/bin/ps"), "#!/bin/sh\n[ \"$*\" = '-axo comm=' ] && cat \"$SAHTE/surecler\"\n");
        // Loaded while $SAHTE/yuklu exists; bootout notes whether the plist was still there.
        test::dosyaYaz(yol("/bin/launchctl"),
                       "#!/bin/sh\necho \"$*\" >> \"$SAHTE/launchctl\"\ncase $1 in\n"
                       "print) [ -f \"$SAHTE/yuklu\" ] ;;\nbootout) rm \"$SAHTE/yuklu\"; [ -f \"" +
                           yol(OGELER[0]).string() +
                           "\" ] && echo plist-var >> \"$SAHTE/launchctl\" ;;\nesac\n");
        for (const std::string& oge : OGELER) // bundles and the Cubase folder are folders
            test::dosyaYaz(
                oge.find("Bridge.") != std::string::npos || oge == CUBASE ? yol(oge) / "x" : yol(oge), "x");
        for (const std::string& oge : KOMSULAR)
            test::dosyaYaz(yol(oge), "x");
        test::dosyaYaz(yol("/yuklu"), "");
        test::dosyaYaz(yol("/surecler"), "/sbin/launchd\n/Applications/OKA.app/Contents/MacOS/OKA\n");
    }

    // "~/..." in the fake home, "/..." in the fake system root.
    fs::path yol(const std::string& oge) const {
        return mYer.yol() / (oge[0] == '~' ? "ev" : "kok") / oge.substr(oge[0] == '~' ? 2 : 1);
    }
    bool var(const std::string& oge) const { return fs::exists(fs::symlink_status(yol(oge))); }
    std::vector<std::string> kalanlar() const {
        std::vector<std::string> kalan;
        for (const std::string& oge : OGELER)
            if (var(oge))
                kalan.push_back(oge);
        return kalan;
    }

    // Runs the script (or with `uygulama` the app in non-interactive mode) as
    // `kullanici`, in English unless `ekler` say otherwise.
    SurecSonucu calistir(const std::vector<std::string>& ekler, uid_t kullanici = geteuid(),
                         bool uygulama = false) const {
        std::map<std::string, std::string> degerler{
            {"PATH", yol("/bin").string() + ":/usr/bin:/bin"},
            {"SAHTE", yol("/").string()},
            {"HOME", yol("~/").string()},
            {"OKA_KALDIR_KOK", yol("/").string()},
            {"LANGUAGE", "en"},
            {"LSAN_OPTIONS", std::string("print_suppressions=0:suppressions=") + OKA_KALDIR_LSAN}};
        for (const std::string& e : ekler)
            degerler[e.substr(0, e.find('='))] = e.substr(e.find('=') + 1);
        std::vector<std::string> ortam;
        for (const auto& [ad, deger] : degerler)
            ortam.push_back(ad + "=" + deger);
        const std::string betik = yol("/kaldir.sh").string(), id = std::to_string(kullanici);
        if (uygulama)
            return surecCalistir(yol("/oka-kaldir").string(), {}, ortam, 60s);
        if (kullanici == geteuid())
            return surecCalistir("/bin/sh", {betik}, ortam, 60s);
        return surecCalistir("/usr/bin/setpriv",
                             {"--reuid=" + id, "--regid=" + id, "--clear-groups", "/bin/sh", betik}, ortam,
                             60s);
    }

private:
    test::GeciciKlasor mYer;
};

std::string satirlar(const std::string& onek) {
    std::string s;
    for (const std::string& oge : OGELER)
        s += onek + oge + "\n";
    return s;
}

TEST(KaldirBetigi, TheAppRemovesEveryItemOnceThenTheScriptFindsThemGone) {
    SahteMac mac;
    SurecSonucu s = mac.calistir({"OKA_KALDIR_TEST=1", "LANGUAGE=tr_TR.UTF-8"}, 0, true);
    EXPECT_EQ(s.kod, 0) << s.bayt;
    EXPECT_NE(s.bayt.find("] OKA Bridge kaldırıldı (8 öge silindi, 0 öge"), std::string::npos) << s.bayt;
    EXPECT_NE(s.bayt.find("\ndurduruldu: " + ETIKET + "\n" + satirlar("silindi: ") + "tamam\n\n"),
              std::string::npos)
        << s.bayt;
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{});
    for (const std::string& oge : KOMSULAR)
        EXPECT_TRUE(mac.var(oge)) << oge;
    // Folders that held only our items go with them; shared ones stay.
    EXPECT_FALSE(mac.var("~/Library/Application Support/OKA Bridge"));
    EXPECT_FALSE(mac.var(CUBASE.substr(0, CUBASE.size() - 4)));
    // The helper is stopped while its LaunchAgent file still exists.
    const std::string ajan = "gui/" + std::to_string(getuid()) + "/" + ETIKET;
    EXPECT_EQ(test::dosyaOku(mac.yol("/launchctl")), "print " + ajan + "\nbootout " + ajan + "\nplist-var\n");

    s = mac.calistir({"OKA_KALDIR_ONAYLI=1"});
    EXPECT_EQ(s.kod, 0);
    EXPECT_EQ(s.bayt, satirlar("already gone: ") + "tamam\n");
    fs::remove(mac.yol("/kaldir.sh"));
    s = mac.calistir({"OKA_KALDIR_TEST=1"}, 0, true);
    EXPECT_EQ(s.kod, 127);
    EXPECT_EQ(s.bayt, "[OKA Bridge Uninstall] Check failed: kaldir.sh yok\n");
}

TEST(KaldirBetigi, RemovesNothingWhenAWorkstationRunsOrTheRunIsNotSound) {
    struct Durum {
        std::vector<std::string> ortam;
        std::string surecler, cikti;
        int kod;
    } durumlar[] = {
        {{"OKA_KALDIR_KIP=denetle"},
         "/A/Logic Pro X.app/Contents/MacOS/Logic Pro X\n",
         "running: Logic Pro X\n",
         3},
        {{"OKA_KALDIR_KIP=denetle"},
         "/sbin/launchd\n/A/Cubase 14.app/Cubase 14\n",
         "running: Cubase 14\n",
         3},
        {{"OKA_KALDIR_KIP=denetle"}, "/A/Studio One 6\n", "running: Studio One 6\n", 3},
        {{"OKA_KALDIR_KIP=denetle"}, "/A/Fender Studio Pro\n", "running: Fender Studio Pro\n", 3},
        {{"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_KIP=denetle"},
         "/A/Studio Pro 7\n",
         "running: Studio Pro 7\n",
         3},
        {{"OKA_KALDIR_ONAYLI=1"}, "/A/Studio Pro 7\n", "running: Studio Pro 7\n", 3},
        {{"OKA_KALDIR_KIP=denetle"}, "/A/OKA Cubase helper\n/usr/bin/cubase\n", "", 0},
        {{"OKA_KALDIR_ONAYLI=1"}, "-", "could not list the running programs\n", 5},
        {{"OKA_KALDIR_ONAYLI=yes"}, "", "not confirmed: nothing was removed\n", 2},
        {{"OKA_KALDIR_DIL=tr"}, "", "onay yok: hiçbir şey silinmedi\n", 2},
        {{"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_KIP=sil"}, "", "unknown mode: sil\n", 2},
        {{"OKA_KALDIR_ONAYLI=1", "HOME=/"}, "", "HOME is not usable: nothing was removed\n", 2},
        {{"OKA_KALDIR_ONAYLI=1", "HOME=ev"}, "", "HOME is not usable: nothing was removed\n", 2},
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        test::dosyaYaz(mac.yol("/surecler"), d.surecler);
        if (d.surecler == "-") // a process list that cannot be read
            fs::remove(mac.yol("/surecler"));
        const SurecSonucu s = mac.calistir(d.ortam);
        EXPECT_EQ(std::tie(s.kod, s.bayt), std::tie(d.kod, d.cikti)) << d.surecler;
        EXPECT_EQ(mac.kalanlar(), OGELER) << d.cikti;
        EXPECT_FALSE(mac.var("/launchctl")) << d.cikti;
    }
}

TEST(KaldirBetigi, FollowsNoSymbolicLinkOutOfTheTable) {
    SahteMac mac;
    // The per-user VST3 folder points elsewhere; the Components item itself is a link.
    fs::rename(mac.yol("~/Library/Audio/Plug-Ins/VST3"), mac.yol("/disarisi"));
    fs::create_directory_symlink(mac.yol("/disarisi"), mac.yol("~/Library/Audio/Plug-Ins/VST3"));
    fs::rename(mac.yol(OGELER[4]), mac.yol("/hedef"));
    fs::create_directory_symlink(mac.yol("/hedef"), mac.yol(OGELER[4]));

    const SurecSonucu s = mac.calistir({"OKA_KALDIR_ONAYLI=1"});
    EXPECT_EQ(s.kod, 1);
    EXPECT_NE(
        s.bayt.find("\nnot removed, a symbolic link is on the way: ~" + VST3 + "\nremoved: " + OGELER[4]),
        std::string::npos)
        << s.bayt;
    EXPECT_TRUE(mac.var("/disarisi/OKA Bridge.vst3/x") && mac.var("/hedef/x"));
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{"~" + VST3});
}

TEST(KaldirBetigi, AFolderTheUserMayNotEnterKeepsOnlyItsItem) {
    struct Durum {
        std::string kilitli, oge, satir;
        int kod;
    } durumlar[] = {
        {"~/Documents", CUBASE, "no access to the Documents folder: " + CUBASE + " was not removed\n", 4},
        {"/Library/Audio/Plug-Ins/VST3", VST3, "could not remove: " + VST3 + "\n", 1},
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        // As root, permissions do not apply: the fake Mac goes to nobody, who runs the script.
        const uid_t kullanici = geteuid() == 0 ? 65534 : geteuid();
        for (auto& girdi : fs::recursive_directory_iterator(mac.yol("/..")))
            EXPECT_EQ(lchown(girdi.path().c_str(), kullanici, static_cast<gid_t>(-1)), 0) << girdi.path();
        fs::permissions(mac.yol(d.kilitli), fs::perms::owner_exec);

        const SurecSonucu s = mac.calistir({"OKA_KALDIR_ONAYLI=1"}, kullanici);
        fs::permissions(mac.yol(d.kilitli), fs::perms::owner_all);
        EXPECT_EQ(s.kod, d.kod) << s.bayt;
        EXPECT_NE(s.bayt.find(d.satir), std::string::npos) << s.bayt;
        EXPECT_EQ(s.bayt.find("tamam"), std::string::npos) << s.bayt;
        EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{d.oge});
    }
}

} // namespace
} // namespace oka
