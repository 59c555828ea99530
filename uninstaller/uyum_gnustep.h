// GNUstep 0.29 lacks a few newer AppKit names the alert code uses; included
// only when building against GNUstep.
#pragma once

#import <AppKit/AppKit.h>

#include <csignal>

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

// GNUstep's task handling answers SIGCHLD by reaping every child of the
// process (waitpid(-1)), which takes the removal script's exit status away
// from the script runner. The app starts no task of its own, so the default
// disposition comes back whenever events are handled.
inline void cocukSinyaliniGeriAl() { std::signal(SIGCHLD, SIG_DFL); }
