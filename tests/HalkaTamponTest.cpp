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
};

bool oku(HalkaTampon& h, Okunan& o) {
    return h.oku(o.zaman, o.kanal, o.kare, o.veri.data());
}

// Writes mono one-frame blocks whose time and sample are their number.
int yazSirayla(HalkaTampon& h, int ilk, int son) {
    int dusen = 0;
    for (int i = ilk; i < son; ++i) {
        float const x = float(i);
        dusen += h.yaz(&x, nullptr, 1, 1, double(i));
    }
    return dusen;
}

std::vector<double> zamanlar(HalkaTampon& h) {
    std::vector<double> z;
    for (Okunan o; oku(h, o);)
        z.push_back(o.zaman);
    return z;
}

} // namespace

TEST(HalkaTampon, StereoBlockIsReadBackPlanarAndWhole) {
    HalkaTampon h;
    std::vector<float> a(4096), b(4096);
    std::iota(a.begin(), a.end(), 0.0f);
    std::iota(b.begin(), b.end(), 1e4f);
    EXPECT_FALSE(h.yaz(a.data(), b.data(), 2, 4096, 1234.0)) << "4096 stereo frames fill one slot exactly";
    Okunan o;
    ASSERT_TRUE(oku(h, o));
    EXPECT_EQ(std::tie(o.zaman, o.kanal, o.kare),
              std::make_tuple(1234.0, std::uint16_t(2), std::uint16_t(4096)));
    EXPECT_TRUE(std::equal(a.begin(), a.end(), o.veri.begin()));
    EXPECT_TRUE(std::equal(b.begin(), b.end(), o.veri.begin() + 4096));
    EXPECT_EQ(o.veri.back(), -7.0f) << "nothing copied beyond the block";
    EXPECT_FALSE(oku(h, o)) << "the ring is empty again";
}

TEST(HalkaTampon, AFullRingDropsTheOldestAndABlockTooLargeDropsNothing) {
    HalkaTampon h;
    EXPECT_EQ(yazSirayla(h, 0, 100), 100 - 63) << "from the 64th block on, each block drops one";
    std::vector<float> buyuk(2 * 4097);
    EXPECT_FALSE(h.yaz(buyuk.data(), buyuk.data() + 4097, 2, 4097, 0.0));
    auto const z = zamanlar(h);
    ASSERT_EQ(z.size(), 63u);
    EXPECT_EQ(z.front(), 37.0);
    EXPECT_EQ(z.back(), 99.0);
}

// The server thread is pre-empted mid-copy of the oldest block of a full ring,
// and the audio thread delivers two blocks meanwhile: the second overwrites
// the slot being copied.
TEST(HalkaTampon, ACopyOverwrittenMidwayIsDiscardedAndNoWaitingBlockIsLost) {
    HalkaTampon h;
    yazSirayla(h, 0, 63);
    Okunan o;
    auto const r = h.kopyala(o.zaman, o.kanal, o.kare, o.veri.data());
    ASSERT_TRUE(r);
    EXPECT_EQ(yazSirayla(h, 63, 65), 2);
    EXPECT_FALSE(h.birak(*r)) << "the copy may be torn";
    EXPECT_EQ(h.bekleyen(), 63u);
    auto const z = zamanlar(h);
    ASSERT_EQ(z.size(), 63u);
    EXPECT_EQ(z.front(), 2.0);
    EXPECT_EQ(z.back(), 64.0);
}

TEST(HalkaTampon, ASlotHalfRewrittenIsNeverCopiedBeyondItsSize) {
    HalkaTampon h;
    yazSirayla(h, 0, 1);
    h.slotlar[0].kanal = 2; // what a producer in the middle of a larger block leaves
    h.slotlar[0].kare = 60000;
    Okunan o;
    ASSERT_TRUE(h.kopyala(o.zaman, o.kanal, o.kare, o.veri.data()));
    EXPECT_EQ(o.kanal * o.kare, 0);
    EXPECT_EQ(o.veri[0], -7.0f);
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
        for (Okunan o; oku(h, o);) {
            ASSERT_GT(o.zaman, son);
            ASSERT_EQ(o.kare, KARE);
            for (int i = 0; i < 2 * KARE; ++i)
                ASSERT_EQ(o.veri[std::size_t(i)], float(o.zaman)) << "torn block " << o.zaman;
            son = o.zaman;
            ++okunan;
        }
    };
    while (!bitti) {
        tuket();
        std::this_thread::sleep_for(std::chrono::microseconds(200)); // lets the ring fill now and then
    }
    uretici.join();
    tuket();
    EXPECT_GT(dusen.load(), 0) << "the consumer never fell behind; the test proves nothing";
    EXPECT_EQ(okunan + dusen, BLOK);
}
