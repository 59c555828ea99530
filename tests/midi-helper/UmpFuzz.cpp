// Words from the MIDI system: every message read is well formed, SysEx stays
// within its bound, and channel messages survive the trip to words and back.

#include "cekirdek/Ump.h"

#include <cstdlib>
#include <cstring>

using namespace oka::yardimci;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* veri, size_t boyut) {
    if (boyut < 1)
        return 0;
    size_t const paketBoyu = 1 + veri[0] % 70; // the first byte cuts the words into packets
    OlayListesi liste(1);
    for (size_t i = 1; i + 4 <= boyut; i += 4) {
        if (liste.back().size() == paketBoyu)
            liste.emplace_back();
        std::memcpy(&liste.back().emplace_back(), veri + i, 4);
    }
    SysexTamponu tampon;
    Baytlar m;
    for (MidiOgesi const& o : umpMesajlari(liste)) {
        bool const bicimli = o.sysex ? o.baytlar.size() <= 6
                                     : o.baytlar.size() == 3 && o.baytlar[1] < 0x80 && o.baytlar[2] < 0x80;
        if (!bicimli || (o.sysex && tampon.ekle(o.durum, o.baytlar, m) == SysexTamponu::Sonuc::TAMAM &&
                         (m.size() > SysexTamponu::SINIR + 2 || m.front() != 0xF0 || m.back() != 0xF7)))
            std::abort();
    }
    for (Baytlar const& b : UmpBaytCevirici().cevir(liste)) {
        auto const kelimeler = baytlardanUmp(b.data(), b.size());
        bool const kanalMesaji = b[0] >= 0x80 && b[0] < 0xF0; // a word's status byte may be anything
        if (kanalMesaji && UmpBaytCevirici().cevir({kelimeler}) != std::vector<Baytlar>{b})
            std::abort();
    }
    return 0;
}
