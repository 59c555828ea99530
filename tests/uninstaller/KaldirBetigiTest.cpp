// The real kaldir.sh against a fake home and a fake system root holding every
// item of the install table, with stand-ins for launchctl and ps on PATH.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sys/stat.h>
#include <unistd.h>

namespace oka {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

const std::string ETIKET = "com.quillmarsh.brightmoor.midi-yardimci";
const std::string CUBASE = "Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Velmora/OKA";

// Per-user items under the home, system-wide ones under the fake root, in the
// order the script handles them.
const std::vector<std::string> KULLANICI = {
    "Library/LaunchAgents/" + ETIKET + ".plist",
    "Library/Application Support/OKA Bridge/oka-midi-yardimci",
    "Library/Preferences/" + ETIKET + ".plist",
    "Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3",
    "Library/Audio/Plug-Ins/Components/OKA Bridge.component",
};
const std::vector<std::string> SISTEM = {
    "Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3",
    "Library/Audio/Plug-Ins/Components/OKA Bridge.component",
};
// Neighbours that must survive every run.
const std::vector<std::string> KOMSULAR = {
    "Library/Audio/Plug-Ins/VST3/Other.vst3/Contents/x",
    "Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Other/x.js",
    "Documents/notes.txt",
    "Library/Preferences/com.example.other.plist",
};

class SahteMac {
public:
    SahteMac() {
        fs::permissions(mKlasor.yol(), fs::perms::all & ~fs::perms::others_write & ~fs::perms::group_write);
        fs::create_directories(ev());
        fs::create_directories(kok());
        const auto calistirilabilir = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec;
        test::dosyaYaz(bin() / "ps",
                       "#!/bin/sh\n[ -f \"$SAHTE/ps-bozuk\" ] && exit 1\n"
                       "[ \"$*\" = '-axo comm=' ] || exit 2\ncat \"$SAHTE/surecler\"\n",
                       calistirilabilir);
        // Loaded while $SAHTE/yuklu exists; bootout notes whether the plist was still there.
        test::dosyaYaz(bin() / "launchctl",
                       "#!/bin/sh\necho \"$*\" >> \"$SAHTE/launchctl\"\n"
                       "case $1 in\n"
                       "print) [ -f \"$SAHTE/yuklu\" ] ;;\n"
                       "bootout) [ -f \"$HOME/Library/LaunchAgents/" +
                           ETIKET +
                           ".plist\" ] && echo plist-var >> \"$SAHTE/launchctl\"\n"
                           "  rm -f \"$SAHTE/yuklu\" ;;\n"
                           "*) exit 64 ;;\nesac\n",
                       calistirilabilir);
        test::dosyaYaz(mKlasor.yol() / "surecler",
                       "/sbin/launchd\n/Applications/OKA.app/Contents/MacOS/OKA\n",
                       fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    }

    fs::path ev() const { return mKlasor.yol() / "ev"; }
    fs::path kok() const { return mKlasor.yol() / "kok"; }
    fs::path bin() const { return mKlasor.yol() / "bin"; }
    fs::path sahte() const { return mKlasor.yol(); }

    void hepsiniKur() {
        for (const std::string& y : KULLANICI)
            oge(ev() / y);
        for (const std::string& y : SISTEM)
            oge(kok() / y);
        oge(ev() / CUBASE);
        for (const std::string& y : KOMSULAR)
            test::dosyaYaz(ev() / y, "x");
        test::dosyaYaz(sahte() / "yuklu", "");
    }

    void surecler(const std::string& liste) { test::dosyaYaz(sahte() / "surecler", liste); }

    // Runs the script as `kullanici` (0: as we are), in English unless told.
    SurecSonucu calistir(std::vector<std::string> ortam, uid_t kullanici = 0) const {
        ortam.insert(ortam.begin(), {"PATH=" + bin().string() + ":/usr/bin:/bin", "SAHTE=" + sahte().string(),
                                     "OKA_KALDIR_KOK=" + kok().string()});
        if (std::none_of(ortam.begin(), ortam.end(), [](auto& e) { return e.rfind("HOME=", 0) == 0; }))
            ortam.push_back("HOME=" + ev().string());
        if (kullanici == 0)
            return surecCalistir("/bin/sh", {OKA_KALDIR_BETIGI}, ortam, 60s);
        const std::string id = std::to_string(kullanici);
        return surecCalistir(
            "/usr/bin/setpriv",
            {"--reuid=" + id, "--regid=" + id, "--clear-groups", "/bin/sh", OKA_KALDIR_BETIGI}, ortam, 60s);
    }

    bool var(const fs::path& y) const { return fs::exists(fs::symlink_status(y)); }

    std::vector<std::string> kalanlar() const {
        std::vector<std::string> kalan;
        for (const std::string& y : KULLANICI)
            if (var(ev() / y))
                kalan.push_back("~/" + y);
        if (var(ev() / CUBASE))
            kalan.push_back("~/" + CUBASE);
        for (const std::string& y : SISTEM)
            if (var(kok() / y))
                kalan.push_back("/" + y);
        return kalan;
    }

    void komsularDuruyor() const {
        for (const std::string& y : KOMSULAR)
            EXPECT_TRUE(var(ev() / y)) << y;
    }

private:
    static void oge(const fs::path& y) {
        if (y.extension() == ".vst3" || y.extension() == ".component" || y.filename() == "OKA")
            test::dosyaYaz(y / "Contents" / "Info.plist", "x");
        else
            test::dosyaYaz(y, "x");
    }

    test::GeciciKlasor mKlasor;
};

std::string satirlar(const std::string& onek, bool sistemDahil = true) {
    std::string s;
    for (const std::string& y : KULLANICI)
        s += onek + "~/" + y + "\n";
    if (sistemDahil)
        for (const std::string& y : SISTEM)
            s += onek + "/" + y + "\n";
    return s;
}

const std::vector<std::string> ONAYLI = {"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_DIL=en"};

TEST(KaldirBetigi, RemovesEveryItemOnceThenFindsThemGone) {
    SahteMac mac;
    mac.hepsiniKur();

    const SurecSonucu ilk = mac.calistir(ONAYLI);
    EXPECT_EQ(ilk.kod, 0) << ilk.bayt;
    EXPECT_EQ(ilk.bayt,
              "stopped: " + ETIKET + "\n" + satirlar("removed: ") + "removed: ~/" + CUBASE + "\ntamam\n");
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{});
    mac.komsularDuruyor();
    // The helper is stopped while its LaunchAgent file still exists.
    EXPECT_EQ(test::dosyaOku(mac.sahte() / "launchctl"),
              "print gui/" + std::to_string(getuid()) + "/" + ETIKET + "\nbootout gui/" +
                  std::to_string(getuid()) + "/" + ETIKET + "\nplist-var\n");
    // Folders that held only our items go with them; shared ones stay.
    EXPECT_FALSE(mac.var(mac.ev() / "Library/Application Support/OKA Bridge"));
    EXPECT_FALSE(mac.var(mac.ev() / "Documents/Steinberg/Cubase/MIDI Remote/Driver Scripts/Local/Velmora"));
    EXPECT_TRUE(mac.var(mac.ev() / "Library/Application Support"));

    const SurecSonucu ikinci = mac.calistir({"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_DIL=tr"});
    EXPECT_EQ(ikinci.kod, 0) << ikinci.bayt;
    EXPECT_EQ(ikinci.bayt, satirlar("zaten yok: ") + "zaten yok: ~/" + CUBASE + "\ntamam\n");
}

TEST(KaldirBetigi, CheckRunReportsARunningWorkstation) {
    struct Durum {
        std::string surecler;
        int kod;
        std::string cikti;
    } durumlar[] = {
        {"/Applications/Logic Pro X.app/Contents/MacOS/Logic Pro X\n", 3, "running: Logic Pro X\n"},
        {"/sbin/launchd\n/Applications/Cubase 14.app/Contents/MacOS/Cubase 14\n", 3, "running: Cubase 14\n"},
        {"/Applications/Studio One 6.app/Contents/MacOS/Studio One 6\n", 3, "running: Studio One 6\n"},
        {"/Applications/Fender Studio Pro.app/Contents/MacOS/Fender Studio Pro\n", 3,
         "running: Fender Studio Pro\n"},
        {"/Applications/Studio Pro 7.app/Contents/MacOS/Studio Pro 7\n", 3, "running: Studio Pro 7\n"},
        {"/Applications/Logic Remote.app/Contents/MacOS/OKA Cubase helper\n/usr/bin/cubase\n", 0, ""},
        {"", 0, ""},
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        mac.surecler(d.surecler);
        const SurecSonucu s = mac.calistir({"OKA_KALDIR_KIP=denetle", "OKA_KALDIR_DIL=en"});
        EXPECT_EQ(s.kod, d.kod) << d.surecler;
        EXPECT_EQ(s.bayt, d.cikti) << d.surecler;
    }
}

TEST(KaldirBetigi, ARunningWorkstationOrAnUnreadableProcessListRemovesNothing) {
    SahteMac mac;
    mac.hepsiniKur();
    const auto hepsi = mac.kalanlar();

    mac.surecler("/Applications/Cubase 14.app/Contents/MacOS/Cubase 14\n");
    for (const auto& ortam :
         {std::vector<std::string>{"OKA_KALDIR_KIP=denetle", "OKA_KALDIR_ONAYLI=1"}, ONAYLI}) {
        const SurecSonucu s = mac.calistir(ortam);
        EXPECT_EQ(s.kod, 3) << ortam[0];
        EXPECT_EQ(s.bayt, "running: Cubase 14\n") << ortam[0];
    }
    test::dosyaYaz(mac.sahte() / "ps-bozuk", "");
    for (const auto& ortam : {std::vector<std::string>{"OKA_KALDIR_KIP=denetle"}, ONAYLI}) {
        const SurecSonucu s = mac.calistir(ortam);
        EXPECT_EQ(s.kod, 5) << ortam[0];
        EXPECT_EQ(s.bayt, "could not list the running programs\n") << ortam[0];
    }
    EXPECT_EQ(mac.kalanlar(), hepsi);
    EXPECT_FALSE(mac.var(mac.sahte() / "launchctl"));
}

TEST(KaldirBetigi, RefusesToRemoveWithoutConfirmationOrAUsableHome) {
    struct Durum {
        std::vector<std::string> ortam;
        std::string cikti;
    } durumlar[] = {
        {{}, "not confirmed: nothing was removed\n"},
        {{"OKA_KALDIR_ONAYLI=yes"}, "not confirmed: nothing was removed\n"},
        {{"OKA_KALDIR_ONAYLI=1", "OKA_KALDIR_KIP=sil"}, "unknown mode: sil\n"},
        {{"OKA_KALDIR_ONAYLI=1", "HOME="}, "HOME is not usable: nothing was removed\n"},
        {{"OKA_KALDIR_ONAYLI=1", "HOME=/"}, "HOME is not usable: nothing was removed\n"},
        {{"OKA_KALDIR_ONAYLI=1", "HOME=ev"}, "HOME is not usable: nothing was removed\n"},
        {{"OKA_KALDIR_DIL=tr"}, "onay yok: hiçbir şey silinmedi\n"},
    };
    for (const Durum& d : durumlar) {
        SahteMac mac;
        mac.hepsiniKur();
        const auto hepsi = mac.kalanlar();
        const SurecSonucu s = mac.calistir(d.ortam);
        EXPECT_EQ(s.kod, 2) << d.cikti;
        EXPECT_EQ(s.bayt, d.cikti);
        EXPECT_EQ(mac.kalanlar(), hepsi) << d.cikti;
    }
}

TEST(KaldirBetigi, FollowsNoSymbolicLinkOutOfTheTable) {
    SahteMac mac;
    mac.hepsiniKur();
    // The per-user VST3 folder points elsewhere; the Components item itself is a link.
    const fs::path disarisi = mac.sahte() / "disarisi";
    fs::rename(mac.ev() / "Library/Audio/Plug-Ins/VST3", disarisi);
    fs::create_directory_symlink(disarisi, mac.ev() / "Library/Audio/Plug-Ins/VST3");
    const fs::path hedef = mac.sahte() / "hedef.component";
    fs::remove_all(mac.ev() / "Library/Audio/Plug-Ins/Components/OKA Bridge.component");
    test::dosyaYaz(hedef / "Contents/Info.plist", "x");
    fs::create_directory_symlink(hedef, mac.ev() / "Library/Audio/Plug-Ins/Components/OKA Bridge.component");

    const SurecSonucu s = mac.calistir(ONAYLI);
    EXPECT_EQ(s.kod, 1);
    EXPECT_NE(s.bayt.find("not removed, a symbolic link is on the way: ~/Library/Audio/Plug-Ins/VST3/OKA "
                          "Bridge.vst3\n"),
              std::string::npos)
        << s.bayt;
    EXPECT_NE(s.bayt.find("removed: ~/Library/Audio/Plug-Ins/Components/OKA Bridge.component\n"),
              std::string::npos);
    EXPECT_EQ(s.bayt.substr(s.bayt.size() - 29), "the removal did not complete\n");
    EXPECT_TRUE(mac.var(disarisi / "OKA Bridge.vst3/Contents/Info.plist"));
    EXPECT_TRUE(mac.var(hedef / "Contents/Info.plist"));
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{"~/Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3"});
}

// The refused-access cases need a user that permissions apply to: as root,
// the fake Mac is handed to nobody and the script runs as nobody.
uid_t siradanKullanici(SahteMac& mac) {
    if (geteuid() != 0)
        return 0;
    const uid_t hic = 65534;
    for (auto& girdi : fs::recursive_directory_iterator(mac.sahte()))
        EXPECT_EQ(lchown(girdi.path().c_str(), hic, hic), 0) << girdi.path();
    EXPECT_EQ(lchown(mac.sahte().c_str(), hic, hic), 0);
    return hic;
}

TEST(KaldirBetigi, AnUnreadableDocumentsFolderGives4WithEverythingElseRemoved) {
    SahteMac mac;
    mac.hepsiniKur();
    const uid_t kullanici = siradanKullanici(mac);
    fs::permissions(mac.ev() / "Documents", fs::perms::none);

    const SurecSonucu s = mac.calistir(ONAYLI, kullanici);
    fs::permissions(mac.ev() / "Documents", fs::perms::owner_all);
    EXPECT_EQ(s.kod, 4) << s.bayt;
    EXPECT_EQ(s.bayt, "stopped: " + ETIKET + "\n" + satirlar("removed: ") +
                          "no access to the Documents folder: ~/" + CUBASE + " was not removed\n");
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{"~/" + CUBASE});
    mac.komsularDuruyor();
}

TEST(KaldirBetigi, ASystemItemTheUserMayNotRemoveFailsTheRemoval) {
    SahteMac mac;
    mac.hepsiniKur();
    const uid_t kullanici = siradanKullanici(mac);
    const fs::path vst3 = mac.kok() / "Library/Audio/Plug-Ins/VST3";
    fs::permissions(vst3, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_read |
                              fs::perms::others_exec);

    const SurecSonucu s = mac.calistir(ONAYLI, kullanici);
    fs::permissions(vst3, fs::perms::owner_all);
    EXPECT_EQ(s.kod, 1) << s.bayt;
    EXPECT_NE(s.bayt.find("could not remove: /Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3\n"),
              std::string::npos)
        << s.bayt;
    EXPECT_EQ(s.bayt.find("tamam"), std::string::npos);
    EXPECT_EQ(mac.kalanlar(), std::vector<std::string>{"/Library/Audio/Plug-Ins/VST3/OKA Bridge.vst3"});
}

} // namespace
} // namespace oka
