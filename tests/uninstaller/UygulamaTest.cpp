// The built application in non-interactive mode (OKA_KALDIR_TEST=1) with stub
// removal scripts beside it: what it prints, which runs it starts with which
// environment, and its exit code.

#include "Betik.h"
#include "GeciciKlasor.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace oka {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

std::string uyari(const std::string& metin) {
    return "[OKA Bridge Uninstall] " + metin + "\n";
}

const std::string ONAY_EN =
    uyari("This removes: the OKA Bridge plug-ins (AU, VST3), the OKA MIDI helper and the "
          "Cubase MIDI Remote script. The OKA app is not removed.");
const std::string ONAY_TR =
    uyari("Şunlar silinecek: OKA Bridge eklentileri (AU, VST3), OKA MIDI yardımcısı ve "
          "Cubase MIDI Remote betiği. OKA uygulaması silinmez.");
const std::string ACIK_EN =
    uyari("Logic Pro, Cubase or Fender Studio Pro is open. Quit it and try again — nothing "
          "was removed.");
const std::string ACIK_TR =
    uyari("Logic Pro, Cubase ya da Fender Studio Pro açık. Kapatıp yeniden aç — hiçbir "
          "şey silinmedi.");

std::string basariEn(int n, int m) {
    return uyari("OKA Bridge was removed (" + std::to_string(n) + " items removed, " + std::to_string(m) +
                 " were already gone). The OKA app now opens the MIDI port itself.");
}
std::string basariTr(int n, int m) {
    return uyari("OKA Bridge kaldırıldı (" + std::to_string(n) + " öge silindi, " + std::to_string(m) +
                 " öge zaten yoktu). OKA uygulaması MIDI portunu artık kendisi açar.");
}
std::string kismiEn(int n) {
    return uyari(
        "OKA Bridge was removed (" + std::to_string(n) +
        " items removed), but the Cubase script couldn't be removed: access to the Documents folder "
        "wasn't allowed. Turn on System Settings → Privacy & Security → Files and Folders → OKA Bridge "
        "Uninstall → Documents, then run this app again.");
}
std::string kismiTr(int n) {
    return uyari(
        "OKA Bridge kaldırıldı (" + std::to_string(n) +
        " öge silindi), ama Cubase betiği silinemedi: Belgeler klasörüne erişim verilmedi. Sistem "
        "Ayarları → Gizlilik ve Güvenlik → Dosyalar ve Klasörler → OKA Bridge Uninstall → Belgeler'i "
        "aç, sonra bu uygulamayı yeniden çalıştır.");
}

// Each run of the stub appends the variables it was given to $KAYIT.
std::string taslak(const std::string& denetim, const std::string& kaldirma) {
    return "echo \"KIP=${OKA_KALDIR_KIP-yok} ONAYLI=${OKA_KALDIR_ONAYLI-yok} DIL=${OKA_KALDIR_DIL-yok}\" "
           ">> \"$KAYIT\"\n"
           "if [ \"${OKA_KALDIR_KIP-}\" = denetle ]; then\n" +
           denetim + "\nexit 0\nfi\n" + kaldirma + "\n";
}

const std::string IKI_CALISMA_EN = "KIP=denetle ONAYLI=yok DIL=en\nKIP=yok ONAYLI=1 DIL=en\n";
const std::string IKI_CALISMA_TR = "KIP=denetle ONAYLI=yok DIL=tr\nKIP=yok ONAYLI=1 DIL=tr\n";
const std::string DENETIM_EN = "KIP=denetle ONAYLI=yok DIL=en\n";

struct Durum {
    const char* ad;
    std::optional<std::string> betik; // empty: no kaldir.sh beside the app
    std::vector<std::string> ortam;   // on top of OKA_KALDIR_TEST=1 and LANGUAGE=en-GB
    int kod;
    std::string cikti;
    std::string calismalar;
};

struct Sonuc {
    int kod;
    std::string cikti, calismalar;
};

Sonuc calistir(const std::optional<std::string>& betik, std::vector<std::string> ortam) {
    test::GeciciKlasor k;
    fs::copy_file(OKA_KALDIR_UYGULAMA, k.yol() / "oka-kaldir");
    if (betik)
        test::dosyaYaz(k.yol() / "kaldir.sh", *betik);
    const fs::path kayit = k.yol() / "kayit";
    ortam.insert(ortam.begin(),
                 {"PATH=/usr/bin:/bin", "HOME=" + k.yol().string(), "KAYIT=" + kayit.string()});
    for (const char* ad : {"ASAN_OPTIONS", "UBSAN_OPTIONS"})
        if (const char* deger = std::getenv(ad);
            deger && std::none_of(ortam.begin(), ortam.end(),
                                  [&](auto& e) { return e.rfind(std::string(ad) + "=", 0) == 0; }))
            ortam.push_back(std::string(ad) + "=" + deger);
    ortam.push_back(std::string("LSAN_OPTIONS=print_suppressions=0:suppressions=") +
                    OKA_KALDIR_LSAN_BASTIRMA);
    const SurecSonucu s = surecCalistir((k.yol() / "oka-kaldir").string(), {}, ortam, 60s);
    return {s.kod, s.bayt, test::dosyaOku(kayit)};
}

void dogrula(const Durum& d) {
    std::vector<std::string> ortam = d.ortam;
    for (const char* varsayilan : {"OKA_KALDIR_TEST=1", "LANGUAGE=en-GB"}) {
        const std::string ad = std::string(varsayilan).substr(0, std::string(varsayilan).find('=') + 1);
        if (std::none_of(ortam.begin(), ortam.end(), [&](auto& e) { return e.rfind(ad, 0) == 0; }))
            ortam.push_back(varsayilan);
    }
    const Sonuc s = calistir(d.betik, ortam);
    EXPECT_EQ(s.kod, d.kod) << d.ad;
    EXPECT_EQ(s.cikti, d.cikti) << d.ad;
    EXPECT_EQ(s.calismalar, d.calismalar) << d.ad;
}

TEST(KaldirmaUygulamasi, CountsRemovalLinesAndReportsEachOutcome) {
    const std::string karisik = "removed: a\nremoved: b\nremoved: c\nsilindi: d\nalready gone: e\n"
                                "already gone: f\n\n  removed: g\nremoved:h\nzaten yok:i\ntamam\n";
    const Durum durumlar[] = {
        {"mixed prefixes: N = 4, M = 2",
         taslak("", "printf '" + karisik + "'"),
         {},
         0,
         ONAY_EN + basariEn(4, 2) + karisik + "\n",
         IKI_CALISMA_EN},
        {"exit 0 without tamam fails with 1",
         taslak("", "echo 'removed: a'"),
         {},
         1,
         ONAY_EN + uyari("Uninstall didn't finish:\nremoved: a\n"),
         IKI_CALISMA_EN},
        {"exit 4 is partial and shows N only",
         taslak("", "printf 'removed: a\\nremoved: b\\nalready gone: c\\n'; exit 4"),
         {},
         4,
         ONAY_EN + kismiEn(2) + "removed: a\nremoved: b\nalready gone: c\n\n",
         IKI_CALISMA_EN},
        {"any other removal code is passed on",
         taslak("", "echo 'removed: a'; echo tamam; exit 9"),
         {},
         9,
         ONAY_EN + uyari("Uninstall didn't finish:\nremoved: a\ntamam\n"),
         IKI_CALISMA_EN},
        {"check exit 3: workstation open, nothing removed",
         taslak("echo 'running: Cubase 14'; exit 3", ""),
         {},
         3,
         ACIK_EN,
         DENETIM_EN},
        {"check exit 5",
         taslak("echo 'ps failed'; exit 5", ""),
         {},
         5,
         uyari("Check failed: ps failed\n"),
         DENETIM_EN},
        {"check exit 126", taslak("exit 126", ""), {}, 126, uyari("Check failed: "), DENETIM_EN},
        {"check exit 127",
         taslak("echo 'sh: ps: not found' >&2; exit 127", ""),
         {},
         127,
         uyari("Check failed: sh: ps: not found\n"),
         DENETIM_EN},
        {"missing script", std::nullopt, {}, 127, uyari("Check failed: kaldir.sh yok"), ""},
        {"invalid UTF-8 shown with replacement characters",
         taslak("printf 'bozuk \\377\\376 çıktı'; exit 5", ""),
         {},
         5,
         uyari("Check failed: bozuk \xEF\xBF\xBD\xEF\xBF\xBD çıktı"),
         DENETIM_EN},
    };
    for (const Durum& d : durumlar)
        dogrula(d);
}

TEST(KaldirmaUygulamasi, SpeaksTheFirstPreferredLanguageAndTellsTheScript) {
    const std::string cikti = "silindi: a\nzaten yok: b\ntamam\n";
    const std::string betik = taslak("", "printf '" + cikti + "'");
    const Durum durumlar[] = {
        {"tr-TR", betik, {"LANGUAGE=tr-TR"}, 0, ONAY_TR + basariTr(1, 1) + cikti + "\n", IKI_CALISMA_TR},
        {"LANG alone",
         betik,
         {"LANGUAGE=", "LANG=tr_TR.UTF-8"},
         0,
         ONAY_TR + basariTr(1, 1) + cikti + "\n",
         IKI_CALISMA_TR},
        {"first of a list",
         betik,
         {"LANGUAGE=en-TR:tr"},
         0,
         ONAY_EN + basariEn(1, 1) + cikti + "\n",
         IKI_CALISMA_EN},
        {"inherited OKA_KALDIR_DIL reaches the script unchanged",
         betik,
         {"LANGUAGE=tr-TR", "OKA_KALDIR_DIL=de"},
         0,
         ONAY_TR + basariTr(1, 1) + cikti + "\n",
         "KIP=denetle ONAYLI=yok DIL=de\nKIP=yok ONAYLI=1 DIL=de\n"},
        {"inherited run variables are replaced or dropped",
         betik,
         {"OKA_KALDIR_KIP=eski", "OKA_KALDIR_ONAYLI=eski"},
         0,
         ONAY_EN + basariEn(1, 1) + cikti + "\n",
         IKI_CALISMA_EN},
        {"Turkish host open",
         taslak("exit 3", ""),
         {"LANGUAGE=tr"},
         3,
         ACIK_TR,
         "KIP=denetle ONAYLI=yok DIL=tr\n"},
        {"Turkish check failed",
         std::nullopt,
         {"LANGUAGE=tr"},
         127,
         uyari("Denetim yapılamadı: kaldir.sh yok"),
         ""},
        {"Turkish partial",
         taslak("", "echo 'silindi: a'; exit 4"),
         {"LANGUAGE=tr"},
         4,
         ONAY_TR + kismiTr(1) + "silindi: a\n\n",
         IKI_CALISMA_TR},
        {"Turkish failure",
         taslak("", "echo 'silinemedi: x'; exit 1"),
         {"LANGUAGE=tr"},
         1,
         ONAY_TR + uyari("Kaldırma tamamlanamadı:\nsilinemedi: x\n"),
         IKI_CALISMA_TR},
    };
    for (const Durum& d : durumlar)
        dogrula(d);
}

TEST(KaldirmaUygulamasi, AnyTestValueButOneStaysInteractive) {
    // Without a display the interactive path can only fail, clearly and before any run.
    for (const char* deger : {"OKA_KALDIR_TEST=true", "OKA_KALDIR_TEST=0", "OKA_KALDIR_TEST="}) {
        const Sonuc s = calistir(taslak("", "echo tamam"), {deger, "ASAN_OPTIONS=detect_leaks=0"});
        EXPECT_EQ(s.kod, 1) << deger;
        EXPECT_EQ(s.cikti.find("[OKA Bridge Uninstall]"), std::string::npos) << deger << ": " << s.cikti;
        EXPECT_NE(s.cikti.find("OKA Bridge Uninstall: "), std::string::npos) << deger << ": " << s.cikti;
        EXPECT_EQ(s.calismalar, "") << deger;
    }
}

} // namespace
} // namespace oka
