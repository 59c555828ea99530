#include "Yuzey.h"

#include <algorithm>

namespace oka::yardimci {

Baytlar mackieSysex(uint8_t urun, std::initializer_list<uint8_t> komut, Baytlar const& govde) {
    Baytlar m{0xF0, MACKIE_URETICI[0], MACKIE_URETICI[1], MACKIE_URETICI[2], urun};
    for (uint8_t k : komut)
        m.push_back(k);
    m.insert(m.end(), govde.begin(), govde.end());
    m.push_back(0xF7);
    return m;
}

Baytlar baglantiSorgusu(uint8_t urun) {
    Baytlar govde(SERI_NO.size() + MEYDAN_OKUMA.size());
    std::copy(MEYDAN_OKUMA.begin(), MEYDAN_OKUMA.end(), std::copy(SERI_NO.begin(), SERI_NO.end(), govde.begin()));
    return mackieSysex(urun, {0x01}, govde);
}

void YuzeyDurumu::guncelle(Baytlar const& m) {
    uint8_t const s = m[0];
    size_t const n = m.size();
    if (s == 0xF0 && n >= 7) {
        if (m[1] == MACKIE_URETICI[0] && m[2] == MACKIE_URETICI[1] && m[3] == MACKIE_URETICI[2]) {
            if (n > 7 && m[5] == 0x12) {
                if (!lcd)
                    lcd.emplace().fill(0x20);
                lcdUrun = m[4];
                for (size_t j = 0, o = m[6]; n > 8 && j + 9 <= n && o + j <= 111; ++j)
                    (*lcd)[o + j] = m[7 + j];
            }
        } else if (m[1] == 0x7D && m[2] == 'O' && m[3] == 'K' && m[4] == 'A') {
            okaOzel[uint16_t(m[5] << 8 | m[6])] = m;
        }
    } else if (s == 0x90 && n >= 3) {
        notalar[m[1]] = m[2];
    } else if (s == 0x80 && n >= 3) {
        notalar[m[1]] = 0;
    } else if ((s & 0xF0) == 0xB0 && n >= 3 && (m[1] == 0x4A || m[1] == 0x4B)) {
        ccler[m[1]] = m[2];
    } else if ((s & 0xF0) == 0xE0) {
        faderler[s & 0x0F] = m;
    }
}

std::vector<Baytlar> YuzeyDurumu::anlikGoruntu() const {
    std::vector<Baytlar> v;
    if (lcd)
        v.push_back(mackieSysex(lcdUrun, {0x12, 0x00}, Baytlar(lcd->begin(), lcd->end())));
    for (auto const& [anahtar, m] : okaOzel)
        v.push_back(m);
    for (auto const& [nota, hiz] : notalar)
        v.push_back({0x90, nota, hiz});
    for (auto const& [kanal, m] : faderler)
        v.push_back(m);
    for (auto const& [kontrol, deger] : ccler)
        v.push_back({0xB0, kontrol, deger});
    return v;
}

void YuzeyDurumu::temizle() {
    lcd.reset();
    notalar.clear();
    faderler.clear();
    ccler.clear();
    okaOzel.clear();
}

} // namespace oka::yardimci
