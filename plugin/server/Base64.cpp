#include "Base64.h"

namespace oka {

std::string base64(void const* veri, std::size_t n) {
    static constexpr char ALFABE[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    auto const* b = static_cast<unsigned char const*>(veri);
    std::string cikis;
    cikis.reserve((n + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        unsigned const v = (unsigned(b[i]) << 16) | (unsigned(b[i + 1]) << 8) | b[i + 2];
        cikis += ALFABE[(v >> 18) & 63];
        cikis += ALFABE[(v >> 12) & 63];
        cikis += ALFABE[(v >> 6) & 63];
        cikis += ALFABE[v & 63];
    }
    if (std::size_t const kalan = n - i) {
        unsigned v = unsigned(b[i]) << 16;
        if (kalan == 2)
            v |= unsigned(b[i + 1]) << 8;
        cikis += ALFABE[(v >> 18) & 63];
        cikis += ALFABE[(v >> 12) & 63];
        cikis += kalan == 2 ? ALFABE[(v >> 6) & 63] : '=';
        cikis += '=';
    }
    return cikis;
}

} // namespace oka
