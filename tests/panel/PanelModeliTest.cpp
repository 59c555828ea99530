// The panel's decisions, without a display.
#include "PanelModeli.h"
#include "AudioBirimi.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

using oka::ArayuzDurumu;
using oka::PanelModeli;

namespace {

template <std::size_t N> void koy(char (&alan)[N], std::string const& metin) {
    std::memset(alan, 0, N);
    std::memcpy(alan, metin.data(), metin.size());
}

// A plug-in as the panel sees it: the record it answers, whether reads work,
// and the names it was given.
struct Sahne {
    explicit Sahne(bool turkce = false, bool auYolu = false)
        : model(
              [this](ArayuzDurumu& d) {
                  ++okumalar;
                  d = kayit;
                  return okunur;
              },
              [this](char const* ad) { yazilan.emplace_back(ad); }, auYolu, turkce) {
        kayit.tepeDb = -120;
    }
    // One 0.1 s tick: poll with the field idle, then the meter.
    void tikla() {
        model.durumuOku(false, "");
        model.tikla();
    }

    ArayuzDurumu kayit{};
    bool okunur = true;
    int okumalar = 0;
    std::vector<std::string> yazilan;
    PanelModeli model;
};

} // namespace

TEST(PanelDili, TurkishIsTrFollowedByTheEndADashOrAnUnderscore) {
    std::pair<char const*, bool> const durumlar[] = {
        {"tr", true},   {"TR", true},     {"tr_TR", true}, {"tr-TR", true}, {"Tr-CY", true},
        {"tra", false}, {"en-TR", false}, {"", false},     {"t", false},    {"tr.UTF-8", false}};
    for (auto const& [dil, turkce] : durumlar)
        EXPECT_EQ(oka::turkceMi(dil), turkce) << dil;
}

TEST(PanelMetinleri, LevelSilentUpToMinus119AndFormatLineInBothLanguages) {
    struct {
        bool turkce, okunur; // okunur: the second read works; the level is the first one's
        float db;
        double hz;
        int kanal;
        char const *seviye, *bicim;
    } const durumlar[] = {
        {true, true, -120.0f, 48000, 2, "sessiz", "48000 Hz · 2 kanal"},
        {false, true, -119.0f, 48000, 1, "silent", "48000 Hz · 1 channel"},
        {true, true, -118.9f, 48000, 1, "-118.9 dBFS", "48000 Hz · 1 kanal"},
        {false, true, -118.9f, 44100.4, 2, "-118.9 dBFS", "44100 Hz · 2 channels"},
        {false, true, 0.0f, 0, 0, "0.0 dBFS", "no format yet"},
        {true, true, -120.0f, 0, 0, "sessiz", "biçim henüz yok"},
        {false, false, -120.0f, 48000, 2, "silent", "plug-in runs in a separate process"},
        {true, false, -120.0f, 48000, 2, "sessiz", "konak eklentiyi ayrı süreçte çalıştırıyor"},
    };
    for (auto const& d : durumlar) {
        Sahne s(d.turkce);
        s.kayit.tepeDb = d.db;
        s.kayit.ornekleme = d.hz;
        s.kayit.kanal = d.kanal;
        s.tikla();
        std::string const seviye = s.model.seviyeMetni();
        s.okunur = d.okunur;
        s.tikla();
        EXPECT_EQ(seviye + "|" + s.model.bicimSatiri(), std::string(d.seviye) + "|" + d.bicim);
    }
}

TEST(PanelMetinleri, PlaceholderNamesTheHostAndItsChannel) {
    std::string const nil256(256, 'A'), cubase256 = "Cubase: " + nil256;
    struct {
        char const *ad, *konak;
        bool turkce;
        char const* yerTutucu;
    } const durumlar[] = {
        {"Vocals", "", false, "Logic: Vocals"},
        {"", "", false, "Logic's name hasn't arrived yet"},
        {"", "Logic", true, "Logic'in adı henüz gelmedi"},
        {"", "Studio One", false, "Studio One name hasn't arrived yet"},
        {"", "Studio One", true, "Studio One adı henüz gelmedi"},
        {"Şarkı € 🎵", "Cubase", false, "Cubase: Şarkı € 🎵"},
        // Not UTF-8 (cut short, overlong, a surrogate, past U+10FFFF): read as empty.
        {"\xC3", "Cubase", false, "Cubase name hasn't arrived yet"},
        {"\xE0\x80\xAF", "Cubase", false, "Cubase name hasn't arrived yet"},
        {"\xED\xA0\x80", "Cubase", false, "Cubase name hasn't arrived yet"},
        {"\xF4\x90\x80\x80", "Cubase", false, "Cubase name hasn't arrived yet"},
        {nil256.c_str(), "Cubase", false, cubase256.c_str()}, // no NUL: the field ends it
    };
    for (auto const& d : durumlar) {
        Sahne s(d.turkce);
        koy(s.kayit.logicAd, d.ad);
        koy(s.kayit.konak, d.konak);
        koy(s.kayit.elleAd, "Kick"); // right after the host's name in the record
        auto const istek = s.model.durumuOku(false, "");
        EXPECT_EQ(istek.yerTutucu.value_or("(unchanged)") + "|" + s.model.yerTutucu(),
                  std::string(d.yerTutucu) + "|" + d.yerTutucu);
    }
    Sahne okunamaz;
    okunamaz.okunur = false;
    okunamaz.model.durumuOku(false, "");
    EXPECT_EQ(okunamaz.model.yerTutucu(), "Using Logic's name");
}

TEST(PanelOlceri, BallisticsRiseAtOnceFallThreeDbAndStopAtMinus120) {
    struct {
        char const* ad;
        std::vector<float> tepeler; // one read per tick; NAN: the read fails
        std::vector<float> gosterilen;
    } const durumlar[] = {
        {"rise then fall", {-6, -120, -120, -120}, {-6, -9, -12, -15}},
        {"a higher peak while falling", {-6, -120, -3}, {-6, -9, -3}},
        {"an equal peak does not hold", {-6, -6, -6, -6}, {-6, -9, -6, -9}},
        {"failed reads keep the last peak", {-6, NAN, NAN}, {-6, -9, -6}},
        {"never below -120", {-118, -120, -120}, {-118, -120, -120}},
        {"no record ever read: silence, not a clip", {NAN, NAN}, {-120, -120}},
    };
    for (auto const& d : durumlar) {
        Sahne s;
        std::vector<float> gorulen;
        for (float t : d.tepeler) {
            s.okunur = !std::isnan(t);
            if (s.okunur)
                s.kayit.tepeDb = t;
            s.tikla();
            gorulen.push_back(s.model.gosterilenDb());
        }
        EXPECT_EQ(gorulen, d.gosterilen) << d.ad;
    }
    EXPECT_EQ(PanelModeli(nullptr, nullptr, false, false).seviyeMetni(), "silent") << "without a reader";
}

TEST(PanelOlceri, BarIsLinearFromMinus60AndRedAboveMinusPointTwo) {
    struct {
        float db;
        double genislik; // 0: no bar
        bool kirmizi;
    } const durumlar[] = {{-120, 0, false},
                          {-60, 0, false},
                          {-59.9f, 388 * (0.1f / 60), false},
                          {-30, 194, false},
                          {-0.2f, 388 * (59.8f / 60), false},
                          {-0.1f, 388 * (59.9f / 60), true},
                          {0, 388, true},
                          {6, 388, true}};
    for (auto const& d : durumlar) {
        Sahne s;
        s.kayit.tepeDb = d.db;
        s.tikla();
        auto const c = s.model.cizim();
        ASSERT_EQ(c.olcerCubugu.has_value(), d.genislik > 0) << d.db;
        if (c.olcerCubugu) {
            EXPECT_NEAR(c.olcerCubugu->w, d.genislik, 1e-3) << d.db;
        }
        EXPECT_EQ(oka::renkHex(c.cubukRengi), d.kirmizi ? "#F87160" : "#22D3EE") << d.db;
    }
}

TEST(PanelCizimi, InventoryRowsOnAKnownState) {
    Sahne s;
    s.kayit.bagliMi = 1;
    s.kayit.ornekleme = 48000;
    s.kayit.kanal = 2;
    s.kayit.tepeDb = -3.25f;
    koy(s.kayit.konak, "Cubase");
    koy(s.kayit.logicAd, "Vocals");
    s.tikla();
    std::vector<std::string> satirlar; // text|x|y|w|h|size|weight|alignment|colour|measured
    for (auto const& [m, cizilen] :
         s.model.metinEnvanteri("", PanelModeli::AD_ALANI,
                                [](std::string const&m, double, oka::Kalinlik) { return 10.0 * m.size(); })) {
        char satir[160];
        std::snprintf(satir, sizeof satir, "%s|%g|%g|%g|%g|%g|%d|%d|%s|%g", m.metin.c_str(), m.kutu.x,
                      m.kutu.y, m.kutu.w, m.kutu.h, m.boyut, static_cast<int>(m.kalinlik),
                      static_cast<int>(m.hiza), oka::renkHex(m.renk).c_str(), cizilen);
        satirlar.push_back(satir);
    }
    // The title's second half starts where the first one ends, as measured.
    EXPECT_EQ(satirlar,
              (std::vector<std::string>{
                  "OKA|16|234|388|20|16|2|0|#F5A623|30", " Bridge|46|234|388|20|16|2|0|#22D3EE|70",
                  "version 1.1|16|234|388|18|11.5|0|1|#8F949B|110", "ROLE|16|205|388|13|11|2|0|#F87160|40",
                  "channel|16|186|160|18|13|3|0|#F2F3F5|70", "CHANNEL NAME|16|157|388|13|11|2|0|#F87160|120",
                  "Cubase: Vocals|16|131|388|24|13|2|0|#8F949B|140", "STATUS|16|102|388|13|11|2|0|#F87160|60",
                  "connected|16|83|140|18|13|3|0|#22D3EE|90",
                  "48000 Hz · 2 channels|156|83|248|16|11.5|0|1|#8F949B|220",
                  "INPUT LEVEL|16|54|388|13|11|2|0|#F87160|110", "peak|16|22|388|16|11|2|0|#8F949B|40",
                  "-3.2 dBFS|16|22|388|16|11.5|1|1|#8F949B|90"}));
}

TEST(PanelDurumu, StatusFollowsTheRecordAndAFailedReadKeepsItAndAsksForOneRedraw) {
    Sahne s;
    auto durum = [&] {
        auto const m = s.model.cizim().metinler;
        return m[2].metin + "|" + m[5].metin + "|" + oka::renkHex(m[5].renk);
    };
    s.tikla();
    EXPECT_EQ(durum(), "channel|waiting|#F0B442");
    s.kayit.rolMasterMi = 1;
    s.kayit.bagliMi = 1;
    s.tikla();
    s.okunur = false;
    s.kayit.rolMasterMi = 0;
    EXPECT_TRUE(s.model.durumuOku(false, "").yenidenCiz);
    EXPECT_FALSE(s.model.durumuOku(false, "").yenidenCiz);
    EXPECT_EQ(durum(), "master|status unreadable|#F87160");
    s.okunur = true;
    s.tikla();
    EXPECT_EQ(durum(), "channel|connected|#22D3EE");
}

TEST(PanelAdi, TheFieldFollowsTheManualNameExceptWhileTypingOrAfterAnEscape) {
    Sahne s;
    koy(s.kayit.elleAd, "Bass");
    EXPECT_FALSE(s.model.durumuOku(true, "Dru").metin);
    EXPECT_EQ(s.model.durumuOku(false, "Dru").metin.value_or("(unchanged)"), "Bass");
    EXPECT_FALSE(s.model.durumuOku(false, "Bass").metin);
    koy(s.kayit.elleAd, "\xC3\x28"); // not UTF-8: read as no name
    EXPECT_EQ(s.model.durumuOku(false, "Bass").metin.value_or("(unchanged)"), "");
    // Escape restores the text and applies nothing.
    s.model.duzenlemeBasladi("Old");
    EXPECT_EQ(s.model.iptalEt(), "Old");
    EXPECT_EQ(s.model.duzenlemeBitti().value_or("(apply)"), "Old");
    EXPECT_TRUE(s.yazilan.empty());
    // The next edit starts uncancelled, even after an Escape that never ended.
    s.model.iptalEt();
    s.model.duzenlemeBasladi("Old");
    EXPECT_FALSE(s.model.duzenlemeBitti());
    EXPECT_TRUE(s.model.adGirildi("New"));
    EXPECT_EQ(s.yazilan, std::vector<std::string>{"New"});
}

TEST(PanelAdi, ALongNameIsCutAtAWholeUtf8Character) {
    std::string const a254(254, 'a'), a253(253, 'a');
    std::pair<std::string, std::string> const durumlar[] = {
        {std::string(300, 'x'), std::string(255, 'x')},
        {a254 + "\xC5\x9F", a254},              // ş would need bytes 255 and 256
        {a253 + "\xC5\x9F", a253 + "\xC5\x9F"}, // fits exactly
        {a253 + "\xE2\x82\xAC", a253},          // €
        {a254 + "b\xF0\x9F\x8E\xB5", a254 + "b"},
        {"", ""},
    };
    for (auto const& [ad, yazilan] : durumlar) {
        Sahne s;
        EXPECT_TRUE(s.model.adGirildi(ad));
        EXPECT_EQ(s.yazilan, std::vector<std::string>{yazilan});
    }
    // A text that fits comes back whole: the byte after its end is not its own.
    EXPECT_EQ(oka::utf8Kes(std::string_view("ab\x80", 2), 2), "ab");
}

TEST(PanelAdi, AfterKoparOrOverNoAudioUnitNothingReachesThePlugin) {
    Sahne s;
    s.model.kopar();
    auto const istek = s.model.durumuOku(false, "");
    EXPECT_FALSE(istek.metin || istek.yerTutucu || istek.yenidenCiz);
    EXPECT_FALSE(s.model.adGirildi("x"));
    EXPECT_EQ(s.okumalar, 0);
    EXPECT_TRUE(s.yazilan.empty());
    EXPECT_FALSE(oka::auOkuyucu(nullptr) || oka::auYazici(nullptr)) << "neither reader nor writer";
}

TEST(PanelZamanlayicisi, OnlyTheAudioUnitViewFollowsItsWindow) {
    using Z = PanelModeli::Zamanlayici;
    struct {
        bool auYolu, koparildi, pencerede, calisiyor;
        Z karar;
    } const durumlar[] = {
        {true, false, false, true, Z::durdur},   {true, false, true, false, Z::baslat},
        {true, false, true, true, Z::dokunma},   {true, true, true, false, Z::dokunma},
        {false, false, false, true, Z::dokunma},
    };
    for (auto const& d : durumlar) {
        Sahne s(false, d.auYolu);
        if (d.koparildi)
            s.model.kopar();
        EXPECT_EQ(s.model.pencereDegisti(d.pencerede, d.calisiyor), d.karar)
            << d.auYolu << d.koparildi << d.pencerede << d.calisiyor;
    }
}
