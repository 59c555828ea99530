#pragma once

#include <string>

namespace oka {

// [herhangi] JSON string escaping: the quote, the backslash and control bytes
// are escaped; UTF-8 passes through unchanged, and each byte that starts no
// well-formed character is written as the escape of U+FFFD.
std::string jsonKacis(std::string const& s);

} // namespace oka
