#include "core/HalkaTampon.h"

#include <atomic>
#include <gtest/gtest.h>
#include <numeric>
#include <thread>

using oka::HalkaTampon;

namespace {

struct Okunan {
    double zaman = -1;
    std::uint16_t kanal = 0, kare = 0;
    std::vector<float> veri = std::vector<float>(HalkaTampon::SLOT_ORNEK + 1, -7.0f); // -7: never written
    std::optional<std::uint64_t> indis;
    bool oku(HalkaTampon& h) { return bool(indis = h.oku(zaman, kanal, kare, veri.data())); }
};

// Writes mono one-frame blocks [ilk, son) whose time and sample are their
// number; returns how many blocks were dropped.
int yazSirayla(HalkaTampon& h, int ilk, int son) {
    int dusen = 0;
    for (float x = float(ilk); x < float(son); ++x)
        dusen += h.yaz(&x, nullptr, 1, 1, double(x));
    return dusen;
}

// Reads every waiting block: how many there were, the oldest's time and the newest's.
std::tuple<std::size_t, double, double> bekleyenler(HalkaTampon& h) {
    std::vector<double> z;
    for (Okunan o; o.oku(h);)
        z.push_back(o.zaman);
    return {z.size(), z.front(), z.back()};
}

} // namespace

// The ring's insides, for the tests that stop a copy halfway or leave a slot half written.
struct oka::HalkaTamponIcerisi {
    static HalkaTampon::Slot& slot(HalkaTampon& h, std::size_t i) { return h.slotlar[i]; }
    static auto kopya(HalkaTampon& h, Okunan& o) { return h.kopyala(o.zaman, o.kanal, o.kare, &o.veri[0]); }
    static bool birak(HalkaTampon& h, std::uint64_t indis) { return h.birak(indis); }
};
using Ic = oka::HalkaTamponIcerisi;

TEST(HalkaTampon, AStereoBlockIsReadBackPlanarAndWhole) {
    HalkaTampon h;
    std::vector<float> a(4096), b(4097, 5.0f);
    std::iota(a.begin(), a.end(), 0.0f);
    std::iota(b.begin(), b.end() - 1, 1e4f);
    EXPECT_FALSE(h.yaz(a.data(), b.data(), 2, 4096, 1234.0)) << "4096 stereo frames fill one slot exactly";
    h.yaz(a.data(), b.data() + 4093, 2, 3, 0.0);
    Okunan o;
    ASSERT_TRUE(o.oku(h));
    EXPECT_EQ(std::tie(o.zaman, o.kanal, o.kare),
              std::make_tuple(1234.0, std::uint16_t(2), std::uint16_t(4096)));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), o.veri.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.end() - 1, o.veri.begin() + 4096));
    EXPECT_EQ(o.veri.back(), -7.0f) << "nothing copied beyond the block";
    EXPECT_EQ(Ic::slot(h, 1).veri[6].load(), 0.0f) << "nothing written beyond the block";
    EXPECT_TRUE(o.oku(h));
    EXPECT_FALSE(o.oku(h)) << "the ring is empty again";
}

TEST(HalkaTampon, AFullRingDropsTheOldestAndABlockTooLargeDropsNothing) {
    HalkaTampon h;
    EXPECT_EQ(yazSirayla(h, 0, 100), 100 - 63) << "from the 64th block on, each block drops one";
    std::vector<float> buyuk(2 * 4097);
    EXPECT_FALSE(h.yaz(buyuk.data(), buyuk.data() + 4097, 2, 4097, 0.0));
    EXPECT_EQ(bekleyenler(h), std::make_tuple(std::size_t(63), 37.0, 99.0));
}

// The server thread is pre-empted mid-copy of the oldest block of a full ring, and the audio
// thread delivers two blocks meanwhile: the second overwrites the slot being copied. Then a
// slot that a producer is rewriting, read as it stands.
TEST(HalkaTampon, ACopyOverwrittenMidwayIsDiscardedAndAHalfRewrittenSlotNeverCopiedBeyondItsSize) {
    HalkaTampon h;
    yazSirayla(h, 0, 63);
    Okunan o;
    auto const r = Ic::kopya(h, o);
    ASSERT_TRUE(r);
    EXPECT_EQ(yazSirayla(h, 63, 65), 2);
    EXPECT_FALSE(Ic::birak(h, *r)) << "the copy may be torn";
    EXPECT_EQ(h.bekleyen(), 63u);
    EXPECT_EQ(bekleyenler(h), std::make_tuple(std::size_t(63), 2.0, 64.0));
    HalkaTampon yarim;
    yazSirayla(yarim, 0, 1);
    Ic::slot(yarim, 0).kanal = 2; // what a producer in the middle of a larger block leaves
    Ic::slot(yarim, 0).kare = 60000;
    Okunan y;
    ASSERT_TRUE(y.oku(yarim));
    EXPECT_EQ(y.kanal * y.kare, 0);
    EXPECT_EQ(y.veri[0], -7.0f);
}

TEST(HalkaTampon, UnderContentionOnlyDroppedBlocksAreMissingAndNoneIsTorn) {
    HalkaTampon h;
    constexpr int BLOK = 50000, KARE = 128;
    std::atomic<int> dusen{0};
    std::atomic<bool> bitti{false};
    std::thread uretici([&] {
        std::vector<float> v(2 * KARE);
        for (int i = 0; i < BLOK; ++i) {
            std::fill(v.begin(), v.end(), float(i));
            dusen += h.yaz(v.data(), v.data() + KARE, 2, KARE, double(i));
            if (i % 64 == 0)
                std::this_thread::yield();
        }
        bitti = true;
    });
    int okunan = 0;
    double son = -1;
    auto tuket = [&] {
        for (Okunan o; o.oku(h); ++okunan, son = o.zaman) {
            ASSERT_GT(o.zaman, son);
            ASSERT_EQ(double(*o.indis), o.zaman) << "the index counts dropped blocks too";
            ASSERT_EQ(o.kare, KARE);
            ASSERT_EQ(std::count(o.veri.begin(), o.veri.begin() + 2 * KARE, float(o.zaman)), 2 * KARE)
                << "torn block " << o.zaman;
        }
    };
    for (; !bitti;
         std::this_thread::sleep_for(std::chrono::microseconds(200))) // lets the ring fill now and then
        tuket();
    uretici.join();
    tuket();
    EXPECT_GT(dusen.load(), 0) << "the consumer never fell behind; the test proves nothing";
    EXPECT_EQ(okunan + dusen, BLOK);
}
