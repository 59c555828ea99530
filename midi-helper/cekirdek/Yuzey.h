#pragma once
// The control surface as the workstation last drew it, replayed to an app
// that connects late, and the control-surface SysEx the helper builds.

#include "Ayarlar.h"
#include "Cerceve.h"

#include <array>
#include <initializer_list>
#include <map>
#include <optional>

namespace oka::yardimci {

// [herhangi] F0, the maker's header, product `urun`, `komut`, `govde`, F7.
Baytlar mackieSysex(uint8_t urun, std::initializer_list<uint8_t> komut, Baytlar const& govde = {});
// [herhangi] The host connection query: serial number and challenge.
Baytlar baglantiSorgusu(uint8_t urun);

class YuzeyDurumu {
public:
    // [q] Takes in one whole message from the workstation.
    void guncelle(Baytlar const& m);
    // [q] Display, OKA SysEx, notes, faders, controllers; each group by key ascending.
    std::vector<Baytlar> anlikGoruntu() const;
    // [q] When the ports close.
    void temizle();

private:
    std::optional<std::array<uint8_t, 112>> lcd;
    uint8_t lcdUrun = ANA_KIMLIK;
    std::map<uint8_t, uint8_t> notalar;
    std::map<uint8_t, Baytlar> faderler;
    std::map<uint8_t, uint8_t> ccler;
    std::map<uint16_t, Baytlar> okaOzel; // by the two bytes after the header
};

} // namespace oka::yardimci
