#include "Utf8Kes.h"

namespace oka {

std::string utf8Kes(std::string_view metin, std::size_t sinir) {
    if (metin.size() <= sinir)
        return std::string(metin);
    // Back off over continuation bytes to the start of the character that
    // does not fit.
    std::size_t n = sinir;
    while (n > 0 && (static_cast<unsigned char>(metin[n]) & 0xC0) == 0x80)
        --n;
    return std::string(metin.substr(0, n));
}

} // namespace oka
