#include "core/HalkaTampon.h"

#include <gtest/gtest.h>
#include <numeric>

using oka::HalkaTampon;

namespace {
std::vector<float> rampa(std::size_t n, float taban) {
    std::vector<float> v(n);
    std::iota(v.begin(), v.end(), taban);
    return v;
}
} // namespace

TEST(HalkaTampon, StereoBlockIsStoredPlanarAndReadBackWhole) {
    HalkaTampon h;
    auto const a = rampa(31, 0.0f), b = rampa(31, 100.0f);
    EXPECT_FALSE(h.yaz(a.data(), b.data(), 2, 31, 1234.0));
    EXPECT_EQ(h.bekleyen(), 1u);
    double zaman = 0;
    std::uint16_t kanal = 0, kare = 0;
    std::vector<float> hedef;
    ASSERT_TRUE(h.oku(zaman, kanal, kare, hedef));
    EXPECT_EQ(zaman, 1234.0);
    EXPECT_EQ(kanal, 2);
    EXPECT_EQ(kare, 31);
    ASSERT_GE(hedef.size(), 62u);
    EXPECT_TRUE(std::equal(a.begin(), a.end(), hedef.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), hedef.begin() + 31));
    EXPECT_FALSE(h.oku(zaman, kanal, kare, hedef)) << "the ring is empty again";
}

TEST(HalkaTampon, SlotLimitIs8192SamplesAndALargerBlockDoesNotMoveTheWriteIndex) {
    HalkaTampon h;
    auto const a = rampa(4097, 0.0f), b = rampa(4097, 0.5f);
    h.yaz(a.data(), b.data(), 2, 4096, 0.0);
    EXPECT_EQ(h.yazmaIndisi.load(), 1u) << "4096 stereo frames fill one slot exactly";
    h.yaz(a.data(), b.data(), 2, 4097, 0.0);
    EXPECT_EQ(h.yazmaIndisi.load(), 1u) << "4097 stereo frames do not fit";
    h.yaz(a.data(), nullptr, 1, 4097, 0.0);
    EXPECT_EQ(h.yazmaIndisi.load(), 2u) << "4097 mono frames fit";
}

TEST(HalkaTampon, AFullRingDropsTheOldestBlockAndKeepsThe63Newest) {
    HalkaTampon h;
    float x = 0;
    int dusen = 0;
    for (int i = 0; i < 100; ++i) {
        x = static_cast<float>(i);
        dusen += h.yaz(&x, nullptr, 1, 1, static_cast<double>(i)) ? 1 : 0;
    }
    EXPECT_EQ(dusen, 100 - 63) << "from the 64th block on, each block drops one";
    EXPECT_EQ(h.bekleyen(), 63u);
    double zaman = 0;
    std::uint16_t kanal = 0, kare = 0;
    std::vector<float> hedef;
    std::vector<double> zamanlar;
    while (h.oku(zaman, kanal, kare, hedef))
        zamanlar.push_back(zaman);
    ASSERT_EQ(zamanlar.size(), 63u);
    EXPECT_EQ(zamanlar.front(), 37.0);
    EXPECT_EQ(zamanlar.back(), 99.0);
}

TEST(HalkaTampon, StorageIsAllocatedUpFront) {
    HalkaTampon h;
    ASSERT_EQ(h.slotlar.size(), 64u);
    for (auto const& s : h.slotlar)
        EXPECT_EQ(s.veri.size(), 8192u);
}
