// CoreMIDI as the helper's MIDI system: each call maps to one CoreMIDI call;
// event lists are copied into plain words for the portable core.

#include "Platform.h"

#include <CoreMIDI/CoreMIDI.h>

#include <cstring>

namespace oka::yardimci {

namespace {

CFStringRef cfMetin(std::string const& s) {
    return CFStringCreateWithBytes(nullptr, reinterpret_cast<UInt8 const*>(s.data()), CFIndex(s.size()),
                                   kCFStringEncodingUTF8, false);
}

std::optional<std::string> metinOzelligi(MIDIObjectRef uc, CFStringRef ozellik) {
    CFStringRef deger = nullptr;
    if (MIDIObjectGetStringProperty(uc, ozellik, &deger) != noErr || !deger)
        return std::nullopt;
    CFIndex const boy = CFStringGetMaximumSizeForEncoding(CFStringGetLength(deger), kCFStringEncodingUTF8) + 1;
    std::string s(size_t(boy), '\0');
    bool const tamam = CFStringGetCString(deger, s.data(), boy, kCFStringEncodingUTF8);
    CFRelease(deger);
    if (!tamam)
        return std::nullopt;
    s.resize(std::strlen(s.c_str()));
    return s;
}

class CoreMidi : public MidiSistemi {
public:
    int32_t istemciOlustur(std::string const& ad, BildirimIsleyici bildirim, MidiRef& istemci) override {
        CFStringRef a = cfMetin(ad);
        OSStatus const s = MIDIClientCreateWithBlock(a, &istemci, ^(MIDINotification const* n) {
          bildirim(int(n->messageID));
        });
        CFRelease(a);
        return s;
    }

    int32_t hedefOlustur(MidiRef istemci, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) override {
        CFStringRef a = cfMetin(ad);
        OSStatus const s = MIDIDestinationCreateWithProtocol(
            istemci, a, kMIDIProtocol_1_0, &hedef, ^(MIDIEventList const* liste, void*) {
              OlayListesi l;
              MIDIEventPacket const* p = &liste->packet[0];
              for (UInt32 i = 0; i < liste->numPackets; ++i, p = MIDIEventPacketNext(p))
                  l.emplace_back(p->words, p->words + p->wordCount);
              alim(l);
            });
        CFRelease(a);
        return s;
    }

    int32_t kaynakOlustur(MidiRef istemci, std::string const& ad, MidiRef& kaynak) override {
        CFStringRef a = cfMetin(ad);
        OSStatus const s = MIDISourceCreateWithProtocol(istemci, a, kMIDIProtocol_1_0, &kaynak);
        CFRelease(a);
        return s;
    }

    int32_t ucAt(MidiRef uc) override { return MIDIEndpointDispose(uc); }
    size_t kaynakSayisi() override { return MIDIGetNumberOfSources(); }
    MidiRef kaynak(size_t sira) override { return MIDIGetSource(sira); }
    size_t hedefSayisi() override { return MIDIGetNumberOfDestinations(); }
    MidiRef hedef(size_t sira) override { return MIDIGetDestination(sira); }
    std::optional<std::string> ad(MidiRef uc) override { return metinOzelligi(uc, kMIDIPropertyName); }
    std::optional<std::string> gorunenAd(MidiRef uc) override { return metinOzelligi(uc, kMIDIPropertyDisplayName); }

    std::optional<int32_t> benzersizKimlik(MidiRef uc) override {
        SInt32 v = 0;
        if (MIDIObjectGetIntegerProperty(uc, kMIDIPropertyUniqueID, &v) != noErr)
            return std::nullopt;
        return v;
    }

    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override {
        return MIDIObjectSetIntegerProperty(uc, kMIDIPropertyUniqueID, kimlik);
    }

    // CoreMIDI queues nothing of ours, so a release needs no room kept for it.
    int32_t gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi, bool) override {
        // Room for one packet of 64 words.
        alignas(MIDIEventList) Byte tampon[276];
        auto* liste = reinterpret_cast<MIDIEventList*>(tampon);
        MIDIEventPacket* p = MIDIEventListInit(liste, kMIDIProtocol_1_0);
        p = MIDIEventListAdd(liste, sizeof tampon, p, 0, sayi, kelimeler);
        return p ? MIDIReceivedEventList(kaynak, liste) : OSStatus(kMIDIMessageSendErr);
    }
};

} // namespace

std::unique_ptr<MidiSistemi> platformMidiSistemi() {
    return std::make_unique<CoreMidi>();
}

} // namespace oka::yardimci
