// The uninstaller's alerts with AppKit. Manual retain/release, no blocks and no
// literals, so the same file builds with Apple's AppKit and with GNUstep.

#import <AppKit/AppKit.h>
#ifdef GNUSTEP
#include "uyum_gnustep.h"
#endif

#include "Uyari.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A modal alert that meets an uncaught exception would otherwise stay on
// screen forever; say what happened and leave.
void yakalanmamis(NSException *istisna) {
    std::fprintf(stderr, "OKA Bridge Uninstall: %s: %s\n", [[istisna name] UTF8String],
                 [[istisna reason] UTF8String]);
    std::exit(1);
}

NSString *nsMetin(const std::string &metin) {
    return [[[NSString alloc] initWithBytes:metin.data() length:metin.size()
                                   encoding:NSUTF8StringEncoding] autorelease];
}

NSAlertStyle alertStili(oka::UyariStili stil) {
    switch (stil) {
    case oka::UyariStili::uyari:
        return NSAlertStyleWarning;
    case oka::UyariStili::kritik:
        return NSAlertStyleCritical;
    case oka::UyariStili::bilgi:
        break;
    }
    return NSAlertStyleInformational;
}

class AppKitUyarici : public oka::Uyarici {
  public:
    void hazirla() override {
        NSSetUncaughtExceptionHandler(&yakalanmamis);
        NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
        [NSApplication sharedApplication];
        [NSApp setActivationPolicy:NSApplicationActivationPolicyRegular];
        // No event loop runs, so the launch steps it would take are taken here;
        // GNUstep delivers no key or mouse events to a never-launched app.
        [NSApp finishLaunching];
        [havuz release];
    }

    int goster(const std::string &baslik, const std::string &metin, const std::vector<std::string> &dugmeler,
               oka::UyariStili stil) override {
        NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
        NSAlert *uyari = [[NSAlert alloc] init];
        [uyari setMessageText:nsMetin(baslik)];
        [uyari setInformativeText:nsMetin(metin)];
        for (std::size_t i = 0; i < dugmeler.size(); ++i) {
            NSButton *dugme = [uyari addButtonWithTitle:nsMetin(dugmeler[i])];
            // Escape answers the second button whatever its title; AppKit
            // only does that by itself for one titled "Cancel".
            if (i == 1)
                [dugme setKeyEquivalent:@"\033"];
        }
        [uyari setAlertStyle:alertStili(stil)];
        // Deprecated from macOS 14 on, but the only call that also brings the
        // app forward on the older systems we support.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
        [NSApp activateIgnoringOtherApps:YES];
#pragma GCC diagnostic pop
        const NSInteger yanit = [uyari runModal];
        [uyari release];
        [havuz release];
        const NSInteger sira = yanit - NSAlertFirstButtonReturn;
        return sira >= 0 && sira < static_cast<NSInteger>(dugmeler.size()) ? static_cast<int>(sira) : -1;
    }
};

} // namespace

std::unique_ptr<oka::Uyarici> oka::appKitUyarici() { return std::make_unique<AppKitUyarici>(); }
