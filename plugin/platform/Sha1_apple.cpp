#include "Sha1.h"

#include <CommonCrypto/CommonDigest.h>

namespace oka {

Sha1Ozeti sha1(void const* veri, std::size_t n) {
    Sha1Ozeti ozet{};
    CC_SHA1(veri, static_cast<CC_LONG>(n), ozet.data());
    return ozet;
}

} // namespace oka
