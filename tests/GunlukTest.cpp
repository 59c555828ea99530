#include "TestYardimcilari.h"

#include "diag/Gunluk.h"
#include "platform/SistemGunlugu.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(HataGunlugu, ComposesTheFailedCallWithErrnoAndItsText) {
    HataSatirlari a;
    oka::gunlukHata("[#1 vst3] bind", EADDRINUSE);
    ASSERT_EQ(a.hepsi().size(), 1u);
    EXPECT_EQ(a.hepsi()[0],
              "HATA [#1 vst3] bind() errno=" + std::to_string(EADDRINUSE) + " (Address already in use)");
}

TEST(HataGunlugu, WritesNothingWhenTheErrorLevelIsDisabled) {
    HataSatirlari a;
    a.etkin = false;
    oka::gunlukHata("[#1 vst3] listen", EACCES);
    EXPECT_TRUE(a.hepsi().empty());
}

TEST(OlayGunlugu, LinesCarryTheInstanceLabelAndNeverReachTheSystemLog) {
    HataSatirlari a;
    OlaySatirlari y;
    SahteKabuk bir, iki;
    bir.olay("deneme");
    iki.olay("deneme");
    EXPECT_EQ(y.say("[" + bir.ornekEtiketi() + "] deneme"), 1);
    EXPECT_EQ(y.say("[" + iki.ornekEtiketi() + "] deneme"), 1);
    EXPECT_TRUE(a.hepsi().empty());
}

TEST(OlayGunlugu, EnvironmentReportIsFiveLinesWithTheLabel) {
    OlaySatirlari y;
    SahteKabuk c;
    auto const s = y.hepsi();
    ASSERT_GE(s.size(), 5u);
    std::string const e = "[" + c.ornekEtiketi() + "] ";
    EXPECT_EQ(s[0], e + "──────── OKA KOPRU ────────");
    EXPECT_EQ(s[1], e + "surum=1.1 degisken=vst3");
    EXPECT_EQ(s[2].rfind(e + "surec=", 0), 0u);
    EXPECT_NE(s[3].find("sandbox_check=olculemedi"), std::string::npos) << s[3];
    EXPECT_EQ(s[4], e + "/tmp yazilabilir: EVET");
}
