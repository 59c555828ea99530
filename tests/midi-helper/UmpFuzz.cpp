// Words from the MIDI system: every message read is well formed, SysEx stays
// within its bound, and byte messages survive the trip to words and back.

#include "cekirdek/Ump.h"

#include <cstdlib>
#include <cstring>

using namespace oka::yardimci;

extern "C" int LLVMFuzzerTestOneInput(uint8_t const* veri, size_t boyut) {
    // The first byte cuts the words into packets.
    if (boyut < 1)
        return 0;
    size_t const paketBoyu = 1 + veri[0] % 70;
    OlayListesi liste(1);
    for (size_t i = 1; i + 4 <= boyut; i += 4) {
        uint32_t w;
        std::memcpy(&w, veri + i, 4);
        if (liste.back().size() == paketBoyu)
            liste.emplace_back();
        liste.back().push_back(w);
    }
    SysexTamponu tampon;
    for (MidiOgesi const& o : umpMesajlari(liste)) {
        if (!o.sysex && (o.baytlar.size() != 3 || o.baytlar[1] > 0x7F || o.baytlar[2] > 0x7F))
            std::abort();
        if (o.sysex && o.baytlar.size() > 6)
            std::abort();
        Baytlar m;
        if (o.sysex && tampon.ekle(o.durum, o.baytlar, m) == SysexTamponu::Sonuc::TAMAM &&
            (m.size() > SysexTamponu::SINIR + 2 || m.front() != 0xF0 || m.back() != 0xF7))
            std::abort();
    }
    UmpBaytCevirici cevirici;
    for (Baytlar const& m : cevirici.cevir(liste)) {
        auto const kelimeler = baytlardanUmp(m.data(), m.size());
        UmpBaytCevirici geri;
        bool const kanalMesaji = m[0] >= 0x80 && m[0] < 0xF0; // a word's status byte may be anything
        if (kanalMesaji && geri.cevir({kelimeler}) != std::vector<Baytlar>{m})
            std::abort();
    }
    return 0;
}
