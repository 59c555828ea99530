// GNUstep 0.29 lacks a few newer AppKit names the panel uses, and there is no
// AudioToolbox here; included only when building against GNUstep
// (uyum_gnustep.mm fills them in).
#pragma once

#import <AppKit/AppKit.h>

// Only a regular and a bold face: anything from Semibold up draws bold.
@interface NSFont (OkaUyum)
+ (NSFont *)systemFontOfSize:(CGFloat)boyut weight:(NSFontWeight)agirlik;
@end

// The cell keeps the placeholder but GNUstep never draws it: every text
// field made in the process gets a cell that does, in the grey AppKit uses.
@interface OkaYerTutuculuHucre : NSTextFieldCell
@end

@interface NSTextField (OkaUyum)
- (void)setPlaceholderString:(NSString *)yerTutucu;
- (NSString *)placeholderString;
@end

// GNUstep views have one look; the panel draws its own dark card anyway.
@interface NSView (OkaUyum)
- (void)setAppearance:(NSAppearance *)gorunus;
@end

// The Audio Unit view-factory protocol as AudioToolbox declares it.
typedef void *AudioUnit;
@protocol AUCocoaUIBase
- (unsigned)interfaceVersion;
- (NSView *)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize;
@end
