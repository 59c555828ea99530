// Any bytes as a saved state: never a crash, the manual name changes only
// when the blob is a whole "OKA1" record, and the log line names exactly the
// name that was applied.

#include "OKABridgeVST3.h"
#include "diag/Gunluk.h"

#include "public.sdk/source/common/memorystream.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace Steinberg;

namespace {
std::string gOnek; // "[label] setState — "
std::string gSonSatir;
} // namespace

extern "C" int LLVMFuzzerTestOneInput(std::uint8_t const* veri, std::size_t boyut) {
    static OKABridgeVST3* e = [] {
        auto* p = new OKABridgeVST3;
        p->initialize(nullptr);
        gOnek = "[" + p->ornekEtiketi() + "] setState — ";
        oka::olayKancasiKur([](std::string const& satir) {
            if (satir.rfind(gOnek, 0) == 0)
                gSonSatir = satir.substr(gOnek.size());
        });
        return p;
    }();
    e->elleAdiUygula("onceki", "fuzz");
    gSonSatir.clear();
    MemoryStream m(const_cast<std::uint8_t*>(veri), static_cast<TSize>(boyut));
    tresult const r = e->setState(&m);
    std::string const ad = e->elleAdKopyasi();

    bool const etiket = boyut >= 4 && std::memcmp(veri, "OKA1", 4) == 0;
    if (!etiket && (r != kResultOk || ad != "onceki" || gSonSatir != "tanınmayan biçim, YOK SAYILDI"))
        std::abort(); // foreign blobs are ignored with success
    if (etiket && boyut < 8 && (r != kResultFalse || ad != "onceki"))
        std::abort(); // cut inside the length
    if (etiket && boyut >= 8) {
        std::uint32_t const n = veri[4] | veri[5] << 8 | veri[6] << 16 | std::uint32_t(veri[7]) << 24;
        bool const okunur = n > 0 && n <= OKABridgeVST3::AD_SINIRI;
        if (okunur && boyut < 8 + n && (r != kResultFalse || ad != "onceki" || !gSonSatir.empty()))
            std::abort(); // cut inside the name
        if (okunur && boyut >= 8 + n) {
            // The name is a C string to the core: it ends at its first NUL byte.
            std::string const beklenen(reinterpret_cast<char const*>(veri) + 8, n);
            if (r != kResultOk || ad != beklenen.substr(0, beklenen.find('\0')))
                std::abort();
        }
        if (!okunur && (r != kResultOk || !ad.empty()))
            std::abort();
        if (r == kResultOk && gSonSatir != "elleAd=\"" + ad + "\"")
            std::abort(); // the log names what was applied
    }
    return 0;
}
