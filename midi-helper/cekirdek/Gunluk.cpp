#include "Gunluk.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <unistd.h>

namespace oka::yardimci {

namespace {
std::mutex gAliciKilidi;
std::function<void(std::string const&)> gAlici;
} // namespace

void gunlukAlicisiKur(std::function<void(std::string const&)> alici) {
    std::lock_guard<std::mutex> k(gAliciKilidi);
    gAlici = std::move(alici);
}

void gunluk(std::string const& mesaj) {
    {
        std::lock_guard<std::mutex> k(gAliciKilidi);
        if (gAlici) {
            gAlici(mesaj);
            return;
        }
    }
    auto const simdi = std::chrono::system_clock::now();
    std::time_t const saniye = std::chrono::system_clock::to_time_t(simdi);
    auto const ms = std::chrono::duration_cast<std::chrono::milliseconds>(simdi.time_since_epoch()).count() % 1000;
    std::tm yerel{};
    localtime_r(&saniye, &yerel);
    char zaman[40];
    size_t n = std::strftime(zaman, sizeof zaman, "%Y-%m-%d %H:%M:%S", &yerel);
    std::snprintf(zaman + n, sizeof zaman - n, ".%03d", int(ms));
    std::string const satir = std::string(zaman) + " [oka-midi-yardimci] " + mesaj + "\n";
    // One write per line, so lines from the main thread and the queue never interleave.
    ssize_t yazilan = ::write(STDERR_FILENO, satir.data(), satir.size());
    (void)yazilan;
}

} // namespace oka::yardimci
