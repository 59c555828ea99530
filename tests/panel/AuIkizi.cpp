#include "AuIkizi.h"

#include <cstring>

namespace oka {

std::int32_t auOzellikOku(AudioBirimi au, std::uint32_t ozellik, void* veri, std::uint32_t boyut) {
    auto* ikiz = static_cast<AuIkizi*>(au);
    ++ikiz->okumaSayisi;
    if (ozellik != DURUM_OZELLIGI || boyut != sizeof ikiz->durum)
        return -1;
    std::memcpy(veri, &ikiz->durum, boyut);
    return ikiz->okumaSonucu;
}

std::int32_t auOzellikYaz(AudioBirimi au, std::uint32_t ozellik, void const* veri, std::uint32_t boyut) {
    auto* ikiz = static_cast<AuIkizi*>(au);
    if (ozellik != AD_OZELLIGI)
        return -1;
    ++ikiz->yazmaSayisi;
    ikiz->yazilanAd.assign(static_cast<char const*>(veri), strnlen(static_cast<char const*>(veri), boyut));
    return 0;
}

} // namespace oka
