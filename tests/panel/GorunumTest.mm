// The AppKit view, its IPlugView glue and the Audio Unit factory, running
// with GNUstep on an X display (Xvfb).
#import <AppKit/AppKit.h>

#include "AudioBirimi.h"
#include "OKABridgePanel.h"
#include "OKABridgeVST3.h"
#import "OKABridgeVST3Arayuz.h"
#import "OKABridgeVST3Gorunum.h"
#include "Panel.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace Steinberg;

namespace {

// Runs `f` in its own autorelease pool, so that what it let go is gone after.
template <typename F> void havuzda(F f) {
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    f();
    [havuz release];
}

NSView *icerik() {
    NSWindow *p = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, 420, 278)
                                              styleMask:NSBorderlessWindowMask
                                                backing:NSBackingStoreBuffered
                                                  defer:NO];
    [p setReleasedWhenClosed:NO];
    return [[p autorelease] contentView];
}

// The plug-in as a host holds it, its panel, and a window to attach it to.
struct PanelSahnesi {
    PanelSahnesi() { [icerik() addSubview:ebeveyn]; }
    ~PanelSahnesi() {
        if (panel)
            panel->release();
        eklenti->release();
    }
    int eklentiSayaci() {
        eklenti->addRef();
        return static_cast<int>(eklenti->release());
    }
    OKABridgeVST3Gorunum *gorunum() {
        return [[ebeveyn subviews] count] == 1 ? [[ebeveyn subviews] objectAtIndex:0] : nil;
    }
    // Attaches in a pool of its own and keeps the view past it.
    OKABridgeVST3Gorunum *takVeTut() {
        OKABridgeVST3Gorunum *g = nil;
        havuzda([&] {
            EXPECT_EQ(panel->attached(ebeveyn, kPlatformTypeNSView), kResultOk);
            g = [gorunum() retain];
        });
        return g;
    }

    NSView *ebeveyn = [[[NSView alloc] initWithFrame:NSMakeRect(0, 0, 420, 278)] autorelease];
    OKABridgeVST3 *eklenti = new OKABridgeVST3;
    OKABridgePanel *panel = new OKABridgePanel(eklenti);
};

} // namespace

// What a host does with the panel, in order: asks, attaches, removes,
// attaches again, and destroys the panel while its view is up.
TEST(Panel, OneHostSessionFromTheFirstQuestionToDestruction) {
    PanelSahnesi s;
    EXPECT_EQ(s.panel->isPlatformTypeSupported(kPlatformTypeNSView), kResultTrue);
    for (FIDString tur :
         {static_cast<FIDString>(nullptr), kPlatformTypeHWND, kPlatformTypeX11EmbedWindowID, "nsview"})
        EXPECT_EQ(s.panel->isPlatformTypeSupported(tur), kResultFalse) << (tur ? tur : "null");
    ViewRect boyut;
    ASSERT_EQ(s.panel->getSize(&boyut), kResultOk);
    EXPECT_EQ(std::make_pair(boyut.getWidth(), boyut.getHeight()), std::make_pair(420, 278));
    EXPECT_EQ(s.panel->attached(nullptr, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeHWND), kResultFalse);
    OKABridgePanel yetim(nullptr);
    EXPECT_EQ(yetim.attached(s.ebeveyn, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
    EXPECT_EQ(s.eklentiSayaci(), 2);

    OKABridgeVST3Gorunum *ilk = s.takVeTut();
    ASSERT_NE(ilk, nil);
    EXPECT_TRUE(NSEqualSizes([ilk frame].size, NSMakeSize(420, 278)));
    // The inventory's layout is the model's; here: every key carried over,
    // the field's text and frame, real measurements, the plug-in's state.
    NSArray *e = [ilk metinEnvanteri];
    auto deger = [&](std::size_t i, NSString *ad) { return [[e objectAtIndex:i] objectForKey:ad]; };
    ASSERT_EQ([e count], 13u);
    for (std::size_t i = 0; i < [e count]; ++i)
        EXPECT_GT([deger(i, @"cizilen") doubleValue], 8) << i; // the font really measured it
    EXPECT_EQ([deger(1, @"x") doubleValue], 16 + [deger(0, @"cizilen") doubleValue]);
    std::string satirlar;
    for (std::size_t i : {6, 8, 9}) {
        char satir[160];
        std::snprintf(satir, sizeof satir, "%s|%g|%g|%g|%g|%d|%s\n", [deger(i, @"metin") UTF8String],
                      [deger(i, @"x") doubleValue], [deger(i, @"y") doubleValue],
                      [deger(i, @"w") doubleValue], [deger(i, @"h") doubleValue],
                      [deger(i, @"hiza") intValue], [deger(i, @"renk") UTF8String]);
        satirlar += satir;
    }
    EXPECT_EQ(satirlar, "Using Logic's name|16|131|388|24|0|#8F949B\nwaiting|16|83|140|18|0|#F0B442\n"
                        "no format yet|156|83|248|16|1|#8F949B\n");
    [[[ilk subviews] objectAtIndex:0] setStringValue:@"Lead Vox"];
    [ilk adGirildi:nil];
    EXPECT_EQ(s.eklenti->elleAdKopyasi(), "Lead Vox");
    havuzda([&] { EXPECT_EQ(s.panel->removed(), kResultOk); });
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
    EXPECT_EQ([ilk retainCount], 1u); // its timer let it go
    OKABridgeVST3Gorunum *ikinci = s.takVeTut();
    EXPECT_NE(ikinci, ilk);
    [ilk release];
    [ikinci release];
    // A host that attaches again without removing gets one view, not two.
    OKABridgeVST3Gorunum *son = s.takVeTut();
    havuzda([&] { EXPECT_EQ([[s.ebeveyn subviews] count], 1u); }); // the list holds the view
    havuzda([&] { s.panel->release(); });
    s.panel = nullptr;
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
    EXPECT_EQ([son retainCount], 1u);
    EXPECT_EQ(s.eklentiSayaci(), 1);
    [son release];
}

TEST(AudioUnitGorunumu, PollsOnlyWhileInAWindowAndWritesTheNameThroughItsProperty) {
    oka::AuIkizi au;
    OKABridgeVST3Arayuz *fabrika = [[[OKABridgeVST3Arayuz alloc] init] autorelease];
    EXPECT_EQ([fabrika interfaceVersion], 0u);
    NSView *pencere = icerik();
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
        [[NSRunLoop currentRunLoop] runUntilDate:[NSDate dateWithTimeIntervalSinceNow:0.35]];
        return au.okumaSayisi - once;
    };
    EXPECT_GT(okumalar([] {}), 0);
    EXPECT_EQ(okumalar([&] { havuzda([&] { [gorunum removeFromSuperview]; }); }), 0);
    EXPECT_EQ([gorunum retainCount], 1u); // a closed editor is freed
    EXPECT_GT(okumalar([&] { [pencere addSubview:gorunum]; }), 0);
    auto durum = [&] {
        return std::string([[[[gorunum metinEnvanteri] objectAtIndex:8] objectForKey:@"metin"] UTF8String]);
    };
    EXPECT_EQ(durum(), "waiting");
    EXPECT_GT(okumalar([&] { au.okumaSonucu = -10879; }), 0); // any non-zero status is a failed read
    EXPECT_EQ(durum(), "status unreadable");
    [[[gorunum subviews] objectAtIndex:0] setStringValue:@"Snare"];
    [gorunum adGirildi:nil];
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
