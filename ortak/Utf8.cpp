#include "Utf8.h"

#include <cstdint>

namespace oka {

std::size_t utf8Karakter(unsigned char const* p, std::size_t kalan) {
    if (kalan == 0)
        return 0;
    unsigned char const c = p[0];
    if (c < 0x80)
        return 1;
    std::size_t devam;
    std::uint32_t kod;
    if (c >= 0xC2 && c <= 0xDF) {
        devam = 1;
        kod = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        devam = 2;
        kod = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        devam = 3;
        kod = c & 0x07;
    } else {
        return 0;
    }
    if (devam >= kalan)
        return 0;
    for (std::size_t j = 1; j <= devam; ++j) {
        if ((p[j] & 0xC0) != 0x80)
            return 0;
        kod = kod << 6 | (p[j] & 0x3F);
    }
    static constexpr std::uint32_t EN_KUCUK[4] = {0, 0x80, 0x800, 0x10000};
    if (kod < EN_KUCUK[devam] || (kod >= 0xD800 && kod <= 0xDFFF) || kod > 0x10FFFF)
        return 0;
    return devam + 1;
}

} // namespace oka
