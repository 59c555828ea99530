// Bytes from any local process: cutting them in one piece or a byte at a time
// gives the same frames, and nothing reads past the input.

#include "cekirdek/Cerceve.h"

#include <cstdlib>
#include <utility>
#include <vector>

using namespace oka::yardimci;

namespace {
using Kesimler = std::vector<std::pair<uint8_t, Baytlar>>;

// Frames cut from the front until more bytes are needed or the length is zero; true on a zero length.
bool kes(Baytlar& alinan, Kesimler& kesimler) {
    size_t bas = 0;
    while (true) {
        KesimSonucu const s = cerceveKes(alinan.data() + bas, alinan.size() - bas);
        if (s.tur == KesimSonucu::HATA)
            return true;
        if (s.tur == KesimSonucu::EKSIK)
            break;
        if (s.tuketilen != s.govde.size() + 3 || bas + s.tuketilen > alinan.size())
            std::abort();
        kesimler.emplace_back(s.tip, s.govde);
        bas += s.tuketilen;
    }
    alinan.erase(alinan.begin(), alinan.begin() + long(bas));
    return false;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* veri, size_t boyut) {
    Baytlar butun(veri, veri + boyut);
    Kesimler a, b;
    bool const hataA = kes(butun, a);
    Baytlar parca;
    bool hataB = false;
    for (size_t i = 0; i < boyut && !hataB; ++i) {
        parca.push_back(veri[i]);
        hataB = kes(parca, b);
    }
    if (a != b || hataA != hataB)
        std::abort();
    Baytlar const ilk(veri, veri + std::min<size_t>(boyut, 24));
    (void)httpIstegiMi(ilk);
    (void)gecerliUtf8(butun);
    return 0;
}
