#pragma once

#include <cstddef>

namespace oka {

// [herhangi] Length of the well-formed UTF-8 character at `p` (1 to 4), or 0
// when the bytes there are not one: a stray continuation byte, a cut
// sequence, an overlong form, a surrogate or a value past U+10FFFF.
std::size_t utf8Karakter(unsigned char const* p, std::size_t kalan);

} // namespace oka
