#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace oka {

// [herhangi] `metin` cut to at most `sinir` bytes at the end of the last
// whole UTF-8 character that fits, so that a cut text stays valid UTF-8.
std::string utf8Kes(std::string_view metin, std::size_t sinir);

} // namespace oka
