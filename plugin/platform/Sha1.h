#pragma once
// SHA-1 digest from the platform's crypto library (CommonCrypto on macOS,
// OpenSSL libcrypto elsewhere). Used only for the WebSocket handshake.

#include <array>
#include <cstddef>

namespace oka {

using Sha1Ozeti = std::array<unsigned char, 20>;

// [herhangi] Digest of `n` bytes at `veri`.
Sha1Ozeti sha1(void const* veri, std::size_t n);

} // namespace oka
