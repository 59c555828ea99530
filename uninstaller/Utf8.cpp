#include "Utf8.h"

namespace oka {

namespace {
constexpr std::string_view YEDEK = "\xEF\xBF\xBD"; // U+FFFD
} // namespace

std::string utf8Onar(std::string_view bayt) {
    std::string metin;
    metin.reserve(bayt.size());
    const std::size_t n = bayt.size();
    std::size_t i = 0;
    while (i < n) {
        const auto bas = static_cast<unsigned char>(bayt[i]);
        if (bas < 0x80) {
            metin += static_cast<char>(bas);
            ++i;
            continue;
        }
        // Lead byte → length and the allowed range of the second byte; the
        // narrowed ranges exclude overlong forms, surrogates and > U+10FFFF.
        std::size_t uzunluk = 0;
        unsigned char alt = 0x80, ust = 0xBF;
        if (bas >= 0xC2 && bas <= 0xDF) {
            uzunluk = 2;
        } else if (bas == 0xE0) {
            uzunluk = 3;
            alt = 0xA0;
        } else if (bas == 0xED) {
            uzunluk = 3;
            ust = 0x9F;
        } else if (bas >= 0xE1 && bas <= 0xEF) {
            uzunluk = 3;
        } else if (bas == 0xF0) {
            uzunluk = 4;
            alt = 0x90;
        } else if (bas >= 0xF1 && bas <= 0xF3) {
            uzunluk = 4;
        } else if (bas == 0xF4) {
            uzunluk = 4;
            ust = 0x8F;
        } else {
            metin += YEDEK;
            ++i;
            continue;
        }
        std::size_t j = 1;
        while (j < uzunluk && i + j < n) {
            const auto devam = static_cast<unsigned char>(bayt[i + j]);
            if (devam < alt || devam > ust)
                break;
            alt = 0x80;
            ust = 0xBF;
            ++j;
        }
        if (j == uzunluk)
            metin.append(bayt.substr(i, uzunluk));
        else
            metin += YEDEK;
        i += j;
    }
    return metin;
}

} // namespace oka
