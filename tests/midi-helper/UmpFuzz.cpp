// Words and event bytes from the MIDI system: every message read is well
// formed, SysEx stays within its bound, and channel messages, SysEx and
// realtime survive the trip to words and back.

#include "cekirdek/Gunluk.h"
#include "cekirdek/Ump.h"

#include <algorithm>
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
    // The system's event bytes, cut where the first byte says, become words too.
    static bool const sessiz = (gunlukAlicisiKur([](std::string const&) {}), true);
    (void)sessiz;
    BaytUmpCevirici olaylar;
    for (size_t i = 1; i < boyut; i += paketBoyu) {
        auto const k = olaylar.cevir(veri + i, std::min(paketBoyu, boyut - i));
        liste.emplace_back(k.begin(), k.end());
    }
    for (MidiOgesi const& o : umpMesajlari(liste)) {
        bool const bicimli = o.sysex ? o.baytlar.size() <= 6
                                     : (o.baytlar.size() == 3 && o.baytlar[1] < 0x80 && o.baytlar[2] < 0x80) ||
                                           (o.baytlar.size() == 1 && o.baytlar[0] >= 0xF8);
        if (!bicimli || (o.sysex && tampon.ekle(o.durum, o.baytlar, m) == SysexTamponu::Sonuc::TAMAM &&
                         (m.size() > SysexTamponu::SINIR + 2 || m.front() != 0xF0 || m.back() != 0xF7)))
            std::abort();
    }
    for (Baytlar const& b : UmpBaytCevirici().cevir(liste)) {
        // A word's status byte may be anything; channel messages, SysEx and realtime go both ways unchanged.
        bool const gidipGelir = (b[0] >= 0x80 && b[0] < 0xF0) || (b[0] == 0xF0 && b.back() == 0xF7) ||
                                (b[0] >= 0xF8 && b.size() == 1);
        if (gidipGelir && UmpBaytCevirici().cevir({BaytUmpCevirici().cevir(b.data(), b.size())}) !=
                              std::vector<Baytlar>{b})
            std::abort();
    }
    return 0;
}
