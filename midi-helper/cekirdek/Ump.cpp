#include "Ump.h"

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
            if (t == 2) {
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

std::vector<uint32_t> baytlardanUmp(uint8_t const* b, size_t n) {
    if (n == 0 || b[0] < 0x80)
        return {};
    uint8_t const s = b[0];
    auto veri = [&](size_t i) -> uint32_t { return i < n ? b[i] & 0x7F : 0; };
    if (s == 0xF0) {
        Baytlar m(b, b + n);
        if (m.back() != 0xF7)
            m.push_back(0xF7);
        return sysexKelimeleri(m);
    }
    if (s < 0xF0) {
        bool const tekVeri = (s & 0xF0) == 0xC0 || (s & 0xF0) == 0xD0;
        return {0x20000000u | uint32_t(s) << 16 | veri(1) << 8 | (tekVeri ? 0 : veri(2))};
    }
    if (s == 0xF7)
        return {};
    return {0x10000000u | uint32_t(s) << 16 | veri(1) << 8 | veri(2)};
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
