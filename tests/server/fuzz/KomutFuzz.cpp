// Bytes from the app, arriving in arbitrary pieces, through the frame parser.

#include "server/WebSocket.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(unsigned char const* veri, std::size_t n) {
    if (n == 0)
        return 0;
    // The first byte chooses the piece size, as reads of different sizes would cut the stream.
    std::size_t const parca = 1 + veri[0] % 64;
    std::string tampon, yanit;
    std::size_t komutSayisi = 0;
    for (std::size_t i = 1; i < n; i += parca) {
        tampon.append(reinterpret_cast<char const*>(veri + i), std::min(parca, n - i));
        oka::KomutSonucu const s = oka::komutuIsle(
            tampon, [&](bool) { ++komutSayisi; }, yanit);
        if (s != oka::KomutSonucu::Bekle)
            return 0;
        // A waiting rest is always part of one frame that fits the bound.
        if (tampon.size() > oka::GIRDI_SINIRI)
            std::abort();
    }
    // Every command and every answer comes from bytes of the input: answers
    // are never longer than what they answer plus a header each.
    if (komutSayisi > n || yanit.size() > 2 * n)
        std::abort();
    return 0;
}
