// The uninstaller's alerts with AppKit. Manual retain/release, no blocks and no
// literals, so the same file builds with Apple's AppKit and with GNUstep.

#import <AppKit/AppKit.h>
#ifdef GNUSTEP
#include "uyum_gnustep.h"
#endif

#include "Uyari.h"

#include <cstdio>
#include <cstdlib>

// The app ends only through its own flow, so its exit code always tells the
// outcome: a Quit from the Dock while the script runs would otherwise leave
// with 0 and no report.
@interface OkaKaldirTemsilci : NSObject <NSApplicationDelegate>
@end

@implementation OkaKaldirTemsilci
- (NSApplicationTerminateReply)applicationShouldTerminate:(NSApplication *)uygulama {
    (void)uygulama;
    return NSTerminateCancel;
}
@end

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
    ~AppKitUyarici() override { [mTemsilci release]; }

    void hazirla() override {
        NSSetUncaughtExceptionHandler(&yakalanmamis);
        NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
        [NSApplication sharedApplication];
        [NSApp setActivationPolicy:NSApplicationActivationPolicyRegular];
        [NSApp setDelegate:mTemsilci];
        // No event loop runs, so the launch steps it would take are taken here;
        // GNUstep delivers no key or mouse events to a never-launched app.
        [NSApp finishLaunching];
#ifdef GNUSTEP
        cocukSinyaliniGeriAl();
#endif
        [havuz release];
    }

    int goster(const std::string &baslik, const std::string &metin, const std::vector<std::string> &dugmeler,
               oka::UyariStili stil) override {
        NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
        NSAlert *uyari = [[NSAlert alloc] init];
        [uyari setMessageText:nsMetin(baslik)];
        [uyari setInformativeText:nsMetin(metin)];
        for (std::size_t i = 0; i < dugmeler.size(); ++i)
            [[uyari addButtonWithTitle:nsMetin(dugmeler[i])] setKeyEquivalent:nsMetin(oka::dugmeTusu(i))];
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
        return oka::dugmeSirasi(yanit, NSAlertFirstButtonReturn, dugmeler.size());
    }

    void olaylariIsle(std::chrono::milliseconds sure) override {
#ifdef GNUSTEP
        cocukSinyaliniGeriAl();
#endif
        NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
        NSDate *son = [NSDate dateWithTimeIntervalSinceNow:static_cast<double>(sure.count()) / 1000.0];
        for (NSEvent *olay = [NSApp nextEventMatchingMask:NSEventMaskAny untilDate:son inMode:NSDefaultRunLoopMode
                                                  dequeue:YES];
             olay != nil; olay = [NSApp nextEventMatchingMask:NSEventMaskAny untilDate:[NSDate distantPast]
                                                       inMode:NSDefaultRunLoopMode dequeue:YES])
            [NSApp sendEvent:olay];
        [havuz release];
    }

  private:
    OkaKaldirTemsilci *mTemsilci = [[OkaKaldirTemsilci alloc] init];
};

} // namespace

std::unique_ptr<oka::Uyarici> oka::appKitUyarici() { return std::make_unique<AppKitUyarici>(); }
