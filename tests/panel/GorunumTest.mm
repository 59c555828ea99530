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
#include <cstring>

using namespace Steinberg;

namespace {

// Runs `f` in its own autorelease pool, so that what it let go is gone after.
template <typename F> void havuzda(F f) {
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    f();
    [havuz release];
}

void bekle(double saniye) {
    [[NSRunLoop currentRunLoop] runUntilDate:[NSDate dateWithTimeIntervalSinceNow:saniye]];
}

NSWindow *pencereAc() {
    NSWindow *p = [[NSWindow alloc] initWithContentRect:NSMakeRect(0, 0, 420, 278)
                                              styleMask:NSBorderlessWindowMask
                                                backing:NSBackingStoreBuffered
                                                  defer:NO];
    [p setReleasedWhenClosed:NO];
    return [p autorelease];
}

// The plug-in as a host holds it, plus a parent view in a window.
struct PanelSahnesi {
    PanelSahnesi() : eklenti(new OKABridgeVST3), panel(new OKABridgePanel(eklenti)) {
        [[pencere contentView] addSubview:ebeveyn];
    }
    ~PanelSahnesi() {
        if (panel)
            panel->release();
        eklenti->release();
        [ebeveyn release];
    }
    int eklentiSayaci() {
        eklenti->addRef();
        return static_cast<int>(eklenti->release());
    }
    OKABridgeVST3Gorunum *gorunum() {
        return [[ebeveyn subviews] count] == 1 ? [[ebeveyn subviews] objectAtIndex:0] : nil;
    }

    NSWindow *pencere = pencereAc();
    NSView *ebeveyn = [[NSView alloc] initWithFrame:NSMakeRect(0, 0, 420, 278)];
    OKABridgeVST3 *eklenti;
    OKABridgePanel *panel;
};

} // namespace

TEST(Panel, OnlyNSViewIsSupported) {
    OKABridgePanel panel(nullptr);
    EXPECT_EQ(panel.isPlatformTypeSupported(kPlatformTypeNSView), kResultTrue);
    for (FIDString tur :
         {static_cast<FIDString>(nullptr), kPlatformTypeHWND, kPlatformTypeX11EmbedWindowID, "nsview"})
        EXPECT_EQ(panel.isPlatformTypeSupported(tur), kResultFalse) << (tur ? tur : "null");
    ViewRect boyut;
    ASSERT_EQ(panel.getSize(&boyut), kResultOk);
    EXPECT_EQ(boyut.getWidth(), 420);
    EXPECT_EQ(boyut.getHeight(), 278);
}

TEST(Panel, RefusesWithoutParentPlatformOrPlugin) {
    PanelSahnesi s;
    EXPECT_EQ(s.panel->attached(nullptr, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeHWND), kResultFalse);
    OKABridgePanel yetim(nullptr);
    EXPECT_EQ(yetim.attached(s.ebeveyn, kPlatformTypeNSView), kResultFalse);
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
}

TEST(Panel, AttachRemoveAttachGivesAFreshViewEachTime) {
    PanelSahnesi s;
    OKABridgeVST3Gorunum *ilk = nil;
    havuzda([&] {
        ASSERT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeNSView), kResultOk);
        ilk = [s.gorunum() retain];
    });
    ASSERT_NE(ilk, nil);
    EXPECT_TRUE(NSEqualSizes([ilk frame].size, NSMakeSize(420, 278)));
    havuzda([&] { EXPECT_EQ(s.panel->removed(), kResultOk); });
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
    EXPECT_EQ([ilk retainCount], 1u); // its timer let it go
    ASSERT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeNSView), kResultOk);
    EXPECT_NE(s.gorunum(), nil);
    EXPECT_NE(s.gorunum(), ilk);
    [ilk release];
    // A host that attaches again without removing gets one view, not two.
    ASSERT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeNSView), kResultOk);
    EXPECT_EQ([[s.ebeveyn subviews] count], 1u);
}

TEST(Panel, DestroyedWhileAttachedTearsDownTheViewAndReleasesThePluginOnce) {
    PanelSahnesi s;
    EXPECT_EQ(s.eklentiSayaci(), 2);
    OKABridgeVST3Gorunum *gorunum = nil;
    havuzda([&] {
        ASSERT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeNSView), kResultOk);
        gorunum = [s.gorunum() retain];
    });
    havuzda([&] { s.panel->release(); });
    s.panel = nullptr;
    EXPECT_EQ([[s.ebeveyn subviews] count], 0u);
    EXPECT_EQ([gorunum retainCount], 1u);
    EXPECT_EQ(s.eklentiSayaci(), 1);
    [gorunum release];
}

TEST(Panel, TheViewReadsTheCoreAndAppliesATypedName) {
    PanelSahnesi s;
    ASSERT_EQ(s.panel->attached(s.ebeveyn, kPlatformTypeNSView), kResultOk);
    OKABridgeVST3Gorunum *gorunum = s.gorunum();
    NSTextField *alan = [[gorunum subviews] objectAtIndex:0];
    [alan setStringValue:@"Lead Vox"];
    [gorunum adGirildi:nil];
    EXPECT_EQ(s.eklenti->elleAdKopyasi(), "Lead Vox");
    NSArray *envanter = [gorunum metinEnvanteri];
    ASSERT_EQ([envanter count], 13u);
    EXPECT_STREQ([[[envanter objectAtIndex:4] objectForKey:@"metin"] UTF8String], "channel");
    EXPECT_STREQ([[[envanter objectAtIndex:6] objectForKey:@"metin"] UTF8String], "Lead Vox");
}

TEST(Gorunum, InventoryListsTheThirteenDrawnTextsMeasured) {
    oka::ArayuzDurumu kayit{};
    kayit.bagliMi = 1;
    kayit.ornekleme = 48000;
    kayit.kanal = 2;
    kayit.tepeDb = -3.25f;
    std::strcpy(kayit.konak, "Cubase");
    std::strcpy(kayit.logicAd, "Vocals");
    OKABridgeVST3Gorunum *g = [[OKABridgeVST3Gorunum alloc] initWithOku:[&](oka::ArayuzDurumu &d) {
        d = kayit;
        return true;
    }
                                                                    yaz:oka::AdYazici()];
    // Out of a window the field counts as being edited and keeps its start.
    NSWindow *pencere = pencereAc();
    [[pencere contentView] addSubview:g];
    [g durumuOku];
    NSArray *e = [g metinEnvanteri];
    struct {
        char const *metin;
        double x, w;
        int hiza;
        char const *renk;
    } const beklenen[] = {
        {"OKA", 16, 388, 0, "#F5A623"},
        {" Bridge", -1, 388, 0, "#22D3EE"}, // after "OKA" as measured
        {"version 1.1", 16, 388, 1, "#8F949B"},
        {"ROLE", 16, 388, 0, "#F87160"},
        {"channel", 16, 160, 0, "#F2F3F5"},
        {"CHANNEL NAME", 16, 388, 0, "#F87160"},
        {"Cubase: Vocals", 16, 388, 0, "#8F949B"},
        {"STATUS", 16, 388, 0, "#F87160"},
        {"connected", 16, 140, 0, "#22D3EE"},
        {"48000 Hz · 2 channels", 156, 248, 1, "#8F949B"},
        {"INPUT LEVEL", 16, 388, 0, "#F87160"},
        {"peak", 16, 388, 0, "#8F949B"},
        {"-3.2 dBFS", 16, 388, 1, "#8F949B"},
    };
    ASSERT_EQ([e count], std::size(beklenen));
    auto deger = [&](std::size_t i, char const *a) {
        return [[e objectAtIndex:i] objectForKey:[NSString stringWithUTF8String:a]];
    };
    for (std::size_t i = 0; i < std::size(beklenen); ++i) {
        EXPECT_STREQ([deger(i, "metin") UTF8String], beklenen[i].metin) << i;
        double const x = beklenen[i].x < 0 ? 16 + [deger(0, "cizilen") doubleValue] : beklenen[i].x;
        EXPECT_EQ([deger(i, "x") doubleValue], x) << i;
        EXPECT_EQ([deger(i, "w") doubleValue], beklenen[i].w) << i;
        EXPECT_GT([deger(i, "h") doubleValue], 0) << i;
        EXPECT_GT([deger(i, "cizilen") doubleValue], 8) << i; // the font really measured it
        EXPECT_EQ([deger(i, "hiza") intValue], beklenen[i].hiza) << i;
        EXPECT_STREQ([deger(i, "renk") UTF8String], beklenen[i].renk) << i;
    }
    oka::panelKopar(g);
}

TEST(AudioUnitGorunumu, PollsOnlyWhileInAWindow) {
    oka::AuIkizi au;
    OKABridgeVST3Arayuz *fabrika = [[[OKABridgeVST3Arayuz alloc] init] autorelease];
    EXPECT_EQ([fabrika interfaceVersion], 0u);
    NSWindow *pencere = pencereAc();
    NSView *gorunum = nil;
    havuzda([&] {
        gorunum = [[fabrika uiViewForAudioUnit:&au withSize:NSMakeSize(10, 900)] retain];
        [[pencere contentView] addSubview:gorunum];
    });
    EXPECT_TRUE(NSEqualSizes([gorunum frame].size, NSMakeSize(420, 278)));
    int const once = au.okumaSayisi;
    bekle(0.35);
    EXPECT_GT(au.okumaSayisi, once);

    havuzda([&] { [gorunum removeFromSuperview]; });
    EXPECT_EQ([gorunum retainCount], 1u); // a closed editor is freed
    int const kapali = au.okumaSayisi;
    bekle(0.35);
    EXPECT_EQ(au.okumaSayisi, kapali);

    [[pencere contentView] addSubview:gorunum];
    bekle(0.35);
    EXPECT_GT(au.okumaSayisi, kapali);
    [gorunum removeFromSuperview];
    [gorunum release];
}

namespace {
// A GUI process that meets an uncaught exception would otherwise hang.
void yakalanmamis(NSException *istisna) {
    std::fprintf(stderr, "%s: %s\n", [[istisna name] UTF8String], [[istisna reason] UTF8String]);
    std::exit(1);
}
} // namespace

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
