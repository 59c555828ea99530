#include "Gunlukler.h"

#include "diag/Gunluk.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

KapiKilidi::KapiKilidi(std::string const& ad) {
    char const* tmp = std::getenv("TMPDIR");
    std::string const yol = std::string(tmp && *tmp ? tmp : "/tmp") + "/" + ad + ".kilit";
    fd_ = open(yol.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (fd_ >= 0)
        while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
        }
}

KapiKilidi::~KapiKilidi() {
    if (fd_ >= 0)
        close(fd_); // releases the lock
}

bool bekleKadar(std::function<bool()> const& kosul, std::chrono::milliseconds sure) {
    auto const son = std::chrono::steady_clock::now() + sure;
    while (!kosul()) {
        if (std::chrono::steady_clock::now() > son)
            return kosul();
        std::this_thread::sleep_for(5ms);
    }
    return true;
}

namespace {
std::mutex gOlayKilidi;
std::vector<std::string> gOlaylar;

void olayKancasi(std::string const& satir) {
    std::lock_guard<std::mutex> k(gOlayKilidi);
    gOlaylar.push_back(satir);
}
} // namespace

OlaySatirlari::OlaySatirlari() {
    oka::olayKancasiKur(olayKancasi);
    std::lock_guard<std::mutex> k(gOlayKilidi);
    gOlaylar.clear(); // what an earlier catcher left
}

OlaySatirlari::~OlaySatirlari() {
    oka::olayKancasiKur(nullptr);
}

std::vector<std::string> OlaySatirlari::ornegin(std::string const& ornek) const {
    std::string const on = ornek.empty() ? "" : "[" + ornek + "] ";
    std::lock_guard<std::mutex> k(gOlayKilidi);
    std::vector<std::string> sonuc;
    for (auto const& s : gOlaylar)
        if (s.compare(0, on.size(), on) == 0)
            sonuc.push_back(s.substr(on.size()));
    return sonuc;
}

int OlaySatirlari::say(std::string const& ornek, std::string const& parca) const {
    int n = 0;
    for (auto const& s : ornegin(ornek))
        n += s.find(parca) != std::string::npos;
    return n;
}

bool OlaySatirlari::bekle(std::string const& ornek, std::string const& parca,
                          std::chrono::milliseconds sure) const {
    return bekleKadar([&] { return say(ornek, parca) > 0; }, sure);
}

HataSatirlari::HataSatirlari() {
    oka::sistemGunluguDegistir(this);
}
HataSatirlari::~HataSatirlari() {
    oka::sistemGunluguDegistir(nullptr);
}

void HataSatirlari::hataYaz(std::string_view satir) {
    std::lock_guard<std::mutex> k(kilit_);
    satirlar_.emplace_back(satir);
}

std::vector<std::string> HataSatirlari::hepsi() const {
    std::lock_guard<std::mutex> k(kilit_);
    return satirlar_;
}
