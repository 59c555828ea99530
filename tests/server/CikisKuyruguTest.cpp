// The outgoing queue against a socket that takes as much as a script says.

#include "server/CikisKuyrugu.h"

#include <gtest/gtest.h>
#include <random>

using namespace oka;
using Saat = CikisKuyrugu::Saat;
using namespace std::chrono_literals;

namespace {

// A socket that takes per call what the script says (or refuses as it says), everything once it runs out.
struct SahteSoket {
    std::vector<long> izinler;
    std::string akis;
    std::size_t cagri = 0;
    CikisKuyrugu kuyruk(std::size_t sesSiniri) {
        return CikisKuyrugu(
            [this](char const* veri, std::size_t n) {
                long const izin = cagri < izinler.size() ? std::min(long(n), izinler[cagri]) : long(n);
                ++cagri;
                akis.append(veri, std::size_t(std::max(izin, 0L)));
                return izin;
            },
            sesSiniri);
    }
};

} // namespace

TEST(CikisKuyrugu, AnyPatternOfPartialSendsDeliversTheFramesWholeAndInOrder) {
    std::mt19937 rastgele(12345);
    for (int tur = 0; tur < 100; ++tur) {
        SahteSoket s;
        CikisKuyrugu k = s.kuyruk(1000);
        std::string beklenen;
        for (int adim = 0; adim < 60; ++adim) {
            s.izinler.push_back(rastgele() % 4 == 0 ? CikisKuyrugu::BEKLE : long(rastgele() % 1500));
            bool const ses = rastgele() % 3 != 0;
            std::string const cerceve(1 + rastgele() % 400, char(ses ? 'a' + adim % 26 : '0' + adim % 10));
            if (ses && !k.sesSigar())
                continue;
            k.son() += cerceve;
            beklenen += cerceve;
            ASSERT_TRUE(k.gonder(Saat::now()));
        }
        s.izinler.clear();
        ASSERT_TRUE(k.gonder(Saat::now()));
        EXPECT_EQ(s.akis, beklenen) << "round " << tur;
    }
}

// The wait for a client counts from its last progress, or from the first byte that waited.
TEST(CikisKuyrugu, AudioStopsAtTheBoundAStallCountsFromTheLastProgressAndABreakIsFinal) {
    SahteSoket s;
    CikisKuyrugu k = s.kuyruk(100);
    auto const t0 = Saat::now();
    EXPECT_FALSE(k.takildi(t0 + 1h, 5s)) << "nothing waits";
    s.izinler = {CikisKuyrugu::BEKLE, 3, CikisKuyrugu::BEKLE, CikisKuyrugu::HATA};
    k.son() += std::string(99, 'a');
    EXPECT_TRUE(k.sesSigar());
    k.son() += "b";
    EXPECT_FALSE(k.sesSigar());
    EXPECT_TRUE(k.gonder(t0 + 1s));
    EXPECT_EQ(std::make_pair(k.takildi(t0 + 4s, 5s), k.takildi(t0 + 6s, 5s)), std::make_pair(false, true));
    k.gonder(t0 + 6s); // three bytes taken: the client reads again
    k.gonder(t0 + 10s);
    EXPECT_EQ(std::make_pair(k.takildi(t0 + 10s, 5s), k.takildi(t0 + 11s, 5s)), std::make_pair(false, true));
    EXPECT_FALSE(k.gonder(t0 + 11s));
    EXPECT_FALSE(k.gonder(t0 + 12s));
    EXPECT_EQ(s.cagri, 4u) << "a broken connection is not written to again";
}
