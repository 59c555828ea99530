#include "ModulKatmani.h"

#include <CoreFoundation/CoreFoundation.h>

namespace modulKatmani {

char const* const IKILI_DIZINI = "MacOS";
char const* const UZANTI = "";
char const* const GIRIS = "bundleEntry";
char const* const CIKIS = "bundleExit";

void* yukle(std::string const& paket, std::string const&, std::string& hata) {
    CFURLRef url = CFURLCreateFromFileSystemRepresentation(
        kCFAllocatorDefault, reinterpret_cast<UInt8 const*>(paket.c_str()),
        static_cast<CFIndex>(paket.size()), true);
    CFBundleRef paketRef = url ? CFBundleCreate(kCFAllocatorDefault, url) : nullptr;
    if (url)
        CFRelease(url);
    if (!paketRef) {
        hata = "CFBundleCreate failed: not a bundle";
        return nullptr;
    }
    CFErrorRef e = nullptr;
    if (!CFBundleLoadExecutableAndReturnError(paketRef, &e)) {
        hata = "CFBundleLoadExecutable failed";
        if (e) {
            if (CFStringRef d = CFErrorCopyDescription(e)) {
                char t[512];
                if (CFStringGetCString(d, t, sizeof t, kCFStringEncodingUTF8))
                    hata += std::string(": ") + t;
                CFRelease(d);
            }
            CFRelease(e);
        }
        CFRelease(paketRef);
        return nullptr;
    }
    return paketRef;
}

void* sembol(void* modul, char const* ad) {
    CFStringRef s = CFStringCreateWithCString(kCFAllocatorDefault, ad, kCFStringEncodingASCII);
    void* adres = CFBundleGetFunctionPointerForName(static_cast<CFBundleRef>(modul), s);
    CFRelease(s);
    return adres;
}

bool gir(void* modul, void* giris) {
    return reinterpret_cast<bool (*)(CFBundleRef)>(giris)(static_cast<CFBundleRef>(modul));
}

// The executable stays loaded, as in a workstation: a module's Objective-C
// classes cannot be unloaded.
void birak(void* modul) {
    CFRelease(static_cast<CFBundleRef>(modul));
}

} // namespace modulKatmani
