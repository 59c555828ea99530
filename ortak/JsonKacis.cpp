#include "JsonKacis.h"

namespace oka {

std::string jsonKacis(std::string const& s) {
    static char const HEX[] = "0123456789abcdef";
    std::string o;
    o.reserve(s.size() + 8);
    for (unsigned char c : s) {
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
            } else {
                o += static_cast<char>(c);
            }
        }
    }
    return o;
}

} // namespace oka
