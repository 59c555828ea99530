// The real kaldir.sh on a fake Mac: a home and a system root holding every
// item of the install table, with stand-ins for ps and launchctl on PATH.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

namespace oka {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

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
    test::GeciciKlasor yer;

    SahteMac() {
        // Open to the unprivileged user some cases run as, wherever the build tree is.
        fs::permissions(yer.yol, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
        test::dosyaYaz(yol("/bin/ps"), "#!/bin/sh\n[ \"$*\" = '-axo comm=' ] && cat \"$SAHTE/surecler\"\n");
        // Loaded while $SAHTE/yuklu exists; bootout notes whether the plist was still there.
        test::dosyaYaz(yol("/bin/launchctl"),
                       "#!/bin/sh\necho \"$*\" >> \"$SAHTE/launchctl\"\ncase $1 in\n"
                       "print) [ -f \"$SAHTE/yuklu\" ] ;;\nbootout) rm \"$SAHTE/yuklu\"; "
                       "[ -f \"$HOME/" +
                           OGELER[0].substr(2) + "\" ] && echo plist-var >> \"$SAHTE/launchctl\" ;;\nesac\n");
        for (const std::string& oge : OGELER) // bundles and the Cubase folder are folders
            test::dosyaYaz(
                oge.find("Bridge.") != std::string::npos || oge == CUBASE ? yol(oge) / "x" : yol(oge), "");
        for (const std::string& oge : KOMSULAR)
            test::dosyaYaz(yol(oge), "");
        test::dosyaYaz(yol("/yuklu"), "");
        fs::copy_file(OKA_KALDIR_BETIGI, yol("/kaldir.sh"));
        test::dosyaYaz(yol("/surecler"), "/sbin/launchd\n/Applications/OKA.app/Contents/MacOS/OKA\n");
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
    EXPECT_EQ(test::dosyaOku(mac.yol("/launchctl")), "print " + ajan + "\nbootout " + ajan + "\nplist-var\n");

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
            test::dosyaYaz(mac.yol("/surecler"), d.surecler);
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
