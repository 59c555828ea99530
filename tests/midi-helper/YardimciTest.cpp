// The helper's behaviour through its queue, the in-memory MIDI system and
// real sockets: arbitration, IDs, the app link, both MIDI directions.

#include "BellekMidi.h"
#include "cekirdek/Gunluk.h"
#include "cekirdek/Yardimci.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <future>
#include <poll.h>
#include <unistd.h>

using namespace oka::yardimci;
using namespace std::chrono_literals;

namespace {
bool bekle(std::function<bool()> const& kosul, std::chrono::milliseconds sure = 2s) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (!kosul())
        if (std::chrono::steady_clock::now() > son)
            return false;
        else
            std::this_thread::sleep_for(2ms);
    return true;
}

// The app's end of the link: blocking socket, frames read with a deadline.
class Uygulama {
public:
    // A small `alimTamponu` keeps the kernel from buffering much for an app that does not read.
    explicit Uygulama(uint16_t kapi, int alimTamponu = 0) : fd_(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        if (alimTamponu)
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &alimTamponu, sizeof alimTamponu);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(kapi);
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (kapi == 0 || connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0)
            close(fd_), fd_ = -1;
    }
    ~Uygulama() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool bagli() const { return fd_ >= 0; }
    void gonder(Baytlar const& b) { ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size())); }
    // The next whole frame (length, type, body) or nothing within 2 s.
    std::optional<Baytlar> cerceve() {
        auto const son = std::chrono::steady_clock::now() + 2s;
        if (!oku(2, son) || !oku(size_t(tampon_[0]) * 256 + tampon_[1] + 2, son))
            return std::nullopt;
        auto const sonu = tampon_.begin() + tampon_[0] * 256 + tampon_[1] + 2;
        Baytlar c(tampon_.begin(), sonu);
        tampon_.erase(tampon_.begin(), sonu);
        return c;
    }
    // True when the helper closed the connection within `sure`; unread frames are discarded.
    bool kapandi(std::chrono::milliseconds sure = 2s) {
        auto const son = std::chrono::steady_clock::now() + sure;
        while (oku(1, son))
            tampon_.clear();
        return kapali_;
    }

private:
    // Fills the buffer to `n` bytes: false at `son` or when the helper closed the connection (`kapali_`).
    bool oku(size_t n, std::chrono::steady_clock::time_point son) {
        while (tampon_.size() < n) {
            auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now());
            pollfd p{fd_, POLLIN, 0};
            if (kalan.count() <= 0 || poll(&p, 1, int(kalan.count())) <= 0)
                return false;
            uint8_t b[65536];
            ssize_t const r = recv(fd_, b, sizeof b, 0);
            if (r <= 0)
                return kapali_ = true, false;
            tampon_.insert(tampon_.end(), b, b + r);
        }
        return true;
    }
    int fd_;
    bool kapali_ = false;
    Baytlar tampon_;
};

class TestDeposu : public KimlikDeposu {
public:
    explicit TestDeposu(std::map<std::string, std::string>& d) : d_(d) {}
    std::optional<int64_t> tamsayi(std::string const& anahtar) override {
        auto it = d_.find(anahtar);
        if (it == d_.end() || it->second.find_first_not_of("-0123456789") != std::string::npos)
            return std::nullopt;
        return std::stoll(it->second);
    }
    void tamsayiYaz(std::string const& anahtar, int64_t deger) override { d_[anahtar] = std::to_string(deger); }

private:
    std::map<std::string, std::string>& d_;
};

Baytlar kanal(uint8_t a, uint8_t b, uint8_t c) { return {0x00, 0x04, 0x01, a, b, c}; }
std::string const SORGU_PAKETI = "gonder F0 00 00 66 14 01 4F 4B 41 30 30 30 31 01 02 03 04 F7";
} // namespace

// A running helper: its queue on a thread of its own, the in-memory MIDI system, a store of IDs, its log lines.
class YardimciDuzeni : public ::testing::Test {
protected:
    YardimciDuzeni() {
        gunlukAlicisiKur([this](std::string const& satir) { std::lock_guard<std::mutex>{kilit_}, satirlar_.push_back(satir); });
    }
    ~YardimciDuzeni() override {
        if (is_.joinable())
            q_.stop(), is_.join();
        yardimci_.reset();
        gunlukAlicisiKur(nullptr);
    }
    // Starts the helper (on an ephemeral port unless told); false when the MIDI client could not be created.
    bool baslat(uint16_t kapi = 0) {
        Ayarlar a;
        a.YARDIMCI_KAPI = kapi;
        yardimci_ = std::make_shared<Yardimci>(
            q_, midi, a, [this](std::string const&) { return std::make_unique<TestDeposu>(depo); },
            [this](int durum) { cikisDurumu = durum; });
        yardimci_->sessizlikSuresiAyarla(300ms);
        yardimci_->yazmaSiniriAyarla(128 * 1024);
        if (!yardimci_->baslat())
            return false;
        is_ = std::thread([this] { q_.run(); });
        bosalt(); // the first port check has run
        return true;
    }
    // Runs `f` on the helper's queue and waits for it.
    template <class F> auto qda(F f) {
        std::packaged_task<decltype(f())()> is(std::move(f));
        auto sonuc = is.get_future();
        asio::post(q_, [&is] { is(); });
        return sonuc.get();
    }
    void bosalt() {
        qda([] { return 0; });
    }
    uint16_t kapi() {
        return qda([this] { return yardimci_->dinlenenKapi(); });
    }
    // Ports open, an app connected whose hello has been answered (the answer in `merhaba`).
    std::unique_ptr<Uygulama> uygulamaBagla() {
        auto u = std::make_unique<Uygulama>(kapi());
        EXPECT_TRUE(u->bagli());
        u->gonder({0x00, 0x01, 0x02});
        auto c = u->cerceve();
        EXPECT_TRUE(c);
        merhaba = c ? std::string(c->begin() + 3, c->end()) : "";
        return u;
    }
    std::vector<std::string> satirlar() const { return std::lock_guard<std::mutex>{kilit_}, satirlar_; }
    bool satirBekle(std::string const& parca) const {
        return bekle([&] { return say(parca) > 0; });
    }
    int say(std::string const& parca) const {
        int n = 0;
        for (auto const& s : satirlar())
            n += s.find(parca) != std::string::npos;
        return n;
    }

    BellekMidi midi;
    std::map<std::string, std::string> depo; // what the ID store holds, as text
    std::optional<int> cikisDurumu;          // the exit the helper asked for
    std::string merhaba;
    std::shared_ptr<Yardimci> yardimci_;

private:
    asio::io_context q_;
    std::thread is_;
    mutable std::mutex kilit_;
    std::vector<std::string> satirlar_;
};

using Baslangic = YardimciDuzeni;

TEST_F(Baslangic, a_client_that_cannot_be_created_is_logged_and_reported) {
    midi.istemciHatasi = 17;
    EXPECT_FALSE(baslat());
    EXPECT_EQ(satirlar().back(), "MIDIClientCreate hata 17 — çıkılıyor (launchd yeniden başlatır)");
    EXPECT_EQ(satirlar().front(),
              "başladı — sürüm 1.0, port \"OKA\", kapı 127.0.0.1:0, pid " + std::to_string(getpid()));
}

// ---- Arbitration ----------------------------------------------------------------------------------------

struct YabanciUc {
    bool kaynakMi;
    std::optional<std::string> ad, gorunenAd;
    bool sayilir;
};

class YabanciUcTablosu : public YardimciDuzeni, public ::testing::WithParamInterface<YabanciUc> {};

TEST_P(YabanciUcTablosu, a_foreign_endpoint_at_start_keeps_the_ports_closed_until_it_goes) {
    auto const& d = GetParam();
    auto uc = midi.yabanciEkle(d.kaynakMi, d.ad, d.gorunenAd, false);
    ASSERT_TRUE(baslat());
    EXPECT_EQ(midi.acik(), !d.sayilir);
    if (!d.sayilir)
        return;
    EXPECT_EQ(kapi(), 0);
    midi.bildirimGonder(BILDIRIM_KURULUM_DEGISTI);
    bosalt();
    EXPECT_EQ(say("başka bir süreçte \"OKA\" portu var (açılış) — o kapanınca açılacak"), 1);
    EXPECT_EQ(say("portu var"), 1); // written once while it stays
    midi.yabanciKaldir(uc);
    bosalt();
    EXPECT_TRUE(midi.acik());
    EXPECT_EQ(say("\"OKA\" portları AÇILDI (CoreMIDI bildirimi)"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Uclar, YabanciUcTablosu,
    ::testing::Values(YabanciUc{true, "OKA", std::nullopt, true}, YabanciUc{false, "OKA", std::nullopt, true},
                      YabanciUc{true, "Başka", "OKA", true}, YabanciUc{false, std::nullopt, "OKA", true},
                      YabanciUc{true, "oka", "OKA 2", false}, YabanciUc{false, std::nullopt, std::nullopt, false}));

TEST_F(YardimciDuzeni, a_foreign_port_while_open_closes_everything_and_releases_held_notes) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    u->gonder(kanal(0x90, 0x5E, 0x7F));
    midi.teslimEt({{0x20900800 | 0x7F}});
    bosalt();
    uint16_t const eskiKapi = kapi();
    midi.kayitTemizle();

    auto uc = midi.yabanciEkle(true, "OKA", std::nullopt);
    bosalt();
    EXPECT_EQ(say("başka bir süreçte \"OKA\" portu belirdi (CoreMIDI bildirimi) — ÇİFT PORT olmasın diye "
                  "yardımcının portları KAPATILIYOR"),
              1);
    EXPECT_EQ(midi.kayit(), (std::vector<std::string>{"gonder 90 5E 00", "at kaynak", "at hedef"}));
    EXPECT_EQ(say("basılı kalan notalar BIRAKILDI (port kapanıyor): 5E"), 1);
    EXPECT_TRUE(u->kapandi());
    EXPECT_EQ(kapi(), 0);
    EXPECT_FALSE(Uygulama(eskiKapi).bagli());
    EXPECT_EQ(say("koptu"), 0);

    // Reopened without the caches of the old ports.
    midi.yabanciKaldir(uc);
    bosalt();
    ASSERT_TRUE(midi.acik());
    uygulamaBagla();
    EXPECT_TRUE(satirBekle("merhaba → anlık görüntü 0 mesaj"));
}

TEST_F(YardimciDuzeni, a_port_appearing_while_opening_makes_the_helper_withdraw_without_handshake) {
    midi.kaynakOlusunca([this] { midi.yabanciEkle(false, std::nullopt, "OKA", false); });
    ASSERT_TRUE(baslat());
    EXPECT_EQ(say("açılış yarışı: başka \"OKA\" portu var — yardımcı geri çekiliyor"), 1);
    EXPECT_EQ(midi.kayit(), (std::vector<std::string>{"at kaynak", "at hedef"}));
    EXPECT_FALSE(midi.acik());
    EXPECT_EQ(kapi(), 0);
}

TEST_F(YardimciDuzeni, a_failed_creation_leaves_no_half_open_port_and_is_retried) {
    midi.hataAyarla(0, -50);
    ASSERT_TRUE(baslat());
    EXPECT_EQ(say("port açılamadı (hedef 0, kaynak -50)"), 1);
    EXPECT_EQ(midi.kayit(), std::vector<std::string>{"at hedef"});
    midi.hataAyarla(0, 0);
    midi.bildirimGonder(BILDIRIM_KURULUM_DEGISTI);
    bosalt();
    EXPECT_TRUE(midi.acik());
}

struct KimlikDurumu {
    std::map<std::string, std::string> kayitli;
    bool reddet;
    char const* satirSonu;
    bool depoAyni;
    char const* hedefKimlik;
    char const* kaynakKimlik;
};

class KimlikTablosu : public YardimciDuzeni, public ::testing::WithParamInterface<KimlikDurumu> {};

TEST_P(KimlikTablosu, stored_ids_are_restored_or_replaced_by_the_new_ones) {
    auto const& d = GetParam();
    depo = d.kayitli;
    midi.kimlikleriReddet(d.reddet);
    ASSERT_TRUE(baslat());
    EXPECT_EQ(satirlar()[1], std::string("\"OKA\" portları AÇILDI (açılış) — kimlik ") + d.satirSonu);
    EXPECT_EQ(midi.kayit(), std::vector<std::string>{SORGU_PAKETI}); // the query goes out as the ports open
    if (d.depoAyni) {
        EXPECT_EQ(depo, d.kayitli);
    } else {
        EXPECT_EQ(depo.size(), 2u);
        EXPECT_NE(depo, d.kayitli);
    }
    // The hello carries the IDs the ports have now.
    uygulamaBagla();
    EXPECT_NE(merhaba.find("\"hedefKimlik\":" + std::string(d.hedefKimlik) + ",\"kaynakKimlik\":" + d.kaynakKimlik + ","),
              std::string::npos)
        << merhaba;
}

INSTANTIATE_TEST_SUITE_P(
    Kimlikler, KimlikTablosu,
    ::testing::Values(
        KimlikDurumu{{}, false, "hedef 5001 (yeni) kaynak 5002 (yeni)", false, "5001", "5002"},
        KimlikDurumu{{{"hedef.uniqueID", "-1203345"}, {"kaynak.uniqueID", "884512"}},
                     false,
                     "hedef -1203345 (geri yüklendi) kaynak 884512 (geri yüklendi)",
                     true,
                     "-1203345",
                     "884512"},
        KimlikDurumu{{{"hedef.uniqueID", "-1203345"}, {"kaynak.uniqueID", "884512"}},
                     true,
                     "hedef 5001 (yeni) kaynak 5002 (yeni)",
                     false,
                     "5001",
                     "5002"},
        KimlikDurumu{{{"hedef.uniqueID", "abc"}, {"kaynak.uniqueID", "4294967295"}},
                     false,
                     "hedef 5001 (yeni) kaynak -1 (geri yüklendi)",
                     false,
                     "5001",
                     "-1"}));

TEST_F(YardimciDuzeni, a_taken_tcp_port_leaves_the_ports_open_without_a_listener) {
    asio::io_context yan;
    asio::ip::tcp::acceptor tutan(yan, {asio::ip::address_v4::loopback(), 0});
    ASSERT_TRUE(baslat(tutan.local_endpoint().port()));
    EXPECT_TRUE(midi.acik());
    EXPECT_EQ(kapi(), 0);
    EXPECT_EQ(say("dinleyici kurulamadı: Address already in use"), 1);
}

// ---- App link --------------------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, frames_are_cut_across_reads_and_within_one_read) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    midi.kayitTemizle();
    u->gonder({0x00});
    bosalt();
    u->gonder({0x04, 0x01, 0x90});
    std::this_thread::sleep_for(20ms);
    bosalt();
    EXPECT_TRUE(midi.kayit().empty());
    u->gonder({0x5E, 0x7F});
    // Two frames in one read, an unknown type between them is skipped.
    u->gonder({0x00, 0x04, 0x01, 0xB0, 0x10, 0x01, 0x00, 0x02, 0x07, 0x55, 0x00, 0x04, 0x01, 0x90, 0x5E, 0x00});
    ASSERT_TRUE(bekle([&] { return midi.kayit().size() == 3; }));
    EXPECT_EQ(midi.kayit(),
              (std::vector<std::string>{"gonder 90 5E 7F", "gonder B0 10 01", "gonder 90 5E 00"}));
}

class KopmaTablosu : public YardimciDuzeni, public ::testing::WithParamInterface<bool> {};

TEST_P(KopmaTablosu, a_zero_length_frame_or_a_closed_app_is_a_disconnect_that_releases_notes) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    u->gonder(kanal(0x90, 0x5E, 0x7F));
    u->gonder(kanal(0x90, 0x5D, 0x7F));
    if (GetParam())
        u->gonder({0x00, 0x00});
    else
        u.reset();
    ASSERT_TRUE(satirBekle("basılı kalan notalar BIRAKILDI (uygulama koptu): 5D 5E"));
    EXPECT_EQ(say("uygulama bağlantısı koptu — port AÇIK kalıyor"), 1);
    EXPECT_TRUE(midi.acik());
    auto const k = midi.kayit();
    EXPECT_EQ(std::vector<std::string>(k.end() - 2, k.end()),
              (std::vector<std::string>{"gonder 90 5D 00", "gonder 90 5E 00"}));
    if (u) {
        EXPECT_TRUE(u->kapandi());
    }
    uygulamaBagla(); // the next app is a first one, not a replacement
    EXPECT_EQ(say("eskisi"), 0);
}

INSTANTIATE_TEST_SUITE_P(Kopma, KopmaTablosu, ::testing::Bool());

TEST_F(YardimciDuzeni, an_app_that_speaks_replaces_the_current_one_and_its_held_notes_are_released) {
    ASSERT_TRUE(baslat());
    auto eski = uygulamaBagla();
    eski->gonder(kanal(0x90, 0x5E, 0x7F));
    bosalt();
    auto yeni = std::make_unique<Uygulama>(kapi());
    std::this_thread::sleep_for(50ms);
    bosalt();
    EXPECT_EQ(say("eskisi kapatılıyor"), 0); // not before it says something
    yeni->gonder({0x00, 0x01, 0x02});
    ASSERT_TRUE(yeni->cerceve());
    EXPECT_EQ(say("yeni uygulama bağlantısı — eskisi kapatılıyor"), 1);
    EXPECT_EQ(say("basılı kalan notalar BIRAKILDI (eski bağlantı): 5E"), 1);
    EXPECT_TRUE(eski->kapandi());
    bosalt();
    EXPECT_EQ(say("koptu"), 0);
}

TEST_F(YardimciDuzeni, a_browser_or_a_silent_newcomer_is_closed_and_the_app_stays) {
    ASSERT_TRUE(baslat());
    auto app = uygulamaBagla();
    app->gonder(kanal(0x90, 0x5E, 0x7F));
    Uygulama(kapi()).gonder({'P', 'O', 'S'}); // a request line cut short by a close: gone at once, not counted below
    for (auto const& [ilk, satir] : {std::pair<Baytlar, char const*>{{'G', 'E', 'T', ' ', '/', ' '}, "HTTP isteği geri çevrildi — uygulama bağlantısı sürüyor"},
                                     {{}, "yeni bağlantı bir şey göndermedi — kapatıldı, uygulama bağlantısı sürüyor"}}) {
        Uygulama yabanci(kapi());
        if (!ilk.empty())
            yabanci.gonder(ilk);
        EXPECT_TRUE(yabanci.kapandi());
        EXPECT_EQ(say(satir), 1);
    }
    app->gonder({0x00, 0x01, 0x02});
    EXPECT_TRUE(app->cerceve());
    EXPECT_EQ(say("eskisi"), 0);
    EXPECT_EQ(say("BIRAKILDI"), 0);
}

TEST_F(YardimciDuzeni, an_app_that_stops_reading_is_dropped_instead_of_growing_the_queue) {
    ASSERT_TRUE(baslat());
    auto u = std::make_unique<Uygulama>(kapi(), 4096);
    Baytlar sysex(60000, 0x11);
    sysex.front() = 0xF0;
    sysex.back() = 0xF7;
    OlayListesi const liste = sysexPaketleri(sysex);
    for (int i = 0; i < 100 && say("uygulama okumuyor") == 0; ++i) {
        midi.teslimEt(liste);
        bosalt();
    }
    EXPECT_TRUE(satirBekle("bayt bekliyor) — bağlantı kapatılıyor"));
    EXPECT_TRUE(satirBekle("uygulama bağlantısı koptu — port AÇIK kalıyor"));
    EXPECT_TRUE(u->kapandi(5s));
}

// ---- From the workstation ----------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, workstation_messages_reach_the_app_and_the_snapshot_replays_the_caches_in_order) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    midi.teslimEt({{0x20905E7F, 0x20800840}, {0x20E27F3F, 0x20B24A10, 0x20B01005}});
    midi.teslimEt({{0x20B34B22}});
    midi.teslimEt(sysexPaketleri({0xF0, 0x00, 0x00, 0x66, 0x14, 0x12, 0x38, 'A', 'B', 0xF7}));
    midi.teslimEt(sysexPaketleri({0xF0, 0x00, 0x00, 0x66, 0x15, 0x12, 110, 'W', 'X', 'Y', 'Z', 0xF7}));
    midi.teslimEt(sysexPaketleri({0xF0, 0x7D, 'O', 'K', 'A', 0x02, 0x00, 0x01, 0xF7}));
    midi.teslimEt(sysexPaketleri({0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x01, 0xF7}));
    midi.teslimEt(sysexPaketleri({0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x02, 0xF7}));
    std::vector<Baytlar> const iletilen = {
        kanal(0x90, 0x5E, 0x7F), kanal(0x80, 0x08, 0x40), kanal(0xE2, 0x7F, 0x3F), kanal(0xB2, 0x4A, 0x10),
        kanal(0xB0, 0x10, 0x05), kanal(0xB3, 0x4B, 0x22)};
    for (auto const& b : iletilen)
        EXPECT_EQ(u->cerceve(), b);
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(u->cerceve());

    u->gonder({0x00, 0x01, 0x02});
    ASSERT_TRUE(u->cerceve());
    Baytlar lcd = {0x00, 0x79, 0x01, 0xF0, 0x00, 0x00, 0x66, 0x15, 0x12, 0x00};
    lcd.insert(lcd.end(), 112, 0x20);
    lcd.push_back(0xF7);
    lcd[10 + 56] = 'A';
    lcd[10 + 57] = 'B';
    lcd[10 + 110] = 'W';
    lcd[10 + 111] = 'X';
    std::vector<Baytlar> const goruntu = {
        lcd,
        {0x00, 0x0A, 0x01, 0xF0, 0x7D, 'O', 'K', 'A', 0x01, 0x7F, 0x02, 0xF7},
        {0x00, 0x0A, 0x01, 0xF0, 0x7D, 'O', 'K', 'A', 0x02, 0x00, 0x01, 0xF7},
        kanal(0x90, 0x08, 0x00), kanal(0x90, 0x5E, 0x7F), kanal(0xE2, 0x7F, 0x3F),
        kanal(0xB0, 0x4A, 0x10), kanal(0xB0, 0x4B, 0x22)};
    for (auto const& b : goruntu)
        EXPECT_EQ(u->cerceve(), b);
    EXPECT_TRUE(satirBekle("merhaba → anlık görüntü 8 mesaj"));
}

TEST_F(YardimciDuzeni, sysex_pieces_join_across_event_lists_and_a_runaway_sysex_is_dropped_once) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    auto parca = [](uint32_t durum, uint32_t sayi) { return UmpPaketi{0x30000000 | durum << 20 | sayi << 16 | 0x0102, 0x03040506}; };
    midi.teslimEt({parca(1, 6)});
    midi.teslimEt({parca(2, 6), parca(3, 2)});
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x11, 0x01, 0xF0, 1, 2, 3, 4, 5, 6, 1, 2, 3, 4, 5, 6, 1, 2, 0xF7}));

    UmpPaketi buyuk{parca(1, 6)[0], parca(1, 6)[1]};
    for (int i = 0; i < 11000; ++i) {
        UmpPaketi p = parca(2, 6);
        buyuk.insert(buyuk.end(), p.begin(), p.end());
    }
    midi.teslimEt({buyuk});
    midi.teslimEt({parca(2, 6), parca(3, 1)});
    midi.teslimEt({parca(0, 2)});
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x05, 0x01, 0xF0, 1, 2, 0xF7}));
    EXPECT_EQ(say("iş istasyonundan SysEx 64 KiB sınırını aştı — atıldı"), 1);

    // The longest body a frame holds goes; one byte more is logged, not sent, and the link goes on.
    for (size_t boy : {EN_BUYUK_GOVDE, EN_BUYUK_GOVDE + 1}) {
        Baytlar uzun(boy, 0x22);
        uzun.front() = 0xF0;
        uzun.back() = 0xF7;
        midi.teslimEt(sysexPaketleri(uzun));
    }
    midi.teslimEt({parca(0, 1)});
    auto const enUzun = u->cerceve();
    ASSERT_TRUE(enUzun);
    EXPECT_EQ(Baytlar(enUzun->begin(), enUzun->begin() + 4), (Baytlar{0xFF, 0xFF, 0x01, 0xF0}));
    EXPECT_EQ(u->cerceve(), (Baytlar{0x00, 0x04, 0x01, 0xF0, 1, 0xF7}));
    EXPECT_EQ(say("mesaj çerçeveye sığmıyor (65535 bayt) — uygulamaya gönderilmedi"), 1);
}

TEST_F(YardimciDuzeni, the_helper_answers_the_handshake_itself) {
    struct {
        Baytlar gelen;
        char const* satir;
        std::vector<std::string> yanit;
    } const durumlar[] = {
        {{0xF0, 0x00, 0x00, 0x66, 0x14, 0x00, 0xF7}, "el sıkışma ← F0 00 00 66 14 00 F7", {SORGU_PAKETI}},
        {{0xF0, 0x00, 0x00, 0x66, 0x15, 0x00, 0xF7}, "el sıkışma ← F0 00 00 66 15 00 F7 — yanıtlanmadı (ürün ≠ 14)", {}},
        {{0xF0, 0x00, 0x00, 0x66, 0x14, 0x02, 1, 2, 3, 0xF7},
         "→ F0 00 00 66 14 03 4F 4B 41 30 30 30 31 F7",
         {"gonder F0 00 00 66 14 03 4F 4B 41 30 30 30 31 F7"}},
        {{0xF0, 0x00, 0x00, 0x66, 0x14, 0x13, 0x00, 0xF7},
         "→ F0 00 00 66 14 14 56 31 2E 30 30 F7",
         {"gonder F0 00 00 66 14 14 56 31 2E 30 30 F7"}},
    };
    ASSERT_TRUE(baslat());
    for (auto const& d : durumlar) {
        midi.kayitTemizle();
        midi.teslimEt(sysexPaketleri(d.gelen));
        bosalt();
        EXPECT_EQ(say(d.satir), 1) << d.satir;
        EXPECT_EQ(midi.kayit(), d.yanit) << d.satir;
    }
}

// ---- To the workstation ------------------------------------------------------------------------------------

TEST_F(YardimciDuzeni, only_the_white_list_reaches_the_workstation) {
    struct {
        Baytlar m;
        char const* red; // the refusal's reason, none when it goes
    } const durumlar[] = {
        {{0xB0, 0x10, 0x01}, nullptr}, {{0xB0, 0x17, 0x41}, nullptr}, {{0x90, 0x5E, 0x7F}, nullptr},
        {{0x90, 0x08, 0x00}, nullptr}, {{0x90, 0x5F, 0x7F}, "beyaz listede yok — RECORD ASLA"},
        {{0xB0, 0x5F, 0x01}, "beyaz listede yok — RECORD ASLA"}, {{0x90, 0x5E, 0x40}, "beyaz listede yok"},
        {{0x80, 0x5E, 0x00}, "beyaz listede yok"}, {{0x91, 0x5E, 0x7F}, "beyaz listede yok"},
        {{0xB0, 0x10, 0x40}, "beyaz listede yok"}, {{0xB0, 0x10, 0x00}, "beyaz listede yok"},
        {{0xB0, 0x18, 0x01}, "beyaz listede yok"}, {{0x90, 0x5E}, "biçim"}, {{0xF0, 0x01, 0x02, 0xF7}, "biçim"},
    };
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    int redler = 0;
    for (auto const& d : durumlar) {
        midi.kayitTemizle();
        Baytlar c{0x00, uint8_t(d.m.size() + 1), 0x01};
        c.insert(c.end(), d.m.begin(), d.m.end());
        u->gonder(c);
        u->gonder({0x00, 0x01, 0x02});
        ASSERT_TRUE(u->cerceve());
        EXPECT_EQ(midi.kayit(), d.red ? std::vector<std::string>{} : std::vector<std::string>{"gonder " + hex(d.m)})
            << hex(d.m);
        redler += d.red != nullptr;
        EXPECT_EQ(say("REDDEDİLDİ"), redler) << hex(d.m);
        if (d.red) {
            EXPECT_EQ(say(std::string("uygulamadan REDDEDİLDİ (") + d.red + "): " + hex(d.m)), 1);
        }
    }
}

TEST_F(YardimciDuzeni, sigterm_releases_held_notes_before_the_ports_go) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    u->gonder(kanal(0x90, 0x5E, 0x7F));
    u->gonder(kanal(0x90, 0x5E, 0x7F));
    u->gonder({0x00, 0x01, 0x02});
    ASSERT_TRUE(u->cerceve());
    midi.kayitTemizle();
    qda([this] {
        yardimci_->sigterm();
        return 0;
    });
    EXPECT_EQ(midi.kayit(), (std::vector<std::string>{"gonder 90 5E 00", "at kaynak", "at hedef"}));
    auto const s = satirlar();
    auto const term = std::find(s.begin(), s.end(), "SIGTERM — kapanıyor");
    ASSERT_NE(term, s.end());
    EXPECT_EQ(*(term + 1), "basılı kalan notalar BIRAKILDI (port kapanıyor): 5E");
    EXPECT_TRUE(u->kapandi());
    EXPECT_EQ(cikisDurumu, 0);
}

TEST_F(YardimciDuzeni, a_vanished_midi_system_closes_the_link_and_exits_for_a_restart) {
    ASSERT_TRUE(baslat());
    auto u = uygulamaBagla();
    midi.bildirimGonder(BILDIRIM_SISTEM_GITTI);
    bosalt();
    EXPECT_EQ(say("MIDI sistemi kapandı — çıkılıyor (launchd yeniden başlatır)"), 1);
    EXPECT_TRUE(u->kapandi());
    EXPECT_EQ(cikisDurumu, 2);
}
