// The helper's behaviour through its queue, the in-memory MIDI system and
// real sockets: arbitration, IDs, the app link, both MIDI directions.

#include "BellekMidi.h"
#include "cekirdek/Gunluk.h"
#include "cekirdek/Yardimci.h"
#include "destek/Gunlukler.h"
#include "destek/TcpIstemci.h"

#include <gtest/gtest.h>

#include <future>

using namespace oka::yardimci;
using namespace std::chrono_literals;
using Satirlar = std::vector<std::string>;

namespace {
// The app's end of the link.
class Uygulama : public TcpIstemci {
public:
    using TcpIstemci::TcpIstemci;
    void gonder(Baytlar const& b) { ASSERT_TRUE(TcpIstemci::gonder(std::string(b.begin(), b.end()))); }
    // The next whole frame (length, type, body), within 2 s.
    std::optional<Baytlar> cerceve() {
        auto const boy = [&t = tampon_] {
            return t.size() < 2 ? 2u : 2u + (uint8_t(t[0]) << 8 | uint8_t(t[1])); // the length, once it is in
        };
        for (auto const son = Saat::now() + 2s; tampon_.size() < boy();)
            if (!doldur(son))
                return std::nullopt;
        Baytlar const c(tampon_.begin(), tampon_.begin() + boy());
        tampon_.erase(0, c.size());
        return c;
    }
};

struct TestDeposu : KimlikDeposu {
    explicit TestDeposu(std::map<std::string, int64_t>& d) : d(d) {}
    std::optional<int64_t> tamsayi(std::string const& a) override {
        return d.count(a) ? std::optional<int64_t>(d[a]) : std::nullopt;
    }
    void tamsayiYaz(std::string const& a, int64_t deger) override { d[a] = deger; }
    std::map<std::string, int64_t>& d;
};

Baytlar kanal(uint8_t a, uint8_t b, uint8_t c) { return {0x00, 0x04, 0x01, a, b, c}; }
Baytlar const MERHABA{0x00, 0x01, 0x02};
std::string const SORGU_PAKETI = "gonder F0 00 00 66 14 01 4F 4B 41 30 30 30 31 01 02 03 04 F7";
} // namespace

// A running helper: its queue on a thread of its own, the in-memory MIDI system, a store of IDs, its log lines.
class YardimciDuzeni : public ::testing::Test {
protected:
    YardimciDuzeni() {
        gunlukAlicisiKur([this](std::string const& s) { (void)std::lock_guard<std::mutex>{kilit_}, satirlar_.push_back(s); });
    }
    ~YardimciDuzeni() override {
        if (is_.joinable())
            q_.stop(), is_.join();
        yardimci_.reset();
        gunlukAlicisiKur(nullptr);
    }
    // Runs `f` on the helper's queue and waits for it.
    template <class F> auto qda(F f) {
        std::packaged_task<decltype(f())()> is(std::move(f));
        auto sonuc = is.get_future();
        asio::post(q_, [&is] { is(); });
        return sonuc.get();
    }
    // Starts the helper (on an ephemeral port unless told) and waits for its first port check.
    void baslat(uint16_t kapi = 0) {
        Ayarlar a;
        a.YARDIMCI_KAPI = kapi;
        yardimci_ = std::make_shared<Yardimci>(
            q_, midi, a, [this](std::string const&) { return std::make_unique<TestDeposu>(depo); },
            [](int) {});
        yardimci_->sessizlikSuresiAyarla(300ms);
        yardimci_->yazmaSiniriAyarla(128 * 1024);
        yardimci_->bekleyenSiniriAyarla(bekleyenSiniri);
        ASSERT_TRUE(yardimci_->baslat());
        is_ = std::thread([this] { q_.run(); });
        qda([] {});
    }
    // A notification from the system, handled.
    void bildir(int kimlik) { midi.bildirimGonder(kimlik), qda([] {}); }
    uint16_t kapi() {
        return qda([this] { return yardimci_->dinlenenKapi(); });
    }
    // An app connected whose hello has been answered (the answer's body in `merhaba`).
    std::unique_ptr<Uygulama> uygulamaBagla() {
        auto u = std::make_unique<Uygulama>(kapi());
        u->gonder(MERHABA);
        auto c = u->cerceve();
        EXPECT_TRUE(c);
        merhaba = c ? std::string(c->begin() + 3, c->end()) : "";
        return u;
    }
    // The log lines that hold `parca`, in order.
    Satirlar satirlar(std::string const& parca = "") const {
        std::lock_guard<std::mutex> k(kilit_);
        Satirlar v;
        std::copy_if(satirlar_.begin(), satirlar_.end(), std::back_inserter(v),
                     [&](std::string const& s) { return s.find(parca) != std::string::npos; });
        return v;
    }
    int say(std::string const& parca) const { return int(satirlar(parca).size()); }

    BellekMidi midi;
    size_t bekleyenSiniri = 65536;
    std::map<std::string, int64_t> depo; // what the ID store holds
    std::string merhaba;
    std::shared_ptr<Yardimci> yardimci_;
    asio::io_context q_;

private:
    std::thread is_;
    mutable std::mutex kilit_;
    Satirlar satirlar_;
};

// ---- Ports -----------------------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, ports_open_only_when_created_whole_and_no_other_process_has_the_name) {
    midi.kaynakHatasi = -50;
    baslat();
    EXPECT_EQ(midi.kayit(), Satirlar{"at hedef"}); // no half-open port
    // The failed attempt's own notifications try nothing; the 1 s check does, as a foreign port appears
    // while the source is created.
    midi.kaynakHatasi = 0;
    std::atomic<MidiRef> yabanci = 0;
    midi.kaynakOlusunca = [&] { yabanci = midi.yabanciEkle(true, "OKA", std::nullopt); };
    bildir(BILDIRIM_KURULUM_DEGISTI);
    EXPECT_EQ(midi.kayit(), Satirlar{"at hedef"});
    ASSERT_TRUE(bekleKadar([&] { return yabanci != 0; }));
    bildir(BILDIRIM_KURULUM_DEGISTI); // it is still there
    EXPECT_EQ(kapi(), 0);
    midi.yabanciKaldir(yabanci);
    EXPECT_TRUE(qda([this] { return midi.acik(); }));
    EXPECT_EQ(midi.kayit(), (Satirlar{"at hedef", "at kaynak", "at hedef", SORGU_PAKETI})); // one query, at the end
    auto const s = satirlar();
    EXPECT_EQ(Satirlar(s.begin() + 1, s.end()),
              (Satirlar{"port açılamadı (hedef 0, kaynak -50)",
                        "\"OKA\" portları AÇILDI (yoklama) — kimlik hedef 5002 (yeni) kaynak 5003 (yeni)",
                        "açılış yarışı: başka \"OKA\" portu var — yardımcı geri çekiliyor",
                        "başka bir süreçte \"OKA\" portu var (CoreMIDI bildirimi) — o kapanınca açılacak",
                        "\"OKA\" portları AÇILDI (CoreMIDI bildirimi) — kimlik hedef 5002 (geri yüklendi) kaynak "
                        "5003 (geri yüklendi)",
                        "→ F0 00 00 66 14 01 4F 4B 41 30 30 30 31 01 02 03 04 F7"}));
}

TEST_F(YardimciDuzeni, a_foreign_port_while_open_closes_everything_until_it_goes) {
    struct {
        bool kaynakMi;
        std::optional<std::string> ad, gorunenAd;
        bool sayilir;
    } const uclar[] = {{true, "OKA", std::nullopt, true}, {false, "OKA", std::nullopt, true},
                       {true, "Başka", "OKA", true},      {false, std::nullopt, "OKA", true},
                       {true, "oka", "OKA 2", false},     {false, std::nullopt, std::nullopt, false}};
    baslat();
    auto u = uygulamaBagla();
    u->gonder(kanal(0x90, 0x5E, 0x7F));
    midi.teslimEt({{0x2090087F}});
    ASSERT_TRUE(bekleKadar([&] { return midi.kayit().size() == 2; }));
    for (auto const& d : uclar) {
        midi.kayitTemizle();
        auto uc = midi.yabanciEkle(d.kaynakMi, d.ad, d.gorunenAd);
        EXPECT_EQ(qda([this] { return yardimci_->dinlenenKapi() == 0; }), d.sayilir);
        midi.yabanciKaldir(uc);
        EXPECT_TRUE(qda([this] { return midi.acik(); }));
        // The held note goes before the ports; they open again with the query.
        Satirlar beklenen{"at kaynak", "at hedef", SORGU_PAKETI};
        if (&d == uclar)
            beklenen.insert(beklenen.begin(), "gonder 90 5E 00");
        EXPECT_EQ(midi.kayit(), d.sayilir ? beklenen : Satirlar{});
    }
    EXPECT_EQ(say("belirdi (CoreMIDI bildirimi) — ÇİFT PORT olmasın diye yardımcının portları KAPATILIYOR"), 4);
    EXPECT_EQ(satirlar("BIRAKILDI"), Satirlar{"basılı kalan notalar BIRAKILDI (port kapanıyor): 5E"});
    EXPECT_TRUE(u->kapandi());
    EXPECT_EQ(say("koptu"), 0);
    uygulamaBagla(); // the caches went with the old ports
    EXPECT_TRUE(bekleKadar([this] { return say("merhaba → anlık görüntü 0 mesaj") == 2; }));
}

TEST_F(YardimciDuzeni, a_stored_id_comes_back_unless_another_endpoint_has_it_and_the_hello_carries_them) {
    midi.yabanciEkle(true, "Başka", std::nullopt); // ID 5001
    depo = {{"hedef.uniqueID", 4294967295}, {"kaynak.uniqueID", 5001}};
    baslat();
    EXPECT_EQ(say("\"OKA\" portları AÇILDI (açılış) — kimlik hedef -1 (geri yüklendi) kaynak 5003 (yeni)"), 1);
    EXPECT_EQ(depo["kaynak.uniqueID"], 5003);
    auto u = uygulamaBagla();
    EXPECT_NE(merhaba.find("\"hedefKimlik\":-1,\"kaynakKimlik\":5003,"), std::string::npos) << merhaba;
    u->gonder({0x00, 0x05, 0x02, 'a', '\n', 0x07, 'b'}); // a hello cannot write a line of its own
    ASSERT_TRUE(u->cerceve());
    EXPECT_EQ(satirlar("merhaba ← a"), Satirlar{"merhaba ← a\\n\\x07b"});
}

TEST_F(YardimciDuzeni, a_taken_tcp_port_leaves_the_ports_open_without_a_listener) {
    asio::io_context yan;
    asio::ip::tcp::acceptor tutan(yan, {asio::ip::address_v4::loopback(), 0});
    baslat(tutan.local_endpoint().port());
    EXPECT_TRUE(midi.acik());
    EXPECT_EQ(kapi(), 0);
    EXPECT_EQ(say("dinleyici kurulamadı: Address already in use"), 1);
}

// ---- App link --------------------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, frames_are_cut_from_any_reads_and_only_the_white_list_reaches_the_workstation) {
    struct {
        Baytlar m;
        char const* red; // the refusal's reason, none when it goes
    } const durumlar[] = {
        {{0xB0, 0x10, 0x01}, nullptr}, {{0xB0, 0x17, 0x41}, nullptr}, {{0x90, 0x5E, 0x7F}, nullptr},
        {{0x90, 0x08, 0x00}, nullptr}, {{0x90, 0x5F, 0x7F}, "beyaz listede yok — RECORD ASLA"},
        {{0xB0, 0x5F, 0x01}, "beyaz listede yok — RECORD ASLA"}, {{0x90, 0x5E, 0x40}, "beyaz listede yok"},
        {{0x80, 0x5E, 0x00}, "beyaz listede yok"}, {{0x91, 0x5E, 0x7F}, "beyaz listede yok"},
        {{0xB0, 0x10, 0x40}, "beyaz listede yok"}, {{0xB0, 0x10, 0x00}, "beyaz listede yok"},
        {{0xB0, 0x10, 0xC0}, "beyaz listede yok"}, {{0xB0, 0x18, 0x01}, "beyaz listede yok"},
        {{0x90, 0x5E}, "biçim"}, {Baytlar(70, 0xF0), "biçim"}};
    baslat();
    Uygulama u(kapi());
    Baytlar akis{0x00, 0x02, 0x07, 0x55}; // a frame of unknown type is skipped
    Satirlar gecen, redler;
    for (auto const& d : durumlar) {
        akis.insert(akis.end(), {0x00, uint8_t(d.m.size() + 1), 0x01});
        akis.insert(akis.end(), d.m.begin(), d.m.end());
        if (d.red)
            redler.push_back(std::string("uygulamadan REDDEDİLDİ (") + d.red + "): " + hexSinirli(d.m));
        else
            gecen.push_back("gonder " + hex(d.m));
    }
    akis.insert(akis.end(), MERHABA.begin(), MERHABA.end());
    midi.kayitTemizle();
    for (size_t i = 0; i < 8; ++i) { // the first frames a byte at a time, the rest in one write
        u.gonder({akis[i]});
        std::this_thread::sleep_for(5ms);
    }
    u.gonder(Baytlar(akis.begin() + 8, akis.end()));
    ASSERT_TRUE(u.cerceve());
    EXPECT_EQ(midi.kayit(), gecen);
    EXPECT_EQ(satirlar("REDDEDİLDİ"), redler);
}

TEST_F(YardimciDuzeni, newcomers_replace_the_app_only_by_speaking_and_every_end_releases_its_held_notes) {
    baslat();
    auto a = uygulamaBagla();
    midi.kayitTemizle();
    a->gonder(kanal(0x90, 0x5E, 0x7F));
    Uygulama(kapi()).gonder({'P', 'O', 'S'}); // a request line cut short by a close: gone at once, not logged
    for (Baytlar const& ilk : {Baytlar{'G', 'E', 'T', ' '}, {}}) { // a browser, then one that never speaks
        Uygulama yabanci(kapi());
        if (!ilk.empty())
            yabanci.gonder(ilk);
        EXPECT_TRUE(yabanci.kapandi());
    }
    auto b = uygulamaBagla();
    EXPECT_TRUE(a->kapandi());
    b->gonder(kanal(0x90, 0x5D, 0x7F));
    b->gonder({0x00, 0x00}); // a zero length ends the link
    EXPECT_TRUE(b->kapandi());
    auto c = uygulamaBagla();
    c->gonder(kanal(0x90, 0x5B, 0x7F));
    c->gonder(kanal(0x90, 0x5D, 0x7F));
    c.reset();
    ASSERT_TRUE(bekleKadar([this] { return say("BIRAKILDI (uygulama koptu): 5B 5D") == 1; }));
    auto const s = satirlar();
    EXPECT_EQ(Satirlar(s.begin() + 6, s.end()),
              (Satirlar{"HTTP isteği geri çevrildi — uygulama bağlantısı sürüyor",
                        "yeni bağlantı bir şey göndermedi — kapatıldı, uygulama bağlantısı sürüyor",
                        "yeni uygulama bağlantısı — eskisi kapatılıyor",
                        "basılı kalan notalar BIRAKILDI (eski bağlantı): 5E", "uygulama bağlandı", "merhaba ← ",
                        "merhaba → anlık görüntü 0 mesaj", "uygulama bağlantısı koptu — port AÇIK kalıyor",
                        "basılı kalan notalar BIRAKILDI (uygulama koptu): 5D", "uygulama bağlandı", "merhaba ← ",
                        "merhaba → anlık görüntü 0 mesaj", "uygulama bağlantısı koptu — port AÇIK kalıyor",
                        "basılı kalan notalar BIRAKILDI (uygulama koptu): 5B 5D"}));
    EXPECT_EQ(midi.kayit(), (Satirlar{"gonder 90 5E 7F", "gonder 90 5E 00", "gonder 90 5D 7F", "gonder 90 5D 00",
                                      "gonder 90 5B 7F", "gonder 90 5D 7F", "gonder 90 5B 00", "gonder 90 5D 00"}));
    // Silent newcomers fill the waiting list: the next one still gets in, and the oldest gives way.
    auto d = uygulamaBagla();
    std::vector<std::unique_ptr<Uygulama>> sessizler;
    for (int i = 0; i < 8; ++i)
        sessizler.push_back(std::make_unique<Uygulama>(kapi()));
    uygulamaBagla();
    EXPECT_TRUE(sessizler[0]->kapandi());
    EXPECT_EQ(say("bekleyen yeni bağlantı çok — en eskisi kapatıldı, uygulama bağlantısı sürüyor"), 1);
}

TEST_F(YardimciDuzeni, an_app_that_stops_reading_is_dropped_instead_of_growing_the_queue) {
    baslat();
    Uygulama u(kapi(), 4096);
    Baytlar sysex(60000, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    // Four per event list: the third goes past the bound, the fourth finds the link already dropped.
    auto const bir = sysexPaketleri(sysex);
    auto dordu = bir;
    for (int i = 0; i < 3; ++i)
        dordu.insert(dordu.end(), bir.begin(), bir.end());
    for (int i = 0; i < 100 && say("uygulama okumuyor") == 0; ++i)
        midi.teslimEt(dordu), qda([] {});
    EXPECT_EQ(say("bayt bekliyor) — bağlantı kapatılıyor"), 1);
    EXPECT_TRUE(bekleKadar([this] { return say("uygulama bağlantısı koptu — port AÇIK kalıyor") == 1; }));
    EXPECT_TRUE(u.kapandi());
}

// ---- From the workstation ----------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, workstation_messages_reach_the_app_the_handshake_is_answered_and_the_snapshot_replays) {
    baslat();
    auto u = uygulamaBagla();
    midi.kayitTemizle();
    midi.teslimEt({{0x20905E7F, 0x20800840}, {0x20E27F3F, 0x20B24A10, 0x20B01005}});
    midi.teslimEt({{0x20B34B22}});
    for (Baytlar const& s : {Baytlar{0xF0, 0x00, 0x00, 0x66, 0x14, 0x12, 0x38, 'A', 'B', 0xF7},
                             {0xF0, 0x00, 0x00, 0x66, 0x15, 0x12, 110, 'W', 'X', 'Y', 'Z', 0xF7},
                             {0xF0, 0x01, 0x02, 0x66, 0x14, 0x12, 0x00, 'Q', 0xF7}, // another maker's
                             {0xF0, 0x7D, 'O', 'K', 'A', 0x02, 0x00, 0x01, 0xF7},
                             {0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x01, 0xF7},
                             {0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x02, 0xF7},
                             {0xF0, 0x00, 0x00, 0x66, 0x14, 0x00, 0xF7}, // the handshake, to another product too
                             {0xF0, 0x00, 0x00, 0x66, 0x15, 0x00, 0xF7},
                             {0xF0, 0x00, 0x00, 0x66, 0x14, 0x02, 1, 2, 3, 0xF7},
                             {0xF0, 0x00, 0x00, 0x66, 0x14, 0x13, 0x00, 0xF7}})
        midi.teslimEt(sysexPaketleri(s));
    for (auto const& b : {kanal(0x90, 0x5E, 0x7F), kanal(0x80, 0x08, 0x40), kanal(0xE2, 0x7F, 0x3F),
                          kanal(0xB2, 0x4A, 0x10), kanal(0xB0, 0x10, 0x05), kanal(0xB3, 0x4B, 0x22)})
        EXPECT_EQ(u->cerceve(), b);
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(u->cerceve());
    EXPECT_EQ(midi.kayit(), (Satirlar{SORGU_PAKETI, "gonder F0 00 00 66 14 03 4F 4B 41 30 30 30 31 F7",
                                      "gonder F0 00 00 66 14 14 56 31 2E 30 30 F7"}));
    EXPECT_EQ(say("el sıkışma ← F0 00 00 66 15 00 F7 — yanıtlanmadı (ürün ≠ 14)"), 1);

    u->gonder(MERHABA);
    ASSERT_TRUE(u->cerceve());
    Baytlar lcd = {0x00, 0x79, 0x01, 0xF0, 0x00, 0x00, 0x66, 0x15, 0x12, 0x00};
    lcd.resize(lcd.size() + 112, 0x20);
    lcd.push_back(0xF7);
    for (auto [i, c] : {std::pair{56, 'A'}, {57, 'B'}, {110, 'W'}, {111, 'X'}})
        lcd[10 + i] = c;
    for (auto const& b : {lcd,
                          {0x00, 0x0A, 0x01, 0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x02, 0xF7},
                          {0x00, 0x0A, 0x01, 0xF0, 0x7D, 'O', 'K', 'A', 0x02, 0x00, 0x01, 0xF7},
                          kanal(0x90, 0x08, 0x00), kanal(0x90, 0x5E, 0x7F), kanal(0xE2, 0x7F, 0x3F),
                          kanal(0xB0, 0x4A, 0x10), kanal(0xB0, 0x4B, 0x22)})
        EXPECT_EQ(u->cerceve(), b);
    EXPECT_TRUE(bekleKadar([this] { return say("merhaba → anlık görüntü 8 mesaj") == 1; }));
}

TEST_F(YardimciDuzeni, sysex_pieces_join_across_event_lists_and_what_a_frame_cannot_hold_is_dropped) {
    baslat();
    auto u = uygulamaBagla();
    midi.teslimEt({{0x30160102, 0x03040506}});
    midi.teslimEt({{0x30320708, 0x00000000}});
    // A SysEx past the buffer's bound, then the longest body a frame holds and one byte more.
    for (size_t boy : {SysexTamponu::SINIR + 3, EN_BUYUK_GOVDE, EN_BUYUK_GOVDE + 1}) {
        Baytlar uzun(boy, 0x22);
        uzun.front() = 0xF0;
        midi.teslimEt(sysexPaketleri(uzun));
    }
    midi.teslimEt({{0x30010900, 0}});
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x0B, 0x01, 0xF0, 1, 2, 3, 4, 5, 6, 7, 8, 0xF7}));
    EXPECT_EQ(u->cerceve().value_or(Baytlar{}).size(), 2 + 0xFFFFu);
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x04, 0x01, 0xF0, 9, 0xF7}));
    EXPECT_EQ(say("iş istasyonundan SysEx 64 KiB sınırını aştı — atıldı"), 1);
    EXPECT_EQ(say("mesaj çerçeveye sığmıyor (65535 bayt) — uygulamaya gönderilmedi"), 1);
}

TEST_F(YardimciDuzeni, a_busy_queue_takes_a_bounded_number_of_messages_and_never_a_sysex_that_lost_a_piece) {
    bekleyenSiniri = 8;
    baslat();
    auto u = uygulamaBagla();
    std::promise<void> tut; // keeps the queue busy, as a stalled log write would
    asio::post(q_, [f = tut.get_future().share()] { f.wait(); });
    midi.teslimEt({{0x30160102, 0x03040506}}); // a SysEx starts
    OlayListesi notalar(10);
    for (uint32_t i = 0; i < notalar.size(); ++i)
        notalar[i] = {0x20900000 | i << 8 | 0x7F};
    midi.teslimEt(notalar);
    midi.teslimEt({{0x30260708, 0}}); // no room: this piece goes, and with it the rest of the SysEx
    tut.set_value();
    qda([] {});
    midi.teslimEt({{0x30310900, 0}});
    midi.teslimEt({{0x30010A00, 0}});
    for (uint8_t i = 0; i < 7; ++i)
        EXPECT_EQ(u->cerceve(), kanal(0x90, i, 0x7F));
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x04, 0x01, 0xF0, 0x0A, 0xF7}));
    EXPECT_EQ(satirlar("yardımcı geride kaldı"),
              (Satirlar{"iş istasyonundan 4 mesaj atıldı — yardımcı geride kaldı",
                        "iş istasyonundan 1 mesaj atıldı — yardımcı geride kaldı"}));
}
