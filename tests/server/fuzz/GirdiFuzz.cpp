// Bytes from outside: a connection's first read, as a browser, a scanner or
// the app might send it, and the app's frames arriving in arbitrary pieces.

#include "server/WebSocket.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(unsigned char const* veri, std::size_t n) {
    std::string_view const girdi(reinterpret_cast<char const*>(veri), n);
    oka::IstekYaniti const y = oka::istegiYanitla(girdi);
    std::string const anahtar = oka::basligiAl(girdi, "sec-websocket-key:");
    if (y.webSocket == anahtar.empty() || y.istekSonu > n ||
        (y.webSocket && oka::elSikismaAnahtari(anahtar).size() != 28))
        std::abort();
    (void)oka::susturDegeri(girdi);
    // The first byte chooses the piece size, as reads of different sizes would cut the stream.
    std::size_t const parca = n ? 1 + veri[0] % 64 : 1;
    std::string tampon, yanit;
    std::size_t komutSayisi = 0;
    for (std::size_t i = 1; i < n; i += parca) {
        tampon.append(girdi.substr(i, parca));
        if (oka::komutuIsle(
                tampon, [&](bool) { ++komutSayisi; }, yanit) != oka::KomutSonucu::Bekle)
            return 0;
        if (tampon.size() > oka::GIRDI_SINIRI) // a waiting rest is part of one frame within the bound
            std::abort();
    }
    // Every command and every answer comes from bytes of the input: answers
    // are never longer than what they answer plus a header each.
    if (komutSayisi > n || yanit.size() > 2 * n)
        std::abort();
    return 0;
}
