// The plug-in's editor view. It draws what the panel model says and forwards
// the user's actions to it; every rule lives in the model. Manual
// retain/release, no blocks and no literals: the same file builds with
// Apple's AppKit and with GNUstep.
#pragma once

#import <AppKit/AppKit.h>

#include "AudioBirimi.h"
#include "PanelModeli.h"

#include <memory>

@interface OKABridgeVST3Gorunum : NSView <NSTextFieldDelegate> {
    // Reader, writer, record, meter and editing state. Behind a unique_ptr:
    // g++ cannot type-encode a std::function held directly in an ivar.
    std::unique_ptr<oka::PanelModeli> mModel;
    NSTimer *mZamanlayici;
    NSTextField *mAdAlani;
}
// [ana] The VST3 route: the view calls the plug-in through these two.
- (id)initWithOku:(oka::DurumOkuyucu const &)oku yaz:(oka::AdYazici const &)yaz;
// [ana] The Audio Unit route: the same two through the unit's properties.
- (id)initWithAudioUnit:(oka::AudioBirimi)au;
- (id)kur;
// [ana] After this the view never calls into the plug-in again.
- (void)kopar;
- (void)durumuOku;
- (void)zamanlayiciTikladi:(NSTimer *)zamanlayici;
- (void)adGirildi:(id)gonderen;
// [ana] One dictionary per drawn text: "metin", "x", "y", "w", "h",
// "cizilen", "hiza", "renk".
- (NSMutableArray *)metinEnvanteri;
@end
