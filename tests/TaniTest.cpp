// The diagnostics pass on known inputs, and the thread that runs it.

#include "TestYardimcilari.h"

#include "diag/Tani.h"
#include "server/Sunucu.h"

TEST(Tani, TransportNoticesOnlyWhenSourceOrStateChanges) {
    struct Tasima {
        std::int32_t kaynak;
        bool caliyor = false, kayit = false, dongu = false;
        double tempo = 120.0;
    };
    struct Durum {
        char const* ad;
        std::vector<Tasima> turlar;
        std::vector<bool> bildirim; // raised in each pass
    } const tablo[] = {
        {"before any block the first pass differs from -1", {{0}, {0}}, {true, false}},
        {"playback starts", {{1}, {1}, {1, true}}, {true, false, true}},
        {"a tempo change alone", {{1, true}, {1, true, false, false, 90.0}}, {true, false}},
        {"recording and cycle", {{1}, {1, false, true}, {1, false, true, true}}, {true, true, true}},
        {"context dropped", {{1, true}, {2, true}, {2, true}}, {true, true, false}},
        {"context back", {{2}, {1}}, {true, true}},
    };
    KapiKilidi kapilar("oka-kapilar");
    SahteKabuk c;
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    ASSERT_NE(s, nullptr);
    for (auto const& d : tablo) {
        oka::TaniDurumu durum;
        for (std::size_t i = 0; i < d.turlar.size(); ++i) {
            Tasima const& t = d.turlar[i];
            std::tie(c.tasimaDurumu, c.caliyor, c.kayit, c.dongu, c.tempo) =
                std::tuple(t.kaynak, t.caliyor, t.kayit, t.dongu, t.tempo);
            s->tasimaIstegi = false;
            oka::taniTuru(c, s, durum);
            EXPECT_EQ(s->tasimaIstegi.load(), d.bildirim[i]) << d.ad << ", pass " << i + 1;
        }
    }
}

TEST(Tani, APassLogsTheSourceAndDrainsTheCountersIntoItsReports) {
    SahteKabuk c;
    OlaySatirlari y;
    oka::TaniDurumu d;
    c.tasimaDurumu = 1;
    c.konum = 16.6;
    c.tempo = 127.456;
    c.blokSayisi = 100;
    c.islenenOrnek = 48000;
    c.teslim = 48100;
    c.sonOrnekZamani = 96000;
    c.tepe = 0.5;
    c.kareToplami = 0.125 * 9600;
    c.olculenOrnek = 9600;
    oka::taniTuru(c, nullptr, d);
    c.tasimaDurumu = 2;
    oka::taniTuru(c, nullptr, d);
    EXPECT_EQ(
        y.ornegin(c.ornekEtiketi()),
        (std::vector<std::string>{
            "TRANSPORT geri cagrisi VAR (transportStateProc)",
            "TRANSPORT caliyor=0 kayit=0 dongu=0 konum=17 tempo=127.46 sonuc=0",
            "TESLIM ornekZamani=96000 cerceve/sn=100.0 beklenen=100.0 sapma_ppm=2083 gonderilen=0 atlanan=0 "
            "tampon_dolu=0 (blok/sn=100 ornek/blok=480 ornekleme=48000)",
            "SEVIYE tepe=-6.0 dBFS rms=-9.0 dBFS ornek=9600 transport=durdu",
            "TRANSPORT geri cagrisi YOK (konak kAudioUnitProperty_HostCallbacks kurmadi)"}))
        << "the second pass found the counters taken";
    // The server's counters, a slow host and the level's other words.
    EXPECT_EQ(
        oka::teslimSatiri(47900, 101, 101 * 480, 47900, 48000, 7, 2, 3),
        "TESLIM ornekZamani=47900 cerceve/sn=101.0 beklenen=100.0 sapma_ppm=-2083 gonderilen=7 atlanan=2 "
        "tampon_dolu=3 (blok/sn=101 ornek/blok=480 ornekleme=48000)");
    EXPECT_EQ(oka::seviyeSatiri(1.0, 0.5 * 9600, 9600, 1, true),
              "SEVIYE tepe=0.0 dBFS rms=-3.0 dBFS ornek=9600 transport=caliyor");
    for (double sessiz : {0.0, 1e-60})
        EXPECT_EQ(oka::seviyeSatiri(sessiz, 0.0, 1, 0, true),
                  "SEVIYE tepe=-inf dBFS rms=-inf dBFS ornek=1 transport=bilinmiyor");
}

TEST(Tani, TheThreadRunsPassesStopsAtOnceAndRestartsWithFreshState) {
    KapiKilidi kapilar("oka-kapilar");
    OlaySatirlari y;
    SahteKabuk c(std::chrono::milliseconds(20));
    c.tasimaDurumu = 1;
    c.tepe = 0.5;
    c.olculenOrnek = 1;
    c.baslat();
    oka::Sunucu* s = c.sunucuAl();
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(bekleKadar([&] { return y.say("SEVIYE tepe=-6.0") == 1; })) << "activation starts the passes";
    // A pass that ran before the server existed raised nothing: start afresh.
    c.taniIpligiDurdur();
    c.taniIpligiBaslat();
    ASSERT_TRUE(bekleKadar([&] { return s->tasimaIstegi.load(); })) << "the first pass raises a notice";
    c.tepe = 0.5;
    c.olculenOrnek = 1;
    EXPECT_TRUE(bekleKadar([&] { return y.say("SEVIYE tepe=-6.0") == 2; })) << "later passes still run";
    c.taniIpligiDurdur();
    s->tasimaIstegi = false;
    c.baslat();
    EXPECT_EQ(y.say("tani ipligi yeniden baslatildi (Cleanup sonrasi Initialize)"), 1);
    EXPECT_TRUE(bekleKadar([&] { return s->tasimaIstegi.load(); })) << "a restart forgets the last source";
    c.baslat();
    EXPECT_EQ(y.say("tani ipligi yeniden baslatildi"), 1) << "a running thread is not restarted";
}
