#include "TestYardimcilari.h"

#include "diag/Gunluk.h"
#include "platform/SistemGunlugu.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

class YakalayanAlici : public oka::SistemGunluguAlicisi {
public:
    bool hataEtkin() override { return etkin; }
    void hataYaz(std::string_view satir) override { satirlar.emplace_back(satir); }
    bool etkin = true;
    std::vector<std::string> satirlar;
};

struct AliciKur {
    explicit AliciKur(YakalayanAlici& a) { oka::sistemGunluguDegistir(&a); }
    ~AliciKur() { oka::sistemGunluguDegistir(nullptr); }
};

} // namespace

TEST(HataGunlugu, ComposesTheFailedCallWithErrnoAndItsText) {
    YakalayanAlici a;
    AliciKur k(a);
    oka::gunlukHata("[#1 vst3] bind", EADDRINUSE);
    ASSERT_EQ(a.satirlar.size(), 1u);
    EXPECT_EQ(a.satirlar[0],
              "HATA [#1 vst3] bind() errno=" + std::to_string(EADDRINUSE) + " (Address already in use)");
}

TEST(HataGunlugu, WritesNothingWhenTheErrorLevelIsDisabled) {
    YakalayanAlici a;
    a.etkin = false;
    AliciKur k(a);
    oka::gunlukHata("[#1 vst3] listen", EACCES);
    EXPECT_TRUE(a.satirlar.empty());
}

TEST(OlayGunlugu, LinesCarryTheInstanceLabelAndNeverReachTheSystemLog) {
    YakalayanAlici a;
    AliciKur k(a);
    OlayYakalayici y;
    SahteKabuk bir, iki;
    bir.olay("deneme");
    iki.olay("deneme");
    EXPECT_EQ(y.say("[" + bir.ornekEtiketi() + "] deneme"), 1);
    EXPECT_EQ(y.say("[" + iki.ornekEtiketi() + "] deneme"), 1);
    EXPECT_TRUE(a.satirlar.empty());
}

TEST(OlayGunlugu, EnvironmentReportIsFiveLinesWithTheLabel) {
    OlayYakalayici y;
    SahteKabuk c;
    auto const s = y.satirlar();
    ASSERT_GE(s.size(), 5u);
    std::string const e = "[" + c.ornekEtiketi() + "] ";
    EXPECT_EQ(s[0], e + "──────── OKA KOPRU ────────");
    EXPECT_EQ(s[1], e + "surum=1.1 degisken=vst3");
    EXPECT_EQ(s[2].rfind(e + "surec=", 0), 0u);
    EXPECT_NE(s[3].find("sandbox_check=olculemedi"), std::string::npos) << s[3];
    EXPECT_EQ(s[4], e + "/tmp yazilabilir: EVET");
}
