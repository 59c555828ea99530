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

std::string hataSatiri(char const* ne, int hata) {
    char tampon[256];
    std::string satir = "HATA ";
    satir += ne ? ne : "";
    satir += "() errno=";
    satir += std::to_string(hata);
    satir += " (";
    // XSI strerror_r is thread-safe; the GNU variant may return a static text instead of filling the buffer.
#if defined(__GLIBC__) && defined(_GNU_SOURCE)
    satir += strerror_r(hata, tampon, sizeof tampon);
#else
    satir += strerror_r(hata, tampon, sizeof tampon) == 0 ? tampon : "?";
#endif
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
