#import "OKABridgeVST3Arayuz.h"

#import "OKABridgeVST3Gorunum.h"

@implementation OKABridgeVST3Arayuz

- (unsigned)interfaceVersion {
    return 0;
}

- (NSView *)uiViewForAudioUnit:(AudioUnit)inAudioUnit withSize:(NSSize)inPreferredSize {
    (void)inPreferredSize;
    return [[[OKABridgeVST3Gorunum alloc] initWithAudioUnit:inAudioUnit] autorelease];
}

@end
