// Pure parts of the helper: configuration, frames, hello text, UMP both ways,
// the ID file, the ring between the MIDI system's threads.

#include "cekirdek/Ayarlar.h"
#include "cekirdek/BaytHalkasi.h"
#include "cekirdek/Cerceve.h"
#include "cekirdek/Gunluk.h"
#include "cekirdek/KimlikDosyasi.h"
#include "cekirdek/UcDefteri.h"
#include "cekirdek/Ump.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <numeric>
#include <thread>

using namespace oka::yardimci;

TEST(Ayarlar, environment_values_are_taken_and_an_unusable_port_is_the_default) {
    EXPECT_EQ(ayarlariOku({}).PORT_ADI, "OKA");
    Ayarlar const bos = ayarlariOku({{"OKA_YARDIMCI_PORT_ADI", ""}, {"OKA_YARDIMCI_KIMLIK_ALANI", ""}});
    EXPECT_EQ(bos.PORT_ADI + bos.KIMLIK_ALANI, "");
    std::pair<char const*, int> const durumlar[] = {
        {"", 53290},     {"abc", 53290},  {"70000", 53290},  {"12a", 53290},   {"+", 53290},
        {"-5", 53290},   {"+8000", 8000}, {"0", 0},          {"65535", 65535}, {"065535", 65535},
        {"99999999999999999999", 53290}};
    for (auto const& [metin, kapi] : durumlar)
        EXPECT_EQ(ayarlariOku({{"OKA_YARDIMCI_KAPI", metin}}).YARDIMCI_KAPI, kapi) << metin;
}

TEST(Ayarlar, the_white_list_holds_exactly_its_42_notes) {
    int sayi = 0;
    for (int n = 0; n < 256; ++n)
        sayi += izinliNota(uint8_t(n));
    EXPECT_EQ(sayi, 42);
    for (uint8_t n : {0x08, 0x0F, 0x18, 0x31, 0x34, 0x47, 0x5B, 0x5D, 0x5E, 0x62, 0x63, 0x7E})
        EXPECT_TRUE(izinliNota(n)) << int(n);
    for (uint8_t n : {0x07, 0x10, 0x17, 0x32, 0x33, 0x5C, 0x5F, 0x7F})
        EXPECT_FALSE(izinliNota(n)) << int(n);
}

TEST(Cerceve, a_request_line_is_told_from_an_app_frame) {
    auto b = [](std::string const& s) { return Baytlar(s.begin(), s.end()); };
    std::pair<Baytlar, HttpKarari> const durumlar[] = {
        {b("GET / HTTP/1.1\r\n"), HttpKarari::EVET}, {b("OPTIONS "), HttpKarari::EVET},
        {b("POST"), HttpKarari::BELIRSIZ},           {{}, HttpKarari::BELIRSIZ},
        {{0x00, 0x01, 0x02}, HttpKarari::HAYIR},      {b("Get / "), HttpKarari::HAYIR},
        {b(" GET"), HttpKarari::HAYIR},               {b("ABCDEFGHIJKLMNOPQ"), HttpKarari::HAYIR}};
    for (auto const& [ilk, karar] : durumlar)
        EXPECT_EQ(karar, httpIstegiMi(ilk)) << hex(ilk);
}

TEST(Cerceve, the_hello_is_byte_exact_and_stays_valid_json_for_any_port_name) {
    EXPECT_EQ(merhabaMetni("OKA", -1203345, 884512, 812),
              "{\"merhaba\":\"oka-midi-yardimci\",\"surum\":\"1.0\",\"port\":\"OKA\",\"hedefKimlik\":-1203345,"
              "\"kaynakKimlik\":884512,\"pid\":812}");
    EXPECT_NE(merhabaMetni("a\"b\\c\nd\x01", 0, 0, 1).find("\"port\":\"a\\\"b\\\\c\\nd\\u0001\""),
              std::string::npos);
}

TEST(Cerceve, text_and_bytes_from_outside_are_checked_for_utf8_and_make_one_bounded_log_line) {
    std::pair<std::string, std::string> const metinler[] = {
        {"uygulama 1", "uygulama 1"}, {"a\nb\r\tc", "a\\nb\\r\\tc"}, {"\x07\x1b\x7f", "\\x07\\x1B\\x7F"},
        {"Ürün — \\n", "Ürün — \\n"}};
    for (auto const& [metin, satir] : metinler)
        EXPECT_EQ(gunlukMetni(metin), satir);
    EXPECT_EQ(hexSinirli(Baytlar(64, 0xAB)), hex(Baytlar(64, 0xAB)));
    EXPECT_EQ(hexSinirli(Baytlar(65534, 0xAB)), hex(Baytlar(64, 0xAB)) + " … (65534 bayt)");
    std::pair<Baytlar, bool> const utf8[] = {
        {{}, true},           {{'h', 'i'}, true},         {{0xC3, 0x9C}, true},       {{0xE2, 0x80, 0x94}, true},
        {{0xEF, 0xBB, 0xBF}, true}, {{0xF0, 0x9F, 0x8E, 0xB9}, true}, {{0xC3}, false}, {{0xC0, 0x80}, false},
        {{0xED, 0xA0, 0x80}, false}, {{0xE2, 0x28, 0xA1}, false}, {{0xFF}, false}};
    for (auto const& [b, gecerli] : utf8)
        EXPECT_EQ(gecerliUtf8(b), gecerli) << hex(b);
}

TEST(Ump, channel_and_sysex_messages_are_read_and_the_rest_skipped) {
    std::pair<OlayListesi, std::vector<MidiOgesi>> const durumlar[] = {
        {{{0x20905E7F}}, {{false, 0, {0x90, 0x5E, 0x7F}}}},
        {{{0x2A80FFC0}}, {{false, 0, {0x80, 0x7F, 0x40}}}}, // group ignored, data masked
        {{{0x20C01234}}, {{false, 0, {0xC0, 0x12, 0x34}}}}, // program change keeps the word's third byte
        {{{0x10F80000, 0x10F20102, 0x40901234, 0x56780000, 0x20E27F3F}},
         {{false, 0, {0xF8}}, {false, 0, {0xE2, 0x7F, 0x3F}}}}, // realtime kept, other system messages skipped
        {{{0x30160102, 0x03040506}}, {{true, 1, {1, 2, 3, 4, 5, 6}}}},
        {{{0x30390102, 0x03040506}}, {{true, 3, {1, 2, 3, 4, 5, 6}}}}, // count above 6 is 6
        {{{0x30028182, 0x00000000}}, {{true, 0, {0x01, 0x02}}}},
        {{{0x20905E7F, 0x30160102}}, {{false, 0, {0x90, 0x5E, 0x7F}}}}, // cut short: the rest dropped
        {{{0x50000000, 0x20905E7F}}, {}},                                  // type 5 takes four words
        {{{0xB0000000, 0, 0, 0x20905E7F, 0x40000000, 0}}, {{false, 0, {0x90, 0x5E, 0x7F}}}},
        {{{0xC0000000, 0, 0x20905D7F, 0x20905E7F}}, {{false, 0, {0x90, 0x5E, 0x7F}}}}, // type C takes three words
        {{{0x20905E7F}, {0x20905D7F}}, {{false, 0, {0x90, 0x5E, 0x7F}}, {false, 0, {0x90, 0x5D, 0x7F}}}}};
    for (auto const& [liste, ogeler] : durumlar)
        EXPECT_EQ(umpMesajlari(liste), ogeler);
}

TEST(Ump, sysex_is_packed_six_bytes_per_chunk_and_64_words_per_packet) {
    Baytlar sorgu{0xF0, 0x00, 0x00, 0x66, 0x14, 0x01, 'O', 'K', 'A', '0', '0', '0', '1', 1, 2, 3, 4, 0xF7};
    EXPECT_EQ(sysexPaketleri(sorgu),
              (OlayListesi{{0x30160000, 0x6614014F, 0x30264B41, 0x30303031, 0x30340102, 0x03040000}}));
    EXPECT_EQ(sysexPaketleri({0xF0, 0xF7}), (OlayListesi{{0x30000000, 0x00000000}}));
    auto const paketler = sysexPaketleri(Baytlar(202, 0x55));
    ASSERT_EQ(paketler.size(), 2u);
    EXPECT_EQ(paketler[0].size(), 64u);
    EXPECT_EQ(paketler[1], (UmpPaketi{0x30265555, 0x55555555, 0x30325555, 0}));
    EXPECT_EQ(kanalKelimesi({0x90, 0xDE, 0xFF}), 0x20905E7Fu);
}

TEST(Ump, event_bytes_become_words_with_sysex_across_events_and_nothing_altered) {
    struct {
        std::vector<Baytlar> olaylar;
        std::vector<uint32_t> kelimeler;
        int atilan; // log lines
    } const durumlar[] = {
        {{{0x90, 0x5E, 0x7F}, {0xC3, 0x05}, {0xD0, 0x40}, {0xF8}}, {0x20905E7F, 0x20C30500, 0x20D04000, 0x10F80000}, 0},
        {{{0x90, 0x3E}, {0x5E, 0x7F}, {0xF7}, {0x90, 0x3E, 0x80}}, {}, 4}, // short, no status, stray end, bad data
        {{{0xF0, 0x01, 0x02, 0xF7}, {0xF0, 0xF7}}, {0x30020102, 0, 0x30000000, 0}, 0},
        {{{0xF0, 'A', 0xF8, 'B', 0xF7}}, {0x10F80000, 0x30024142, 0}, 0}, // realtime goes first, on its own
        {{{0xF0, 1, 2, 3, 4, 5, 6, 7}, {8, 9}, {0xF7}}, {0x30160102, 0x03040506, 0x30330708, 0x09000000}, 0},
        {{{0xF0, 1, 2, 3, 4, 5, 6}, {0xF7}}, {0x30060102, 0x03040506}, 0},
        {{{0xF0, 1, 2}, {0x90, 0x5E, 0x7F}}, {0x20905E7F}, 1}}; // broken off: nothing of it goes out
    std::vector<std::string> satirlar;
    gunlukAlicisiKur([&](std::string const& s) { satirlar.push_back(s); });
    for (auto const& d : durumlar) {
        BaytUmpCevirici cevirici;
        std::vector<uint32_t> kelimeler;
        satirlar.clear();
        for (Baytlar const& o : d.olaylar) {
            auto const k = cevirici.cevir(o.data(), o.size());
            kelimeler.insert(kelimeler.end(), k.begin(), k.end());
        }
        EXPECT_EQ(kelimeler, d.kelimeler) << hex(d.olaylar[0]);
        EXPECT_EQ(int(satirlar.size()), d.atilan) << hex(d.olaylar[0]);
    }
    gunlukAlicisiKur(nullptr);
    EXPECT_EQ(satirlar, std::vector<std::string>{"iş istasyonundan eksik MIDI mesajı atıldı: 90 5E 7F"});
}

TEST(Ump, the_sysex_buffer_is_bounded_and_starts_clean_after_an_overflow) {
    SysexTamponu t;
    Baytlar m;
    Baytlar const alti(6, 0x11);
    EXPECT_EQ(t.ekle(2, {0x01}, m), SysexTamponu::Sonuc::BEKLE); // continue without start joins
    EXPECT_EQ(t.ekle(3, {0x02}, m), SysexTamponu::Sonuc::TAMAM);
    EXPECT_EQ(m, (Baytlar{0xF0, 0x01, 0x02, 0xF7}));
    EXPECT_EQ(t.ekle(7, alti, m), SysexTamponu::Sonuc::BEKLE);
    EXPECT_EQ(t.ekle(1, alti, m), SysexTamponu::Sonuc::BEKLE);
    int tasma = 0;
    for (size_t i = 0; i < SysexTamponu::SINIR / 6 + 10; ++i)
        tasma += t.ekle(2, alti, m) == SysexTamponu::Sonuc::TASTI;
    EXPECT_EQ(tasma, 1);
    EXPECT_EQ(t.ekle(3, {0x05}, m), SysexTamponu::Sonuc::BEKLE);
    EXPECT_EQ(t.ekle(3, {0x06}, m), SysexTamponu::Sonuc::TAMAM);
    EXPECT_EQ(m, (Baytlar{0xF0, 0x06, 0xF7}));
}

TEST(KimlikDosyasi, ids_survive_a_reopen_and_a_bad_value_or_suite_name_is_handled) {
    char sablon[] = "/tmp/oka-kimlik-XXXXXX";
    std::string const dizin = mkdtemp(sablon);
    auto d = kimlikDosyasiAc(dizin, "alan.bir");
    d->tamsayiYaz("hedef.uniqueID", -1203345);
    d->tamsayiYaz("kaynak.uniqueID", 884512);
    EXPECT_EQ(kimlikDosyasiAc(dizin, "alan.bir")->tamsayi("hedef.uniqueID"), -1203345);
    EXPECT_EQ(kimlikDosyasiAc(dizin, "alan.bir")->tamsayi("kaynak.uniqueID"), 884512);
    EXPECT_FALSE(kimlikDosyasiAc(dizin, "alan.iki")->tamsayi("hedef.uniqueID"));
    std::ofstream(dizin + "/oka-midi-yardimci/alan.bir.conf") << "hedef.uniqueID=12x\nkaynak.uniqueID=\n";
    EXPECT_FALSE(d->tamsayi("hedef.uniqueID"));
    EXPECT_FALSE(d->tamsayi("kaynak.uniqueID"));
    for (char const* ad : {"", "..", "a/b", "NSGlobalDomain"}) {
        kimlikDosyasiAc(dizin, ad)->tamsayiYaz("k", 7);
        EXPECT_EQ(kimlikDosyasiAc(dizin, "oka-midi-yardimci")->tamsayi("k"), 7) << ad;
    }
    EXPECT_EQ(yapilandirmaDizini({{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}}), "/x");
    EXPECT_EQ(yapilandirmaDizini({{"XDG_CONFIG_HOME", "rel"}, {"HOME", "/h"}}), "/h/.config");
    std::filesystem::remove_all(dizin);
}

TEST(UcDefteri, names_live_as_long_as_their_ports_and_ids_are_unique_to_the_process) {
    UcDefteri d;
    MidiRef const kendi = d.ref("OKA-Yardimci:OKA out", true);
    int32_t const kimlik = d.kimlikVer(kendi);
    EXPECT_NE(kimlik, 0);
    auto ilk = d.listele(true, {"DAW:out", "DAW:out2"});
    EXPECT_EQ(d.listele(true, {"DAW:out2", "DAW:out"}), (std::vector<MidiRef>{ilk[1], ilk[0]})); // refs stay
    MidiRef const giris = d.listele(false, {"DAW:in"})[0];
    d.listele(true, {}); // gone ports leave nothing behind
    EXPECT_EQ(d.ad(ilk[0]), nullptr);
    EXPECT_EQ(*d.ad(giris), "DAW:in");                   // the other kind's listing forgets only its own
    EXPECT_EQ(*d.ad(kendi), "OKA-Yardimci:OKA out"); // the helper's own port stays until it is let go
    MidiRef const hedef = d.ref("OKA-Yardimci:OKA in", false);
    d.kimlikVer(hedef);
    EXPECT_FALSE(d.kimlikAyarla(hedef, kimlik)); // taken
    EXPECT_TRUE(d.kimlikAyarla(hedef, -5));
    EXPECT_EQ(d.kimlik(hedef), -5);
    d.unut(kendi);
    EXPECT_EQ(d.ad(kendi), nullptr);
    EXPECT_TRUE(d.kimlikAyarla(hedef, kimlik));
}

TEST(BaytHalkasi, records_cross_threads_whole_and_in_order_through_a_small_ring) {
    BaytHalkasi halka(64);
    EXPECT_FALSE(halka.yaz(Baytlar(61).data(), 61)); // with its length it exceeds the ring
    constexpr uint32_t SAYI = 20000;
    auto kayit = [](uint32_t i) {
        Baytlar k(1 + i % 40);
        std::iota(k.begin(), k.end(), uint8_t(i));
        return k;
    };
    std::thread uretici([&] {
        for (uint32_t i = 0; i < SAYI; ++i)
            while (!halka.yaz(kayit(i).data(), uint32_t(kayit(i).size())))
                std::this_thread::yield();
    });
    uint32_t hatali = 0;
    for (uint32_t i = 0; i < SAYI; ++i) {
        Baytlar k;
        while (k.resize(halka.siradakiBoyu()), k.empty())
            std::this_thread::yield();
        halka.al(k.data());
        hatali += k != kayit(i);
    }
    uretici.join();
    EXPECT_EQ(hatali, 0u);
    EXPECT_TRUE(halka.bos());
}
