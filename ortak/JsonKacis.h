#pragma once

#include <string>

namespace oka {

// [herhangi] JSON string escaping: the quote, the backslash and control bytes
// are escaped; every other byte (UTF-8 included) passes through unchanged.
std::string jsonKacis(std::string const& s);

} // namespace oka
