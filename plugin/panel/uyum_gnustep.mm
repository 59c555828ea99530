#import "uyum_gnustep.h"

@implementation NSFont (OkaUyum)
+ (NSFont *)systemFontOfSize:(CGFloat)boyut weight:(NSFontWeight)agirlik {
    return agirlik >= NSFontWeightSemibold ? [NSFont boldSystemFontOfSize:boyut]
                                           : [NSFont systemFontOfSize:boyut];
}
@end

@implementation OkaYerTutuculuHucre
+ (void)load {
    // Runs before main, with no autorelease pool of the program's yet.
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    [NSTextField setCellClass:self];
    [havuz release];
}

- (void)drawInteriorWithFrame:(NSRect)cerceve inView:(NSView *)gorunum {
    [super drawInteriorWithFrame:cerceve inView:gorunum];
    NSString *yerTutucu = [self placeholderString];
    if ([[self stringValue] length] > 0 || !yerTutucu)
        return;
    NSDictionary *nitelikler =
        [NSDictionary dictionaryWithObjectsAndKeys:[self font], NSFontAttributeName,
                                                   [NSColor colorWithCalibratedWhite:1.0 alpha:0.25],
                                                   NSForegroundColorAttributeName, nil];
    [yerTutucu drawInRect:[self titleRectForBounds:cerceve] withAttributes:nitelikler];
}
@end

@implementation NSTextField (OkaUyum)
- (void)setPlaceholderString:(NSString *)yerTutucu {
    [[self cell] setPlaceholderString:yerTutucu];
}
- (NSString *)placeholderString {
    return [[self cell] placeholderString];
}
@end

@implementation NSView (OkaUyum)
- (void)setAppearance:(NSAppearance *)gorunus {
    (void)gorunus;
}
@end
