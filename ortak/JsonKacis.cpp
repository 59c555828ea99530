#include "JsonKacis.h"

#include "Utf8.h"

namespace oka {

std::string jsonKacis(std::string const& s) {
    static char const HEX[] = "0123456789abcdef";
    std::string o;
    o.reserve(s.size() + 8);
    auto const* const b = reinterpret_cast<unsigned char const*>(s.data());
    for (std::size_t i = 0; i < s.size(); ++i) {
        unsigned char const c = b[i];
        switch (c) {
        case 0x22:
            o += "\\\"";
            break;
        case 0x5C:
            o += "\\\\";
            break;
        case 0x0A:
            o += "\\n";
            break;
        case 0x0D:
            o += "\\r";
            break;
        case 0x09:
            o += "\\t";
            break;
        default:
            if (c < 0x20) {
                o += "\\u00";
                o += HEX[c >> 4];
                o += HEX[c & 0xF];
            } else if (std::size_t const n = utf8Karakter(b + i, s.size() - i)) {
                o.append(s, i, n);
                i += n - 1;
            } else {
                // A JSON text must be UTF-8, or strict clients drop the
                // connection: a byte that starts no character reads as U+FFFD.
                o += "\\ufffd";
            }
        }
    }
    return o;
}

} // namespace oka
