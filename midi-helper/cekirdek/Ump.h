#pragma once
// Universal MIDI Packets of the MIDI 1.0 protocol and the MIDI 1.0 byte
// messages they carry, both ways. Pure functions over words and bytes.

#include "Cerceve.h"

#include <cstdint>
#include <vector>

namespace oka::yardimci {

using UmpPaketi = std::vector<uint32_t>;
using OlayListesi = std::vector<UmpPaketi>;

// Words of one message by its type nibble.
int umpUzunlugu(uint32_t tip);

// One channel message (3 bytes) or one SysEx piece (status 0 whole, 1 start, 2 continue, 3 end; data only).
struct MidiOgesi {
    bool sysex = false;
    uint8_t durum = 0;
    Baytlar baytlar;
    bool operator==(MidiOgesi const& o) const {
        return sysex == o.sysex && durum == o.durum && baytlar == o.baytlar;
    }
};

// [herhangi] Channel voice, system realtime and 7-bit SysEx messages of every packet; other types skipped, a
// cut-short tail dropped.
std::vector<MidiOgesi> umpMesajlari(OlayListesi const& liste);

// [herhangi] A 3-byte channel message as one type-2 word of group 0.
uint32_t kanalKelimesi(Baytlar const& m);

// [herhangi] A whole SysEx (F0 ... F7, not checked) as type-3 words, six payload bytes per two words.
std::vector<uint32_t> sysexKelimeleri(Baytlar const& m);

// [herhangi] The event lists a whole SysEx is sent in: its words, at most 64 (32 chunks) per packet.
OlayListesi sysexPaketleri(Baytlar const& m);

// MIDI 1.0 bytes as a MIDI system delivers them, one event at a time, as the words that carry them. A SysEx may
// span events and is cut into pieces as it comes; a realtime byte inside it is a message of its own. Bytes that
// make no whole message (a short channel message, data without a status, a SysEx broken off by a status byte)
// are dropped with one log line per event.
class BaytUmpCevirici {
public:
    // [alim] The words of one event's bytes.
    std::vector<uint32_t> cevir(uint8_t const* b, size_t n);

private:
    void parcaYaz(std::vector<uint32_t>& kelimeler, uint8_t durum);

    bool sysexte_ = false; // a SysEx is open, maybe since an earlier event
    bool ilkParca_ = true; // no piece of it has gone out yet
    Baytlar bekleyen_;     // at most six data bytes, held until it is known whether more follow
};

// Joins SysEx pieces up to a bound, so that a runaway SysEx cannot grow without end.
class SysexTamponu {
public:
    static constexpr size_t SINIR = 64 * 1024;
    enum class Sonuc { BEKLE, TAMAM, TASTI };
    // [q] On TAMAM, `mesaj` holds F0 + data + F7. TASTI once per dropped SysEx; its remaining pieces and
    // pieces of unknown status are ignored.
    Sonuc ekle(uint8_t durum, Baytlar const& veri, Baytlar& mesaj);

private:
    Baytlar veri_;
    bool tasti_ = false;
};

// [herhangi] The byte messages of an event list: channel messages at their true length, SysEx joined whole.
class UmpBaytCevirici {
public:
    std::vector<Baytlar> cevir(OlayListesi const& liste);

private:
    SysexTamponu sysex_;
};

} // namespace oka::yardimci
