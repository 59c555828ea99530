// Stand-in for Apple's CoreMIDI header, which the public SDK subset lacks: only what the helper uses.
//
// Written from Apple's CoreMIDI documentation (names, signatures, values and
// availability as documented); used by the cross build alone, never on a Mac.
// The cross build links each declared function and constant against a stub
// it generates, so a declaration added here is all a new call needs. One
// section per part of the API, in the order of Apple's own headers.
#ifndef OKA_CAPRAZ_COREMIDI_H
#define OKA_CAPRAZ_COREMIDI_H

#include <CoreFoundation/CoreFoundation.h>
#include <os/availability.h>

CF_EXTERN_C_BEGIN
CF_ASSUME_NONNULL_BEGIN

// ---- Errors ----
CF_ENUM(OSStatus){
    kMIDIInvalidClient = -10830,     kMIDIInvalidPort = -10831,     kMIDIWrongEndpointType = -10832,
    kMIDINoConnection = -10833,      kMIDIUnknownEndpoint = -10834, kMIDIUnknownProperty = -10835,
    kMIDIWrongPropertyType = -10836, kMIDINoCurrentSetup = -10837,  kMIDIMessageSendErr = -10838,
    kMIDIServerStartErr = -10839,    kMIDISetupFormatErr = -10840,  kMIDIWrongThread = -10841,
    kMIDIObjectNotFound = -10842,    kMIDIIDNotUnique = -10843,     kMIDINotPermitted = -10844,
};

// ---- Objects ----
typedef UInt32 MIDIObjectRef;
typedef MIDIObjectRef MIDIClientRef;
typedef MIDIObjectRef MIDIEndpointRef;
typedef UInt64 MIDITimeStamp;

// ---- Protocols and event lists (Universal MIDI Packets) ----
typedef CF_ENUM(SInt32, MIDIProtocolID) {
    kMIDIProtocol_1_0 = 1,
    kMIDIProtocol_2_0 = 2,
};

#pragma pack(push, 4)
struct MIDIEventPacket {
    MIDITimeStamp timeStamp;
    UInt32 wordCount;
    UInt32 words[64];
};
typedef struct MIDIEventPacket MIDIEventPacket;

struct MIDIEventList {
    MIDIProtocolID protocol;
    UInt32 numPackets;
    MIDIEventPacket packet[1];
};
typedef struct MIDIEventList MIDIEventList;
#pragma pack(pop)

typedef void (^MIDIReceiveBlock)(const MIDIEventList *evtlist, void *__nullable srcConnRefCon);

// ---- Notifications ----
typedef CF_ENUM(SInt32, MIDINotificationMessageID) {
    kMIDIMsgSetupChanged = 1,
    kMIDIMsgObjectAdded = 2,
    kMIDIMsgObjectRemoved = 3,
    kMIDIMsgPropertyChanged = 4,
    kMIDIMsgThruConnectionsChanged = 5,
    kMIDIMsgSerialPortOwnerChanged = 6,
    kMIDIMsgIOError = 7,
    kMIDIMsgInternalStart = 0x1000,
};

struct MIDINotification {
    MIDINotificationMessageID messageID;
    UInt32 messageSize;
};
typedef struct MIDINotification MIDINotification;

typedef void (^MIDINotifyBlock)(const MIDINotification *message);

// ---- Properties ----
extern const CFStringRef kMIDIPropertyName API_AVAILABLE(macos(10.0), ios(4.2));
extern const CFStringRef kMIDIPropertyUniqueID API_AVAILABLE(macos(10.0), ios(4.2));
extern const CFStringRef kMIDIPropertyDisplayName API_AVAILABLE(macos(10.4), ios(4.2));

// ---- Clients ----
extern OSStatus MIDIClientCreateWithBlock(CFStringRef name, MIDIClientRef *outClient,
                                          MIDINotifyBlock __nullable notifyBlock)
    API_AVAILABLE(macos(10.11), ios(9.0));

// ---- Sources and destinations ----
extern ItemCount MIDIGetNumberOfSources(void) API_AVAILABLE(macos(10.0), ios(4.2));
extern MIDIEndpointRef MIDIGetSource(ItemCount sourceIndex0) API_AVAILABLE(macos(10.0), ios(4.2));
extern ItemCount MIDIGetNumberOfDestinations(void) API_AVAILABLE(macos(10.0), ios(4.2));
extern MIDIEndpointRef MIDIGetDestination(ItemCount destIndex0) API_AVAILABLE(macos(10.0), ios(4.2));

extern OSStatus MIDIDestinationCreateWithProtocol(MIDIClientRef client, CFStringRef name,
                                                  MIDIProtocolID protocol, MIDIEndpointRef *outDest,
                                                  MIDIReceiveBlock readBlock)
    API_AVAILABLE(macos(11.0), ios(14.0));
extern OSStatus MIDISourceCreateWithProtocol(MIDIClientRef client, CFStringRef name, MIDIProtocolID protocol,
                                             MIDIEndpointRef *outSrc) API_AVAILABLE(macos(11.0), ios(14.0));
extern OSStatus MIDIEndpointDispose(MIDIEndpointRef endpt) API_AVAILABLE(macos(10.0), ios(4.2));

// ---- Object properties ----
extern OSStatus MIDIObjectGetIntegerProperty(MIDIObjectRef obj, CFStringRef propertyID, SInt32 *outValue)
    API_AVAILABLE(macos(10.0), ios(4.2));
extern OSStatus MIDIObjectSetIntegerProperty(MIDIObjectRef obj, CFStringRef propertyID, SInt32 value)
    API_AVAILABLE(macos(10.0), ios(4.2));
extern OSStatus MIDIObjectGetStringProperty(MIDIObjectRef obj, CFStringRef propertyID,
                                            CFStringRef __nullable *__nonnull str)
    API_AVAILABLE(macos(10.0), ios(4.2));

// ---- Building and sending event lists ----
extern MIDIEventPacket *MIDIEventListInit(MIDIEventList *evtlist, MIDIProtocolID protocol)
    API_AVAILABLE(macos(11.0), ios(14.0));
extern MIDIEventPacket *__nullable MIDIEventListAdd(MIDIEventList *evtlist, ByteCount listSize,
                                                    MIDIEventPacket *curPacket, MIDITimeStamp time,
                                                    ByteCount wordCount, const UInt32 *words)
    API_AVAILABLE(macos(11.0), ios(14.0));
extern OSStatus MIDIReceivedEventList(MIDIEndpointRef src, const MIDIEventList *evtlist)
    API_AVAILABLE(macos(11.0), ios(14.0));

// Packets follow each other without padding: words are 32-bit and the list is packed to 4 bytes.
CF_INLINE MIDIEventPacket *MIDIEventPacketNext(const MIDIEventPacket *pkt) {
    return (MIDIEventPacket *)&pkt->words[pkt->wordCount];
}

CF_ASSUME_NONNULL_END
CF_EXTERN_C_END

#endif
