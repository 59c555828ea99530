// The Audio Unit route's view factory: the host asks it for the editor view
// around its AudioUnit handle.
#pragma once

#import <AppKit/AppKit.h>
#ifdef GNUSTEP
#include "uyum_gnustep.h"
#else
#import <AudioToolbox/AUCocoaUIView.h>
#endif

@interface OKABridgeVST3Arayuz : NSObject <AUCocoaUIBase>
- (unsigned)interfaceVersion;
// [ana] A new 420 x 278 view, autoreleased; the preferred size is ignored.
- (NSView *)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize;
@end
