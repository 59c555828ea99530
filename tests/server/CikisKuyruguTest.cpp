// The outgoing queue against a socket that takes as much as a script says.

#include "server/CikisKuyrugu.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>

using namespace oka;
using Saat = CikisKuyrugu::Saat;
using namespace std::chrono_literals;

namespace {

// A socket whose answer per call comes from a script; once the script runs out it takes everything.
struct SahteSoket {
    std::deque<long> izinler;
    std::string akis;
    int cagri = 0;
    CikisKuyrugu kuyruk(std::size_t sesSiniri) {
        return CikisKuyrugu(
            [this](char const* veri, std::size_t n) {
                ++cagri;
                long const izin = izinler.empty() ? long(n) : izinler.front();
                if (!izinler.empty())
                    izinler.pop_front();
                akis.append(veri, izin < 0 ? 0 : std::min(n, std::size_t(izin)));
                return izin < 0 ? izin : long(std::min(n, std::size_t(izin)));
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
        EXPECT_EQ(k.bekleyen(), 0u);
        EXPECT_EQ(s.akis, beklenen) << "round " << tur;
    }
}

TEST(CikisKuyrugu, AudioStopsAtTheBoundAndABrokenConnectionStaysBroken) {
    SahteSoket s;
    s.izinler = {CikisKuyrugu::BEKLE, CikisKuyrugu::HATA};
    CikisKuyrugu k = s.kuyruk(100);
    k.son() += std::string(99, 'a');
    EXPECT_TRUE(k.sesSigar());
    k.son() += "b";
    EXPECT_FALSE(k.sesSigar());
    EXPECT_TRUE(k.gonder(Saat::now()));
    EXPECT_FALSE(k.gonder(Saat::now()));
    EXPECT_FALSE(k.gonder(Saat::now()));
    EXPECT_EQ(s.cagri, 2) << "a broken connection is not written to again";
}

TEST(CikisKuyrugu, StuckOnlyWhenBytesWaitedTheWholeLimitWithoutProgress) {
    SahteSoket s;
    CikisKuyrugu k = s.kuyruk(100);
    auto const t0 = Saat::now();
    EXPECT_FALSE(k.takildi(t0 + 1h, 5s)) << "nothing waits";
    s.izinler = {CikisKuyrugu::BEKLE, 3, CikisKuyrugu::BEKLE};
    k.son() += "abcdef";
    k.gonder(t0 + 1s);
    EXPECT_FALSE(k.takildi(t0 + 4s, 5s));
    EXPECT_TRUE(k.takildi(t0 + 6s, 5s));
    k.gonder(t0 + 6s); // three bytes taken: the client reads again
    k.gonder(t0 + 10s);
    EXPECT_FALSE(k.takildi(t0 + 10s, 5s));
    EXPECT_TRUE(k.takildi(t0 + 11s, 5s));
}
