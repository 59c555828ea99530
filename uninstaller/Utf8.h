#pragma once
// Bytes from outside (the removal script's output) turned into text we can show.

#include <string>
#include <string_view>

namespace oka {

// [herhangi] `bayt` as well-formed UTF-8: each ill-formed sequence becomes one
// U+FFFD per maximal subpart (the Unicode recommendation), so a stray byte
// costs one character and never swallows the valid text after it.
std::string utf8Onar(std::string_view bayt);

} // namespace oka
