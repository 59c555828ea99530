// Bytes from any local process: cut in one piece or a byte at a time they give
// the same frames, and nothing reads past the input.

#include "cekirdek/Cerceve.h"

#include <cstdlib>
#include <utility>
#include <vector>

using namespace oka::yardimci;

namespace {
using Kesimler = std::vector<std::pair<uint8_t, Baytlar>>;

// Cuts frames off the front of `alinan` until more bytes are needed; true at a zero length.
bool kes(Baytlar& alinan, Kesimler& kesimler) {
    KesimSonucu s;
    while ((s = cerceveKes(alinan.data(), alinan.size())).tur == KesimSonucu::CERCEVE) {
        if (s.tuketilen != s.govde.size() + 3 || s.tuketilen > alinan.size())
            std::abort();
        kesimler.emplace_back(s.tip, s.govde);
        alinan.erase(alinan.begin(), alinan.begin() + long(s.tuketilen));
    }
    return s.tur == KesimSonucu::HATA;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* veri, size_t boyut) {
    Baytlar butun(veri, veri + boyut), parca;
    Kesimler a, b;
    bool const hataA = kes(butun, a);
    bool hataB = false;
    for (size_t i = 0; i < boyut && !hataB; ++i) {
        parca.push_back(veri[i]);
        hataB = kes(parca, b);
    }
    if (a != b || hataA != hataB)
        std::abort();
    (void)httpIstegiMi(Baytlar(veri, veri + std::min<size_t>(boyut, 24)));
    (void)gecerliUtf8(Baytlar(veri, veri + boyut));
    return 0;
}
