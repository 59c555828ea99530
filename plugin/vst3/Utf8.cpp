#include "Utf8.h"

namespace oka {

std::string utf8(char16_t const* metin, std::size_t sinir) {
    std::string o;
    if (!metin)
        return o;
    for (std::size_t i = 0; i < sinir && metin[i] != 0; ++i) {
        char32_t c = metin[i];
        if ((c & 0xFC00) == 0xD800 && i + 1 < sinir && (metin[i + 1] & 0xFC00) == 0xDC00) {
            c = (c - 0xD800) * 0x400 + (char32_t(metin[i + 1]) - 0xDC00) + 0x10000;
            ++i;
        }
        if (c < 0x80) {
            o += static_cast<char>(c);
        } else if (c < 0x800) {
            o += static_cast<char>(0xC0 | (c >> 6));
            o += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            o += static_cast<char>(0xE0 | (c >> 12));
            o += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            o += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            o += static_cast<char>(0xF0 | (c >> 18));
            o += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            o += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            o += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return o;
}

} // namespace oka
