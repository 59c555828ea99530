// The server on the product's ports, with the third-party clients the app's
// developers use: Python websockets and curl.

#include "SunucuAraclari.h"

#include <atomic>
#include <future>
#include <gtest/gtest.h>
#include <sstream>
#include <thread>

using namespace oka;

namespace {

std::string wsIstemci(std::string const& argumanlar) {
    return komutCalistir(std::string(OKA_PYTHON) + " " + OKA_WS_ISTEMCI + " " + argumanlar);
}

std::vector<std::vector<std::string>> satirlar(std::string const& cikti) {
    std::vector<std::vector<std::string>> sonuc;
    std::istringstream akis(cikti);
    std::string satir;
    while (std::getline(akis, satir)) {
        std::vector<std::string> parca;
        std::istringstream ps(satir);
        std::string p;
        // METIN lines keep their text whole in the third field
        for (int i = 0; i < 2 && ps >> p; ++i)
            parca.push_back(p);
        if (!parca.empty() && parca[0] == "METIN") {
            std::string kalan;
            std::getline(ps >> std::ws, kalan);
            parca.push_back(kalan);
        } else {
            while (ps >> p)
                parca.push_back(p);
        }
        sonuc.push_back(parca);
    }
    return sonuc;
}

struct OturumOzeti {
    std::vector<std::string> metinler;
    std::vector<int> metinMs;
    std::vector<std::uint32_t> sesNo;
    bool hepsiUyumlu = true;
    bool kapandi = false;
};

OturumOzeti ozetle(std::string const& cikti, std::size_t beklenenUzunluk) {
    OturumOzeti o;
    for (auto const& s : satirlar(cikti)) {
        if (s[0] == "METIN" && s.size() == 3) {
            o.metinMs.push_back(std::stoi(s[1]));
            o.metinler.push_back(s[2]);
        } else if (s[0] == "IKILI" && s.size() == 8) {
            o.sesNo.push_back(std::uint32_t(std::stoul(s[2])));
            o.hepsiUyumlu = o.hepsiUyumlu && s[7] == "1" && std::stoul(s[6]) == beklenenUzunluk;
        } else if (s[0] == "KAPANDI") {
            o.kapandi = true;
        }
    }
    return o;
}

// Feeds stereo blocks of 128 frames every 5 ms while a client is connected.
class Uretici {
public:
    explicit Uretici(Sunucu& s) : sunucu_(s), iplik_([this] { calis(); }) {}
    ~Uretici() {
        dur_ = true;
        iplik_.join();
    }

private:
    void calis() {
        std::vector<float> blok(256);
        double zaman = 0;
        while (!dur_.load()) {
            if (sunucu_.bagli.load()) {
                std::fill(blok.begin(), blok.end(), float(zaman));
                sunucu_.halka.yaz(blok.data(), blok.data() + 128, 2, 128, zaman);
                zaman += 128;
            }
            std::this_thread::sleep_for(5ms);
        }
    }
    Sunucu& sunucu_;
    std::atomic<bool> dur_{false};
    std::thread iplik_;
};

} // namespace

class UctanUca : public ::testing::Test {
    KapiKilidi kilit_{"oka-kapilar"};
};

TEST_F(UctanUca, CurlProbeGetsTheExactIdentificationAnswer) {
    TestSunucusu t("#1 vst3", true, SunucuAyarlari{});
    ASSERT_TRUE(t.dinliyor());
    std::atomic<bool> bitti{false}, hicBagli{false};
    std::thread gozcu([&] {
        while (!bitti.load())
            if (t.sunucu->bagli.load())
                hicBagli = true;
    });
    std::string const cikti =
        komutCalistir(std::string(OKA_CURL) + " -s -i --max-time 10 http://127.0.0.1:53171/");
    bitti = true;
    gozcu.join();
    EXPECT_EQ(cikti, "HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\nContent-Type: text/plain\r\n"
                     "Content-Length: 17\r\n\r\nOKA-KOPRU-EKLENTI");
    EXPECT_FALSE(hicBagli.load());
}

TEST_F(UctanUca, WebsocketsClientGetsHelloPulsesAudioAndMutes) {
    OlaySatirlari olay;
    TestSunucusu t("#1 vst3", true, SunucuAyarlari{});
    ASSERT_TRUE(t.dinliyor());
    Uretici uretici(*t.sunucu);

    std::string const cikti1 = wsIstemci(R"(oturum 53171 --nabiz 2 --komut '{"sustur":true}')");
    OturumOzeti const o1 = ozetle(cikti1, 16 + 4 * 2 * 128);
    ASSERT_TRUE(o1.kapandi) << cikti1;
    ASSERT_EQ(o1.metinler.size(), 3u) << cikti1;
    EXPECT_EQ(o1.metinler[0], t.cekirdek.merhaba(53171));
    EXPECT_LT(o1.metinMs[0], 1000) << "hello at once";
    std::string const nabiz1 =
        "{\"tip\":\"nabiz\",\"ornek\":\"#1 vst3\",\"no\":1," + t.cekirdek.tasima() + "}";
    EXPECT_EQ(o1.metinler[1], nabiz1);
    EXPECT_GE(o1.metinMs[1], 1000);
    EXPECT_LT(o1.metinMs[1], 4000);
    EXPECT_EQ(o1.metinler[2],
              "{\"tip\":\"nabiz\",\"ornek\":\"#1 vst3\",\"no\":2," + t.cekirdek.tasima() + "}");
    ASSERT_GT(o1.sesNo.size(), 10u) << cikti1;
    EXPECT_TRUE(o1.hepsiUyumlu) << cikti1;
    EXPECT_EQ(o1.sesNo.front(), 0u);
    for (std::size_t i = 1; i < o1.sesNo.size(); ++i)
        EXPECT_GT(o1.sesNo[i], o1.sesNo[i - 1]);

    // The app's mute, lifted again when its connection ends.
    auto gunluk = [&] {
        std::string metin;
        for (auto const& s : olay.ornegin("#1 vst3"))
            metin += s + "\n";
        return metin;
    };
    ASSERT_TRUE(bekleKadar([&] { return !t.sunucu->bagli.load(); })) << gunluk();
    EXPECT_EQ(t.cekirdek.susturGecmisi(), (std::vector<bool>{true, false})) << gunluk();
    EXPECT_EQ(olay.say("#1 vst3", "komut: sustur=true"), 1);
    EXPECT_EQ(olay.say("#1 vst3", "baglanti koptu → SUSTURMA KALKTI"), 1);

    // Next connection: pulses count from 1 again, audio numbers run on.
    std::string const cikti2 = wsIstemci("oturum 53171 --nabiz 1");
    OturumOzeti const o2 = ozetle(cikti2, 16 + 4 * 2 * 128);
    ASSERT_TRUE(o2.kapandi) << cikti2;
    ASSERT_EQ(o2.metinler.size(), 2u) << cikti2;
    EXPECT_EQ(o2.metinler[1], nabiz1);
    ASSERT_FALSE(o2.sesNo.empty());
    EXPECT_GT(o2.sesNo.front(), o1.sesNo.back());
}

TEST_F(UctanUca, SecondMasterRetriesEveryTwoSecondsAndTakesOverThePort) {
    OlaySatirlari olay;
    auto birinci = std::make_unique<TestSunucusu>("#1 vst3", true, SunucuAyarlari{});
    ASSERT_TRUE(birinci->dinliyor());
    TestSunucusu ikinci("#2 vst3", true, SunucuAyarlari{});
    ASSERT_TRUE(olay.bekle("#2 vst3", "yeniden deneme basliyor — her 2 sn, ses AYNEN geciyor"));
    EXPECT_EQ(olay.ornegin("#2 vst3").at(1),
              "ikinci master — 53171 dolu, KANALA KAYMIYOR, master kapisinda bekleniyor");
    std::this_thread::sleep_for(2500ms); // at least one silent retry
    EXPECT_EQ(olay.say("#2 vst3", "ikinci master"), 1);
    EXPECT_EQ(olay.say("#2 vst3", "DOLU"), 1);

    birinci.reset();
    ASSERT_TRUE(olay.bekle("#2 vst3", "DINLIYOR 127.0.0.1:53171 rol=master", 5s));
    EXPECT_EQ(olay.say("#2 vst3", "yeniden deneme BASARILI ("), 1);
    std::string const cikti = wsIstemci("merhabalar 53171");
    EXPECT_EQ(cikti, "MERHABA 53171 " + ikinci.cekirdek.merhaba(53171) + "\n");
}

TEST_F(UctanUca, FiveChannelInstancesShareTheFourChannelPorts) {
    OlaySatirlari olay;
    std::vector<std::unique_ptr<TestSunucusu>> kanallar;
    for (int i = 0; i < 4; ++i) {
        kanallar.push_back(
            std::make_unique<TestSunucusu>("#" + std::to_string(i + 1) + " vst3", false, SunucuAyarlari{}));
        ASSERT_TRUE(kanallar.back()->dinliyor());
    }
    TestSunucusu besinci("#5 vst3", false, SunucuAyarlari{});
    ASSERT_TRUE(olay.bekle("#5 vst3", "yeniden deneme basliyor"));
    EXPECT_EQ(olay.ornegin("#5 vst3").at(0), "kanal kapilarinin (53172-53175) HEPSI DOLU");

    std::string beklenen;
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(kanallar[i]->sunucu->kapi.load(), 53172 + i);
        beklenen +=
            "MERHABA " + std::to_string(53172 + i) + " " + kanallar[i]->cekirdek.merhaba(53172 + i) + "\n";
    }
    EXPECT_EQ(wsIstemci("merhabalar 53172 53173 53174 53175"), beklenen);

    kanallar[1].reset();
    ASSERT_TRUE(olay.bekle("#5 vst3", "DINLIYOR 127.0.0.1:53173 rol=kanal", 5s));
    EXPECT_EQ(olay.say("#5 vst3", "HEPSI DOLU"), 1);
}
