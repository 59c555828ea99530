#pragma once

#include <cstddef>
#include <string>

namespace oka {

// [herhangi] UTF-16 host text to UTF-8: reads at most `sinir` units, stops at
// the first 0 unit; surrogate pairs form one code point, any other unit
// (an unpaired surrogate too) is its own.
std::string utf8(char16_t const* metin, std::size_t sinir);

} // namespace oka
