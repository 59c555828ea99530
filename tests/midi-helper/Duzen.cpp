#include "Duzen.h"

#include "cekirdek/Gunluk.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace oka::yardimci;

bool bekle(std::function<bool()> const& kosul, std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (!kosul()) {
        if (std::chrono::steady_clock::now() > son)
            return false;
        std::this_thread::sleep_for(2ms);
    }
    return true;
}

Uygulama::Uygulama(uint16_t kapi, int alimTamponu) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (alimTamponu)
        setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &alimTamponu, sizeof alimTamponu);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(kapi);
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (kapi == 0 || connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
        close(fd_);
        fd_ = -1;
    }
}

Uygulama::~Uygulama() {
    if (fd_ >= 0)
        close(fd_);
}

void Uygulama::gonder(Baytlar const& b) {
    ASSERT_EQ(::send(fd_, b.data(), b.size(), MSG_NOSIGNAL), ssize_t(b.size()));
}

bool Uygulama::oku(size_t n, std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (tampon_.size() < n) {
        auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (kalan.count() <= 0 || poll(&p, 1, int(kalan.count())) <= 0)
            return false;
        uint8_t b[65536];
        ssize_t const r = recv(fd_, b, sizeof b, 0);
        if (r <= 0)
            return false;
        tampon_.insert(tampon_.end(), b, b + r);
    }
    return true;
}

std::optional<Baytlar> Uygulama::cerceve(std::chrono::milliseconds sure) {
    if (!oku(2, sure))
        return std::nullopt;
    size_t const n = size_t(tampon_[0]) * 256 + tampon_[1] + 2;
    if (!oku(n, sure))
        return std::nullopt;
    Baytlar c(tampon_.begin(), tampon_.begin() + long(n));
    tampon_.erase(tampon_.begin(), tampon_.begin() + long(n));
    return c;
}

bool Uygulama::kapandi(std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (true) {
        auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - std::chrono::steady_clock::now());
        pollfd p{fd_, POLLIN, 0};
        if (kalan.count() <= 0 || poll(&p, 1, int(kalan.count())) <= 0)
            return false;
        uint8_t b[4096];
        if (recv(fd_, b, sizeof b, 0) <= 0)
            return true; // frames still in flight are of no interest here
    }
}

namespace {
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
} // namespace

YardimciDuzeni::YardimciDuzeni() {
    gunlukAlicisiKur([this](std::string const& satir) {
        std::lock_guard<std::mutex> k(kilit_);
        satirlar_.push_back(satir);
    });
}

YardimciDuzeni::~YardimciDuzeni() {
    if (is_.joinable()) {
        q_.stop();
        is_.join();
    }
    yardimci_.reset();
    gunlukAlicisiKur(nullptr);
}

bool YardimciDuzeni::baslat(std::string portAdi, uint16_t kapi) {
    Ayarlar a;
    a.PORT_ADI = std::move(portAdi);
    a.YARDIMCI_KAPI = kapi;
    yardimci_ = std::make_shared<Yardimci>(
        q_, midi, a, [this](std::string const&) { return std::make_unique<TestDeposu>(depo); },
        [this](int durum) { cikisDurumu = durum; });
    yardimci_->sessizlikSuresiAyarla(300ms);
    yardimci_->yazmaSiniriAyarla(64 * 1024);
    if (!yardimci_->baslat())
        return false;
    is_ = std::thread([this] { q_.run(); });
    bosalt(); // the first port check has run
    return true;
}

std::unique_ptr<Uygulama> YardimciDuzeni::uygulamaBagla() {
    auto u = std::make_unique<Uygulama>(kapi());
    EXPECT_TRUE(u->bagli());
    u->gonder({0x00, 0x01, 0x02});
    EXPECT_TRUE(u->cerceve().has_value());
    return u;
}

std::vector<std::string> YardimciDuzeni::satirlar() const {
    std::lock_guard<std::mutex> k(kilit_);
    return satirlar_;
}

bool YardimciDuzeni::satirBekle(std::string const& parca, std::chrono::milliseconds sure) const {
    return bekle([&] { return say(parca) > 0; }, sure);
}

int YardimciDuzeni::say(std::string const& parca) const {
    std::lock_guard<std::mutex> k(kilit_);
    int n = 0;
    for (auto const& s : satirlar_)
        n += s.find(parca) != std::string::npos;
    return n;
}
