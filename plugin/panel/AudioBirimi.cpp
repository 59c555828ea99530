#include "AudioBirimi.h"

namespace oka {

DurumOkuyucu auOkuyucu(AudioBirimi au) {
    return [au](ArayuzDurumu& d) { return auOzellikOku(au, DURUM_OZELLIGI, &d, sizeof d) == 0; };
}

AdYazici auYazici(AudioBirimi au) {
    // The status of the write is ignored: the next poll shows what was applied.
    return [au](char const* ad) { auOzellikYaz(au, AD_OZELLIGI, ad, 256); };
}

} // namespace oka
