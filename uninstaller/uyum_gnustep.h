// GNUstep 0.29 lacks a few newer AppKit names the alert code uses; included
// only when building against GNUstep.
#pragma once

#import <AppKit/AppKit.h>

#define NSAlertStyleWarning NSWarningAlertStyle
#define NSAlertStyleInformational NSInformationalAlertStyle
#define NSAlertStyleCritical NSCriticalAlertStyle
#define NSEventMaskAny NSAnyEventMask

// GNUstep names the policies but NSApplication cannot switch them; every
// GNUstep application already has a regular presence.
@interface NSApplication (OkaUyum)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)policy;
@end

@implementation NSApplication (OkaUyum)
- (BOOL)setActivationPolicy:(NSApplicationActivationPolicy)policy {
    (void)policy;
    return YES;
}
@end
