// The AppKit view with GNUstep on an X display (Xvfb): that the host's panel
// and the Audio Unit factory build it, wire it to the plug-in and let it go.
// What it shows is the model's, tested without a display.
#import <AppKit/AppKit.h>

#include "AudioBirimi.h"
#include "OKABridgePanel.h"
#include "OKABridgeVST3.h"
#import "OKABridgeVST3Arayuz.h"
#import "OKABridgeVST3Gorunum.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

using namespace Steinberg;

// An Audio Unit for the tests: the property calls, defined here in place of
// the platform's (which fail, there being no Audio Unit), take `au` as one of these.
namespace oka {
struct AuIkizi {
    ArayuzDurumu durum{};
    std::int32_t okumaSonucu = 0;
    int okumaSayisi = 0;
    std::string yazilanAd;
    int yazmaSayisi = 0;
};
std::int32_t auOzellikOku(AudioBirimi au, std::uint32_t ozellik, void *veri, std::uint32_t boyut) {
    auto *ikiz = static_cast<AuIkizi *>(au);
    ++ikiz->okumaSayisi;
    bool const durum = ozellik == DURUM_OZELLIGI && boyut == sizeof ikiz->durum;
    return durum ? (std::memcpy(veri, &ikiz->durum, boyut), ikiz->okumaSonucu) : -1;
}
std::int32_t auOzellikYaz(AudioBirimi au, std::uint32_t ozellik, void const *veri, std::uint32_t boyut) {
    auto *ikiz = static_cast<AuIkizi *>(au);
    if (ozellik != AD_OZELLIGI)
        return -1; // a name written elsewhere is lost, and the view ignores the status
    ++ikiz->yazmaSayisi;
    ikiz->yazilanAd.assign(static_cast<char const *>(veri), strnlen(static_cast<char const *>(veri), boyut));
    return 0;
}
} // namespace oka

namespace {

// Runs `f` in its own autorelease pool, so that what it let go is gone after.
template <typename F> void havuzda(F f) {
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    f();
    [havuz release];
}

NSView *pencereIcerigi() {
    NSWindow *p = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, 420, 278)
                                              styleMask:NSBorderlessWindowMask
                                                backing:NSBackingStoreBuffered
                                                  defer:NO];
    [p setReleasedWhenClosed:NO];
    return [[p autorelease] contentView];
}

// Lets the view's timer run for a third of a second.
void bekle() { [[NSRunLoop currentRunLoop] runUntilDate:[NSDate dateWithTimeIntervalSinceNow:0.35]]; }

// Types a name into the view's field and sends its action, as Return does.
void adGir(OKABridgeVST3Gorunum *g, NSString *ad) {
    NSTextField *alan = [[g subviews] objectAtIndex:0];
    [alan setStringValue:ad];
    [alan sendAction:[alan action] to:[alan target]];
}

id envanter(OKABridgeVST3Gorunum *g, std::size_t i, NSString *anahtar) {
    return [[[g metinEnvanteri] objectAtIndex:i] objectForKey:anahtar];
}
std::string metin(OKABridgeVST3Gorunum *g, std::size_t i) { return [envanter(g, i, @"metin") UTF8String]; }

} // namespace

// What a host does with the panel, in order: asks, attaches, removes,
// attaches again, and destroys the panel while its view is up.
TEST(Panel, OneHostSessionFromTheFirstQuestionToDestruction) {
    OKABridgeVST3 *eklenti = new OKABridgeVST3;
    OKABridgePanel *panel = new OKABridgePanel(eklenti);
    auto eklentiSayaci = [&] {
        eklenti->addRef();
        return static_cast<int>(eklenti->release());
    };
    NSView *ebeveyn = [[[NSView alloc] initWithFrame:NSMakeRect(0, 0, 420, 278)] autorelease];
    [pencereIcerigi() addSubview:ebeveyn];
    // Attaches in a pool of its own and keeps the view past it.
    auto takVeTut = [&] {
        OKABridgeVST3Gorunum *g = nil;
        havuzda([&] {
            EXPECT_EQ(panel->attached(ebeveyn, kPlatformTypeNSView), kResultOk);
            if ([[ebeveyn subviews] count] == 1)
                g = [[[ebeveyn subviews] objectAtIndex:0] retain];
        });
        return g;
    };

    EXPECT_EQ(panel->isPlatformTypeSupported(kPlatformTypeNSView), kResultTrue);
    for (FIDString tur : {static_cast<FIDString>(nullptr), kPlatformTypeHWND, "nsview"})
        EXPECT_EQ(panel->isPlatformTypeSupported(tur), kResultFalse) << (tur ? tur : "null");
    ViewRect boyut;
    ASSERT_EQ(panel->getSize(&boyut), kResultOk);
    EXPECT_EQ(std::make_pair(boyut.getWidth(), boyut.getHeight()), std::make_pair(420, 278));
    EXPECT_EQ(panel->attached(nullptr, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ(panel->attached(ebeveyn, kPlatformTypeHWND), kResultFalse);
    OKABridgePanel yetim(nullptr);
    EXPECT_EQ(yetim.attached(ebeveyn, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ([[ebeveyn subviews] count], 0u);
    EXPECT_EQ(eklentiSayaci(), 2);

    eklenti->elleAdiUygula("Bass", "test");
    OKABridgeVST3Gorunum *ilk = takVeTut();
    ASSERT_NE(ilk, nil);
    EXPECT_TRUE(NSEqualSizes([ilk frame].size, NSMakeSize(420, 278)));
    // Its timer reads the plug-in into the field; the inventory takes the
    // field's text and the real font's measurements.
    bekle();
    EXPECT_EQ(metin(ilk, 6), "Bass");
    double const ilkYari = [envanter(ilk, 0, @"cizilen") doubleValue];
    EXPECT_GT(ilkYari, 8);
    EXPECT_EQ([envanter(ilk, 1, @"x") doubleValue], 16 + ilkYari);
    adGir(ilk, @"Lead Vox");
    EXPECT_EQ(eklenti->elleAdKopyasi(), "Lead Vox");

    havuzda([&] { EXPECT_EQ(panel->removed(), kResultOk); });
    EXPECT_EQ([[ebeveyn subviews] count], 0u);
    EXPECT_EQ([ilk retainCount], 1u); // its timer let it go
    OKABridgeVST3Gorunum *ikinci = takVeTut();
    EXPECT_NE(ikinci, ilk);
    [ilk release];
    [ikinci release];
    // A host that attaches again without removing gets one view, not two.
    OKABridgeVST3Gorunum *son = takVeTut();
    ASSERT_NE(son, nil);
    havuzda([&] { panel->release(); });
    EXPECT_EQ([[ebeveyn subviews] count], 0u);
    EXPECT_EQ([son retainCount], 1u);
    EXPECT_EQ(eklentiSayaci(), 1);
    [son release];
    eklenti->release();
}

TEST(AudioUnitGorunumu, PollsOnlyWhileInAWindowAndWritesTheNameThroughItsProperty) {
    oka::AuIkizi au;
    OKABridgeVST3Arayuz *fabrika = [[[OKABridgeVST3Arayuz alloc] init] autorelease];
    EXPECT_EQ([fabrika interfaceVersion], 0u);
    NSView *pencere = pencereIcerigi();
    OKABridgeVST3Gorunum *gorunum = nil;
    havuzda([&] {
        gorunum = [[fabrika uiViewForAudioUnit:&au withSize:NSMakeSize(10, 900)] retain];
        [pencere addSubview:gorunum];
    });
    EXPECT_TRUE(NSEqualSizes([gorunum frame].size, NSMakeSize(420, 278)));
    // Reads counted over a third of a second, each after `adim`.
    auto okumalar = [&](auto adim) {
        adim();
        int const once = au.okumaSayisi;
        bekle();
        return au.okumaSayisi - once;
    };
    EXPECT_GT(okumalar([] {}), 0);
    EXPECT_EQ(okumalar([&] { havuzda([&] { [gorunum removeFromSuperview]; }); }), 0);
    EXPECT_EQ([gorunum retainCount], 1u); // a closed editor is freed
    EXPECT_GT(okumalar([&] { [pencere addSubview:gorunum]; }), 0);
    EXPECT_EQ(metin(gorunum, 8), "waiting");
    EXPECT_GT(okumalar([&] { au.okumaSonucu = -10879; }), 0); // any non-zero status is a failed read
    EXPECT_EQ(metin(gorunum, 8), "status unreadable");
    adGir(gorunum, @"Snare");
    EXPECT_EQ(std::make_pair(au.yazilanAd, au.yazmaSayisi), std::make_pair(std::string("Snare"), 1));
    [gorunum removeFromSuperview];
    [gorunum release];
}

// A GUI process that meets an uncaught exception would otherwise hang.
static void yakalanmamis(NSException *istisna) {
    std::fprintf(stderr, "%s: %s\n", [[istisna name] UTF8String], [[istisna reason] UTF8String]);
    std::exit(1);
}

int main(int argc, char **argv) {
    setenv("LANGUAGE", "en", 1); // the texts below are the English ones
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    [NSApplication sharedApplication];
    NSSetUncaughtExceptionHandler(&yakalanmamis);
    ::testing::InitGoogleTest(&argc, argv);
    int const sonuc = RUN_ALL_TESTS();
    [havuz release];
    return sonuc;
}
