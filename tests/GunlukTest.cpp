#include "TestYardimcilari.h"

#include "diag/Gunluk.h"
#include "platform/Surec.h"

#include <cerrno>
#include <gtest/gtest.h>

TEST(HataGunlugu, ComposesTheFailedCallWithErrnoAndItsText) {
    HataSatirlari a;
    oka::gunlukHata("[#1 vst3] bind", EADDRINUSE);
    a.etkin = false;
    oka::gunlukHata("[#1 vst3] listen", EACCES);
    EXPECT_EQ(a.hepsi(), std::vector<std::string>{"HATA [#1 vst3] bind() errno=" +
                                                  std::to_string(EADDRINUSE) + " (Address already in use)"});
    // Whatever strerror_r wrote counts, also beside a failure status.
    std::pair<char const*, char const*> const metin[] = {
        {"Unknown error: 99999", "Unknown error: 99999"}, {"", "?"}, {nullptr, "?"}};
    for (auto const& [yazilan, beklenen] : metin)
        EXPECT_EQ(oka::hataMetni(yazilan), beklenen);
}

TEST(OlayGunlugu, EnvironmentReportIsFiveLinesWithTheLabelAndNoneReachTheSystemLog) {
    HataSatirlari a;
    OlaySatirlari y;
    SahteKabuk c;
    std::string const e = c.ornekEtiketi();
    EXPECT_EQ(y.ornegin(e), (std::vector<std::string>{
                                "──────── OKA KOPRU ────────", "surum=1.1 degisken=vst3",
                                "surec=" + oka::surecAdi() + " pid=" + std::to_string(oka::surecNo()),
                                "kum havuzu: APP_SANDBOX_CONTAINER_ID=hayir · sandbox_check=olculemedi",
                                "/tmp yazilabilir: EVET"}));
    EXPECT_TRUE(a.hepsi().empty());
}

TEST(Platform, SandboxAnswerMeansYesNoOrUnknown) {
    std::pair<int, std::optional<bool>> const tablo[] = {
        {1, true}, {0, false}, {-1, std::nullopt}, {2, std::nullopt}};
    for (auto const& [yanit, anlam] : tablo)
        EXPECT_EQ(oka::kumHavuzuYaniti(yanit), anlam) << yanit;
}
