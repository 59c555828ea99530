// What the user sees of a script's bytes: valid UTF-8 unchanged, every
// ill-formed sequence one U+FFFD per maximal subpart, nothing after it lost.

#include "Utf8.h"

#include <gtest/gtest.h>

namespace oka {
namespace {

const std::string Y = "\xEF\xBF\xBD"; // U+FFFD

TEST(Utf8Onar, KeepsValidTextAndReplacesEachMaximalSubpart) {
    struct Durum {
        const char* ad;
        std::string girdi, beklenen;
    } durumlar[] = {
        {"ascii", "silindi: a", "silindi: a"},
        {"two, three and four byte forms", "ç € 😀 \xF4\x8F\xBF\xBF", "ç € 😀 \xF4\x8F\xBF\xBF"},
        {"nul byte kept", std::string("a\0b", 3), std::string("a\0b", 3)},
        {"stray byte between text",
         "a\xFF"
         "b",
         "a" + Y + "b"},
        {"lone continuation bytes", "\x80\xBF", Y + Y},
        {"truncated two-byte form at the end", "ab\xC3", "ab" + Y},
        {"truncated three-byte form is one replacement",
         "\xE2\x82"
         "x",
         Y + "x"},
        {"truncated four-byte form is one replacement", "\xF0\x9F\x98", Y},
        {"overlong two-byte form", "\xC0\xAF", Y + Y},
        {"overlong three-byte form", "\xE0\x80\xAF", Y + Y + Y},
        {"surrogate", "\xED\xA0\x80", Y + Y + Y},
        {"above U+10FFFF", "\xF4\x90\x80\x80", Y + Y + Y + Y},
        {"lead bytes never used", "\xF5\xFE", Y + Y},
        {"valid text right after a broken form", "\xE2(ş", Y + "(ş"},
    };
    for (const Durum& d : durumlar)
        EXPECT_EQ(utf8Onar(d.girdi), d.beklenen) << d.ad;
}

} // namespace
} // namespace oka
