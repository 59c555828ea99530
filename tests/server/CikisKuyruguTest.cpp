// The outgoing queue against a socket that takes as much as a script says.

#include "server/CikisKuyrugu.h"
#include "SunucuAraclari.h"
#include "server/WebSocket.h"

#include <deque>
#include <gtest/gtest.h>
#include <random>

using namespace oka;
using Sonuc = CikisKuyrugu::Sonuc;

namespace {

// A socket whose room per call comes from a script; once the script runs out it takes everything.
struct SahteSoket {
    std::deque<long> izinler;
    std::string akis;
    long gonder(char const* veri, std::size_t n) {
        long izin = long(n);
        if (!izinler.empty()) {
            izin = izinler.front();
            izinler.pop_front();
        }
        if (izin < 0)
            return izin;
        std::size_t const alinan = std::min(n, std::size_t(izin));
        akis.append(veri, alinan);
        return long(alinan);
    }
    CikisKuyrugu kuyruk(std::size_t sinir = 1 << 20) {
        return CikisKuyrugu([this](char const* v, std::size_t n) { return gonder(v, n); }, sinir);
    }
};

// Cuts a server byte stream into frames; fails the test on a torn frame.
std::vector<std::string> cerceveler(std::string akis) {
    std::vector<std::string> sonuc;
    std::size_t i = 0;
    while (i < akis.size()) {
        EXPECT_TRUE(akis[i] == '\x81' || akis[i] == '\x82') << "frame start at " << i;
        if (akis.size() - i < 2)
            break;
        std::size_t n = std::uint8_t(akis[i + 1]);
        std::size_t bas = 2;
        if (n == 126) {
            n = (std::size_t(std::uint8_t(akis[i + 2])) << 8) | std::uint8_t(akis[i + 3]);
            bas = 4;
        }
        EXPECT_LE(i + bas + n, akis.size()) << "torn frame at " << i;
        sonuc.push_back(akis.substr(i, bas + n));
        i += bas + n;
    }
    return sonuc;
}

std::string ses(std::uint32_t no, std::uint16_t kare = 300) {
    std::vector<float> v(kare, float(no));
    return ikiliCerceve(no, no, 1, kare, v.data());
}

} // namespace

TEST(CikisKuyrugu, RestOfAPartlySentFrameGoesFirstAndAudioIsDroppedMeanwhile) {
    SahteSoket s;
    s.izinler = {100, 0, 0, 0}; // the first audio frame goes partly, then the socket is full for a while
    CikisKuyrugu k = s.kuyruk();
    EXPECT_EQ(k.ses(ses(0)), Sonuc::Gonderildi);
    EXPECT_EQ(k.yarimGonderim(), 1u);
    EXPECT_EQ(k.ses(ses(1)), Sonuc::Dusuruldu);
    EXPECT_EQ(k.metin(metinCercevesi("nabiz 1")), Sonuc::Kuyrukta);
    EXPECT_EQ(k.metin(metinCercevesi("nabiz 2")), Sonuc::Kuyrukta);
    EXPECT_TRUE(k.bekliyor());
    EXPECT_TRUE(k.bosalt()); // room again: rest of frame 0, then both texts
    EXPECT_FALSE(k.bekliyor());
    EXPECT_EQ(k.ses(ses(2)), Sonuc::Gonderildi);
    EXPECT_EQ(cerceveler(s.akis), (std::vector<std::string>{ses(0), metinCercevesi("nabiz 1"),
                                                            metinCercevesi("nabiz 2"), ses(2)}));
}

TEST(CikisKuyrugu, TextTheSocketRefusesWaitsInsteadOfBeingLost) {
    SahteSoket s;
    s.izinler = {CikisKuyrugu::BEKLE, CikisKuyrugu::BEKLE};
    CikisKuyrugu k = s.kuyruk();
    EXPECT_EQ(k.metin(metinCercevesi("merhaba")), Sonuc::Kuyrukta);
    EXPECT_TRUE(s.akis.empty());
    EXPECT_EQ(k.ses(ses(5)), Sonuc::Dusuruldu); // the queued hello still goes first
    EXPECT_EQ(k.ses(ses(6)), Sonuc::Gonderildi);
    EXPECT_EQ(cerceveler(s.akis), (std::vector<std::string>{metinCercevesi("merhaba"), ses(6)}));
}

TEST(CikisKuyrugu, BrokenConnectionAndFullTextQueueAreReported) {
    SahteSoket kirik;
    kirik.izinler = {10, CikisKuyrugu::HATA};
    CikisKuyrugu k = kirik.kuyruk();
    EXPECT_EQ(k.ses(ses(0)), Sonuc::Gonderildi);
    EXPECT_EQ(k.metin(metinCercevesi("x")), Sonuc::Hata);
    EXPECT_FALSE(k.bosalt());
    EXPECT_EQ(k.ses(ses(1)), Sonuc::Hata);

    SahteSoket dolu;
    dolu.izinler = std::deque<long>(100, CikisKuyrugu::BEKLE);
    CikisKuyrugu q = dolu.kuyruk(50);
    std::string const metin = metinCercevesi(std::string(20, 'n')); // 22 bytes
    EXPECT_EQ(q.metin(metin), Sonuc::Kuyrukta);                     // becomes the frame in flight
    EXPECT_EQ(q.metin(metin), Sonuc::Kuyrukta);                     // 22 bytes queued behind it
    EXPECT_EQ(q.metin(metin), Sonuc::Kuyrukta);                     // 44
    EXPECT_EQ(q.metin(metin), Sonuc::Tasma);                        // 66 would pass the bound of 50
}

TEST(CikisKuyrugu, AnyPatternOfPartialSendsKeepsWholeFramesAndEveryText) {
    std::mt19937 rastgele(12345);
    for (int tur = 0; tur < 200; ++tur) {
        SahteSoket s;
        CikisKuyrugu k = s.kuyruk();
        std::vector<std::string> beklenenMetin, gidenSes;
        std::uint32_t no = 0;
        for (int adim = 0; adim < 60; ++adim) {
            // room between nothing and more than a frame, sometimes none at all
            for (int j = 0; j < 3; ++j)
                s.izinler.push_back(rastgele() % 4 == 0 ? CikisKuyrugu::BEKLE : long(rastgele() % 1500));
            if (rastgele() % 3 == 0) {
                std::string const m = metinCercevesi("m" + std::to_string(adim));
                ASSERT_NE(k.metin(m), Sonuc::Hata);
                beklenenMetin.push_back(m);
            } else {
                std::string const c = ses(no++, std::uint16_t(50 + rastgele() % 400));
                Sonuc const r = k.ses(c);
                ASSERT_NE(r, Sonuc::Hata);
                if (r == Sonuc::Gonderildi)
                    gidenSes.push_back(c);
            }
        }
        s.izinler.clear();
        ASSERT_TRUE(k.bosalt());
        std::vector<std::string> metinler, sesler;
        for (auto const& c : cerceveler(s.akis))
            (c[0] == '\x81' ? metinler : sesler).push_back(c);
        EXPECT_EQ(metinler, beklenenMetin) << "round " << tur;
        EXPECT_EQ(sesler, gidenSes) << "round " << tur;
    }
}
