// A connection's first read, as a browser, a scanner or the app might send it.

#include "server/WebSocket.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(unsigned char const* veri, std::size_t n) {
    std::string_view const istek(reinterpret_cast<char const*>(veri), n);
    oka::IstekYaniti const y = oka::istegiYanitla(istek);
    std::string const anahtar = oka::basligiAl(istek, "sec-websocket-key:");
    if (y.webSocket == anahtar.empty())
        std::abort();
    if (y.istekSonu > n)
        std::abort();
    if (y.webSocket && oka::elSikismaAnahtari(anahtar).size() != 28)
        std::abort();
    (void)oka::susturDegeri(istek);
    return 0;
}
