#include "Dil.h"

#import <Foundation/Foundation.h>

namespace oka {

std::string tercihEdilenDil() {
    NSAutoreleasePool *havuz = [[NSAutoreleasePool alloc] init];
    NSArray *diller = [NSLocale preferredLanguages];
    char const *ilk = [diller count] > 0 ? [[diller objectAtIndex:0] UTF8String] : nullptr;
    std::string dil = ilk ? ilk : "";
    [havuz release];
    return dil;
}

} // namespace oka
