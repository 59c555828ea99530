#include "Kaynak.h"

#include <CoreFoundation/CoreFoundation.h>
#include <climits>

namespace oka {

std::optional<std::string> betikKaynagi() {
    CFBundleRef paket = CFBundleGetMainBundle();
    if (!paket)
        return std::nullopt;
    CFURLRef adres = CFBundleCopyResourceURL(paket, CFSTR("kaldir"), CFSTR("sh"), nullptr);
    if (!adres)
        return std::nullopt;
    char yol[PATH_MAX];
    const bool tamam =
        CFURLGetFileSystemRepresentation(adres, true, reinterpret_cast<UInt8*>(yol), sizeof yol);
    CFRelease(adres);
    if (!tamam)
        return std::nullopt;
    return std::string(yol);
}

} // namespace oka
