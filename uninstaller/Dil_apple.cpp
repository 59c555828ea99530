#include "Dil.h"

#include <CoreFoundation/CoreFoundation.h>

namespace oka {

std::vector<std::string> tercihEdilenDiller() {
    std::vector<std::string> diller;
    CFArrayRef liste = CFLocaleCopyPreferredLanguages();
    if (!liste)
        return diller;
    for (CFIndex i = 0; i < CFArrayGetCount(liste); ++i) {
        char tampon[128] = "";
        CFStringGetCString(static_cast<CFStringRef>(CFArrayGetValueAtIndex(liste, i)), tampon, sizeof tampon,
                           kCFStringEncodingUTF8);
        diller.emplace_back(tampon);
    }
    CFRelease(liste);
    return diller;
}

} // namespace oka
