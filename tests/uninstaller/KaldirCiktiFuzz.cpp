// The removal script's output is bytes from outside: repairing and counting
// any of them must neither crash nor let ill-formed text through.

#include "Akis.h"
#include "Utf8.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* veri, std::size_t boyut) {
    const std::string metin = oka::utf8Onar({reinterpret_cast<const char*>(veri), boyut});
    // Well-formed text is a fixed point; anything ill-formed left in would change.
    if (oka::utf8Onar(metin) != metin || metin.size() > 3 * boyut)
        std::abort();
    const oka::CiktiSayimi sayim = oka::ciktiSay(metin);
    if (sayim.silinen + sayim.zatenYok > static_cast<int>(sayim.satirlar.size()))
        std::abort();
    for (const std::string& satir : sayim.satirlar)
        if (satir.empty() || satir.find('\n') != std::string::npos)
            std::abort();
    return 0;
}
