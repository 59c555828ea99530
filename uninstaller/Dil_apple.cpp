#include "Dil.h"

#include <CoreFoundation/CoreFoundation.h>

namespace oka {

std::string tercihEdilenDil() {
    std::string dil;
    CFArrayRef diller = CFLocaleCopyPreferredLanguages();
    if (diller) {
        if (CFArrayGetCount(diller) > 0) {
            auto ilk = static_cast<CFStringRef>(CFArrayGetValueAtIndex(diller, 0));
            char tampon[128];
            if (CFStringGetCString(ilk, tampon, sizeof tampon, kCFStringEncodingUTF8))
                dil = tampon;
        }
        CFRelease(diller);
    }
    return dil.empty() ? "en" : dil;
}

} // namespace oka
