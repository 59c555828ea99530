#include "Gunluk.h"

#include "../platform/SistemGunlugu.h"

#include <atomic>
#include <cstring>

namespace oka {

namespace {
std::atomic<OlayKancasi> gKanca{nullptr};
}

void olayKancasiKur(OlayKancasi kanca) {
    gKanca.store(kanca, std::memory_order_release);
}

void olayYaz(std::string const& etiket, std::string const& metin) {
    std::string satir;
    satir.reserve(etiket.size() + metin.size() + 3);
    satir += '[';
    satir += etiket;
    satir += "] ";
    satir += metin;
    if (OlayKancasi k = gKanca.load(std::memory_order_acquire))
        k(satir);
}

namespace {
// The two strerror_r signatures: XSI fills the buffer and returns a status,
// GNU returns its text, which need not be in the buffer.
[[maybe_unused]] char const* strerrorMetni(int, char const* tampon) {
    return tampon;
}
[[maybe_unused]] char const* strerrorMetni(char const* metin, char const*) {
    return metin;
}
} // namespace

std::string hataMetni(char const* yazilan) {
    return yazilan && *yazilan ? yazilan : "?";
}

std::string hataSatiri(char const* ne, int hata) {
    // strerror_r is thread-safe where strerror is not. macOS writes "Unknown
    // error: N" for an unknown number and still returns EINVAL, so the text
    // counts, not the status.
    char tampon[256] = {};
    std::string satir = "HATA ";
    satir += ne ? ne : "";
    satir += "() errno=";
    satir += std::to_string(hata);
    satir += " (";
    satir += hataMetni(strerrorMetni(strerror_r(hata, tampon, sizeof tampon), tampon));
    satir += ')';
    return satir;
}

void gunlukHata(char const* ne, int hata) {
    SistemGunluguAlicisi& g = sistemGunlugu();
    if (!g.hataEtkin())
        return;
    g.hataYaz(hataSatiri(ne, hata));
}

} // namespace oka
