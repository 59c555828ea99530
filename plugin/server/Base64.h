#pragma once
// Standard base64 (RFC 4648 alphabet, "=" padding).

#include <cstddef>
#include <string>

namespace oka {

// [herhangi] Encodes `n` bytes at `veri`.
std::string base64(void const* veri, std::size_t n);

} // namespace oka
