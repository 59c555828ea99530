#include "AudioBirimi.h"

namespace oka {

// Without a handle there is nothing to read or write: the model then changes
// nothing and applies no name, as with a view that has no plug-in.
DurumOkuyucu auOkuyucu(AudioBirimi au) {
    if (!au)
        return {};
    return [au](ArayuzDurumu& d) { return auOzellikOku(au, DURUM_OZELLIGI, &d, sizeof d) == 0; };
}

AdYazici auYazici(AudioBirimi au) {
    if (!au)
        return {};
    // The status of the write is ignored: the next poll shows what was applied.
    return [au](char const* ad) { auOzellikYaz(au, AD_OZELLIGI, ad, 256); };
}

} // namespace oka
