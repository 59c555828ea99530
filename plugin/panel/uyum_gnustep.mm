#import "uyum_gnustep.h"

@implementation NSFont (OkaUyum)
+ (NSFont*)systemFontOfSize:(CGFloat)boyut weight:(NSFontWeight)agirlik {
    return agirlik >= NSFontWeightSemibold ? [NSFont boldSystemFontOfSize:boyut] : [NSFont systemFontOfSize:boyut];
}
@end

@implementation NSTextField (OkaUyum)
- (void)setPlaceholderString:(NSString*)yerTutucu {
    [[self cell] setPlaceholderString:yerTutucu];
}
- (NSString*)placeholderString {
    return [[self cell] placeholderString];
}
@end

@implementation NSView (OkaUyum)
- (void)setAppearance:(NSAppearance*)gorunus {
    (void)gorunus;
}
@end
