// The ports' unique IDs in the user defaults (CFPreferences), suite
// KIMLIK_ALANI or the program's own domain. No flush is forced.

#include "Platform.h"

#include "cekirdek/KimlikDosyasi.h"

#include <CoreFoundation/CoreFoundation.h>

namespace oka::yardimci {

namespace {

CFStringRef cfMetin(std::string const& s) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<UInt8 const*>(s.data()), CFIndex(s.size()),
                                   kCFStringEncodingUTF8, false);
}

class TercihDeposu : public KimlikDeposu {
public:
    explicit TercihDeposu(std::optional<std::string> const& alan)
        : alan_(alan ? cfMetin(*alan) : CFStringRef(CFRetain(kCFPreferencesCurrentApplication))) {}
    ~TercihDeposu() override { CFRelease(alan_); }

    std::optional<int64_t> tamsayi(std::string const& anahtar) override {
        CFStringRef a = cfMetin(anahtar);
        CFPropertyListRef deger = CFPreferencesCopyAppValue(a, alan_);
        CFRelease(a);
        std::optional<int64_t> sonuc;
        int64_t v = 0;
        if (deger && CFGetTypeID(deger) == CFNumberGetTypeID() && !CFNumberIsFloatType(CFNumberRef(deger)) &&
            CFNumberGetValue(CFNumberRef(deger), kCFNumberSInt64Type, &v))
            sonuc = v;
        if (deger)
            CFRelease(deger);
        return sonuc;
    }

    void tamsayiYaz(std::string const& anahtar, int64_t deger) override {
        CFStringRef a = cfMetin(anahtar);
        CFNumberRef n = CFNumberCreate(nullptr, kCFNumberSInt64Type, &deger);
        CFPreferencesSetAppValue(a, n, alan_);
        CFRelease(n);
        CFRelease(a);
    }

private:
    CFStringRef alan_;
};

} // namespace

std::unique_ptr<KimlikDeposu> platformKimlikDeposu(std::string const& alan,
                                                   std::map<std::string, std::string> const&) {
    return std::make_unique<TercihDeposu>(kullanilirAlan(alan));
}

} // namespace oka::yardimci
