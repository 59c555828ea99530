#include "Sha1.h"

#include <openssl/evp.h>

namespace oka {

Sha1Ozeti sha1(void const* veri, std::size_t n) {
    Sha1Ozeti ozet{};
    unsigned int uzunluk = 0;
    // EVP_Digest only fails when the library cannot allocate; the zero digest
    // then fails the handshake instead of crashing the host.
    EVP_Digest(veri, n, ozet.data(), &uzunluk, EVP_sha1(), nullptr);
    return ozet;
}

} // namespace oka
