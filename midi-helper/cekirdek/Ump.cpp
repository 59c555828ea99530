#include "Ump.h"

#include "Gunluk.h"

#include <algorithm>

namespace oka::yardimci {

int umpUzunlugu(uint32_t tip) {
    static constexpr int UZUNLUK[16] = {1, 1, 1, 2, 2, 4, 1, 1, 2, 2, 2, 3, 3, 4, 4, 4};
    return tip < 16 ? UZUNLUK[tip] : 4;
}

std::vector<MidiOgesi> umpMesajlari(OlayListesi const& liste) {
    std::vector<MidiOgesi> ogeler;
    for (UmpPaketi const& w : liste) {
        size_t const n = w.size();
        size_t i = 0;
        while (i < n) {
            uint32_t const t = w[i] >> 28;
            size_t const k = size_t(umpUzunlugu(t));
            if (i + k > n)
                break;
            if (t == 1 && (w[i] >> 16 & 0xFF) >= 0xF8) {
                ogeler.push_back({false, 0, {uint8_t(w[i] >> 16)}});
            } else if (t == 2) {
                ogeler.push_back({false, 0,
                                  {uint8_t(w[i] >> 16), uint8_t((w[i] >> 8) & 0x7F), uint8_t(w[i] & 0x7F)}});
            } else if (t == 3) {
                uint8_t const s = (w[i] >> 20) & 0xF;
                size_t const b = std::min<size_t>((w[i] >> 16) & 0xF, 6);
                uint8_t const alti[6] = {uint8_t(w[i] >> 8), uint8_t(w[i]), uint8_t(w[i + 1] >> 24),
                                         uint8_t(w[i + 1] >> 16), uint8_t(w[i + 1] >> 8), uint8_t(w[i + 1])};
                MidiOgesi o{true, s, {}};
                for (size_t j = 0; j < b; ++j)
                    o.baytlar.push_back(alti[j] & 0x7F);
                ogeler.push_back(std::move(o));
            }
            i += k;
        }
    }
    return ogeler;
}

uint32_t kanalKelimesi(Baytlar const& m) {
    return 0x20000000u | uint32_t(m[0]) << 16 | uint32_t(m[1] & 0x7F) << 8 | uint32_t(m[2] & 0x7F);
}

std::vector<uint32_t> sysexKelimeleri(Baytlar const& m) {
    std::vector<uint32_t> kelimeler;
    size_t const bas = 1, son = m.size() >= 2 ? m.size() - 1 : 1;
    size_t const yuk = son > bas ? son - bas : 0;
    size_t const parcaSayisi = yuk == 0 ? 1 : (yuk + 5) / 6;
    for (size_t j = 0; j < parcaSayisi; ++j) {
        uint32_t const durum = parcaSayisi == 1 ? 0 : j == 0 ? 1 : j + 1 == parcaSayisi ? 3 : 2;
        size_t const ilk = bas + 6 * j;
        size_t const uzunluk = std::min<size_t>(6, son - std::min(son, ilk));
        uint8_t b[6] = {};
        for (size_t x = 0; x < uzunluk; ++x)
            b[x] = m[ilk + x] & 0x7F;
        kelimeler.push_back(0x30000000u | durum << 20 | uint32_t(uzunluk) << 16 | uint32_t(b[0]) << 8 | b[1]);
        kelimeler.push_back(uint32_t(b[2]) << 24 | uint32_t(b[3]) << 16 | uint32_t(b[4]) << 8 | b[5]);
    }
    return kelimeler;
}

OlayListesi sysexPaketleri(Baytlar const& m) {
    constexpr size_t PAKET_KELIMESI = 64;
    std::vector<uint32_t> const kelimeler = sysexKelimeleri(m);
    OlayListesi paketler;
    for (size_t i = 0; i < kelimeler.size(); i += PAKET_KELIMESI)
        paketler.emplace_back(kelimeler.begin() + long(i),
                              kelimeler.begin() + long(std::min(kelimeler.size(), i + PAKET_KELIMESI)));
    return paketler;
}

void BaytUmpCevirici::parcaYaz(std::vector<uint32_t>& kelimeler, uint8_t durum) {
    uint8_t b[6] = {};
    std::copy(bekleyen_.begin(), bekleyen_.end(), b);
    kelimeler.push_back(0x30000000u | uint32_t(durum) << 20 | uint32_t(bekleyen_.size()) << 16 | uint32_t(b[0]) << 8 |
                        b[1]);
    kelimeler.push_back(uint32_t(b[2]) << 24 | uint32_t(b[3]) << 16 | uint32_t(b[4]) << 8 | b[5]);
    bekleyen_.clear();
    ilkParca_ = false;
}

std::vector<uint32_t> BaytUmpCevirici::cevir(uint8_t const* b, size_t n) {
    std::vector<uint32_t> kelimeler;
    bool eksik = false;
    for (size_t i = 0; i < n;) {
        uint8_t const s = b[i];
        if (s >= 0xF8) { // realtime may come between any two bytes
            kelimeler.push_back(0x10000000u | uint32_t(s) << 16);
            ++i;
        } else if (sysexte_ && s < 0x80) {
            if (bekleyen_.size() == 6)
                parcaYaz(kelimeler, ilkParca_ ? 1 : 2);
            bekleyen_.push_back(s);
            ++i;
        } else if (sysexte_ && s == 0xF7) {
            parcaYaz(kelimeler, ilkParca_ ? 0 : 3);
            sysexte_ = false;
            ++i;
        } else if (sysexte_) {
            // Broken off by a status byte: what went out stays unfinished, so the next SysEx starts clean.
            eksik = true;
            sysexte_ = false;
        } else if (s == 0xF0) {
            sysexte_ = true;
            ilkParca_ = true;
            bekleyen_.clear();
            ++i;
        } else {
            size_t uzunluk = 1;
            if (s >= 0x80 && s < 0xF0)
                uzunluk = (s & 0xF0) == 0xC0 || (s & 0xF0) == 0xD0 ? 2 : 3;
            else if (s == 0xF1 || s == 0xF3)
                uzunluk = 2;
            else if (s == 0xF2)
                uzunluk = 3;
            bool butun = s >= 0x80 && s != 0xF7 && i + uzunluk <= n;
            for (size_t j = 1; butun && j < uzunluk; ++j)
                butun = b[i + j] < 0x80;
            if (!butun) {
                eksik = true;
                ++i;
                continue;
            }
            uint32_t const v1 = uzunluk > 1 ? b[i + 1] : 0, v2 = uzunluk > 2 ? b[i + 2] : 0;
            uint32_t const tip = s < 0xF0 ? 0x20000000u : 0x10000000u;
            kelimeler.push_back(tip | uint32_t(s) << 16 | v1 << 8 | v2);
            i += uzunluk;
        }
    }
    if (eksik)
        gunluk("iş istasyonundan eksik MIDI mesajı atıldı: " + hexSinirli(Baytlar(b, b + n)));
    return kelimeler;
}

SysexTamponu::Sonuc SysexTamponu::ekle(uint8_t durum, Baytlar const& veri, Baytlar& mesaj) {
    if (durum > 3)
        return Sonuc::BEKLE;
    if (durum == 0 || durum == 1) {
        tasti_ = false;
        veri_.clear();
    }
    if (tasti_) {
        if (durum == 3)
            tasti_ = false;
        return Sonuc::BEKLE;
    }
    if (veri_.size() + veri.size() > SINIR) {
        veri_.clear();
        veri_.shrink_to_fit();
        tasti_ = durum != 0 && durum != 3;
        return Sonuc::TASTI;
    }
    veri_.insert(veri_.end(), veri.begin(), veri.end());
    if (durum == 1 || durum == 2)
        return Sonuc::BEKLE;
    mesaj.clear();
    mesaj.reserve(veri_.size() + 2);
    mesaj.push_back(0xF0);
    mesaj.insert(mesaj.end(), veri_.begin(), veri_.end());
    mesaj.push_back(0xF7);
    veri_.clear();
    return Sonuc::TAMAM;
}

std::vector<Baytlar> UmpBaytCevirici::cevir(OlayListesi const& liste) {
    std::vector<Baytlar> mesajlar;
    for (MidiOgesi const& o : umpMesajlari(liste)) {
        if (!o.sysex) {
            Baytlar m = o.baytlar;
            uint8_t const tur = m[0] & 0xF0;
            if (tur == 0xC0 || tur == 0xD0)
                m.pop_back();
            mesajlar.push_back(std::move(m));
            continue;
        }
        Baytlar m;
        if (sysex_.ekle(o.durum, o.baytlar, m) == SysexTamponu::Sonuc::TAMAM)
            mesajlar.push_back(std::move(m));
    }
    return mesajlar;
}

} // namespace oka::yardimci
