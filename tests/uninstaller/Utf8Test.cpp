// What the user sees of a script's bytes: valid UTF-8 unchanged, every
// ill-formed sequence one U+FFFD per maximal subpart, nothing after it lost.

#include "Utf8.h"

#include <gtest/gtest.h>

namespace oka {
namespace {

TEST(Utf8Onar, KeepsValidTextAndReplacesEachMaximalSubpart) {
    const std::string Y = "\xEF\xBF\xBD"; // U+FFFD
    const std::pair<std::string, std::string> durumlar[] = {
        {std::string("ç € ሴ ठ 😀 \xF1\x80\x80\x80 \xF4\x8F\xBF\xBF a\0b", 33),
         std::string("ç € ሴ ठ 😀 \xF1\x80\x80\x80 \xF4\x8F\xBF\xBF a\0b", 33)},
        {"a\xFFz\x80\xBF", "a" + Y + "z" + Y + Y},                   // stray and lone continuation bytes
        {"\xE2\x82x\xF0\x9F\x98", Y + "x" + Y},                      // truncated forms, one replacement each
        {"\xC0\xAF\xE0\x80\xAF", Y + Y + Y + Y + Y},                 // overlong forms
        {"\xED\xA0\x80\xF4\x90\x80\x80", Y + Y + Y + Y + Y + Y + Y}, // surrogate, above U+10FFFF
        {"\xF5\xFE\xE2(ş", Y + Y + Y + "(ş"},                        // lead bytes never used, then valid text
    };
    for (const auto& [girdi, beklenen] : durumlar)
        EXPECT_EQ(utf8Onar(girdi), beklenen) << girdi;
    // Truncated at the very end, and nothing read past it.
    EXPECT_EQ(utf8Onar(std::string_view("ab\xC3\x80", 3)), "ab" + Y);
}

} // namespace
} // namespace oka
