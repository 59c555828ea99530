// Renders the real panel view for a state given on the command line and
// writes it as PNG, so the panel can be looked at without a workstation.
// Here it runs with GNUstep on an X display (Xvfb).

#import <AppKit/AppKit.h>

#import "OKABridgeVST3Gorunum.h"
#include "Panel.h"
#include "Secenekler.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// A GUI process that meets an uncaught exception would otherwise hang.
void yakalanmamis(NSException *istisna) {
    std::fprintf(stderr, "oka-panel-onizleme: %s: %s\n", [[istisna name] UTF8String],
                 [[istisna reason] UTF8String]);
    std::exit(1);
}

// The first reads (building the view, then one poll in the window) show the
// state; an unreadable status fails from then on, as a host that runs the
// plug-in in another process would.
constexpr int ILK_OKUMALAR = 2;

} // namespace

int main(int argc, char **argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(ONIZLEME_KULLANIMI, stdout);
        return 0;
    }
    std::string hata;
    std::optional<OnizlemeSecenekleri> const s =
        secenekleriOku(std::vector<std::string>(argv + 1, argv + argc), hata);
    if (!s) {
        std::fprintf(stderr, "oka-panel-onizleme: %s\n%s", hata.c_str(), ONIZLEME_KULLANIMI);
        return 2;
    }
    if (s->dil)
        setenv("LANGUAGE", s->dil->c_str(), 1); // before the panel first asks

    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    [NSApplication sharedApplication];
    // After the application exists: GNUstep installs its own handler then.
    NSSetUncaughtExceptionHandler(&yakalanmamis);

    int okumalar = 0;
    OKABridgeVST3Gorunum *gorunum = [[OKABridgeVST3Gorunum alloc] initWithOku:[&](oka::ArayuzDurumu &d) {
        d = s->kayit;
        return ++okumalar <= ILK_OKUMALAR || s->okunabilir;
    }
                                                                          yaz:oka::AdYazici()];
    NSRect const cerceve = [gorunum frame];
    NSWindow *pencere = [[NSWindow alloc] initWithContentRect:cerceve
                                                    styleMask:NSBorderlessWindowMask
                                                      backing:NSBackingStoreBuffered
                                                        defer:NO];
    [[pencere contentView] addSubview:gorunum];
    // In a window the poll fills the name field; the tick moves the meter.
    [gorunum durumuOku];
    [gorunum zamanlayiciTikladi:nil];

    // Drawn into the window's buffer, then read back from it.
    [pencere orderFront:nil];
    [pencere display];
    [gorunum lockFocus];
    NSBitmapImageRep *resim =
        [[[NSBitmapImageRep alloc] initWithFocusedViewRect:[gorunum bounds]] autorelease];
    [gorunum unlockFocus];
    NSData *png = [resim representationUsingType:NSPNGFileType properties:[NSDictionary dictionary]];
    BOOL const yazildi = png && [png writeToFile:[NSString stringWithUTF8String:s->cikti.c_str()]
                                      atomically:YES];
    if (!yazildi)
        std::fprintf(stderr, "oka-panel-onizleme: cannot write %s\n", s->cikti.c_str());

    // Every drawn text should fit its box; one that does not is cut in the picture.
    NSArray *envanter = [gorunum metinEnvanteri];
    for (NSUInteger i = 0; i < [envanter count]; ++i) {
        NSDictionary *satir = [envanter objectAtIndex:i];
        double const cizilen = [[satir objectForKey:@"cizilen"] doubleValue];
        double const genislik = [[satir objectForKey:@"w"] doubleValue];
        if (cizilen > genislik)
            std::printf("does not fit: \"%s\" %.0f > %.0f\n", [[satir objectForKey:@"metin"] UTF8String],
                        cizilen, genislik);
    }

    oka::panelKopar(gorunum);
    [pencere orderOut:nil];
    [pencere release];
    [havuz release];
    return yazildi ? 0 : 1;
}
