#include "Yardimci.h"

#include "Gunluk.h"

namespace oka::yardimci {

void Yardimci::uygulamadanMidi(Baytlar const& m) {
    if (kaynak == 0 || m.size() != 3) {
        gunluk("uygulamadan REDDEDİLDİ (biçim): " + hexSinirli(m));
        return;
    }
    bool const nota = m[0] == 0x90 && izinliNota(m[1]) && m[1] != RECORD_NOTA;
    // A value is a data byte: with its top bit set it would reach the workstation cut to 7 bits,
    // 0xC0 as the refused 0x40.
    if (m[0] == 0xB0 && m[1] >= 0x10 && m[1] <= 0x17 && m[2] < 0x80 && m[2] != 0x00 && m[2] != 0x40) {
        kanalMesajiGonder(m);
    } else if (nota && m[2] == 0x7F) {
        // Held only once the workstation will see the press.
        if (kanalMesajiGonder(m))
            basili.insert(m[1]);
    } else if (nota && m[2] == 0x00) {
        if (kanalMesajiGonder(m, basili.count(m[1]) > 0))
            basili.erase(m[1]);
    } else {
        gunluk(std::string("uygulamadan REDDEDİLDİ (beyaz listede yok") +
               (m[1] == RECORD_NOTA ? " — RECORD ASLA" : "") + "): " + hex(m));
    }
}

bool Yardimci::kanalMesajiGonder(Baytlar const& m, bool birakma) {
    uint32_t const kelime = kanalKelimesi(m);
    return gonder(&kelime, 1, birakma, m);
}

void Yardimci::sysexGonder(Baytlar const& m) {
    if (kaynak == 0 || m.size() < 2)
        return;
    bool tamam = true;
    for (UmpPaketi const& paket : sysexPaketleri(m))
        tamam = gonder(paket.data(), paket.size(), false, m) && tamam;
    if (tamam)
        gunluk("→ " + hex(m));
}

bool Yardimci::gonder(uint32_t const* kelimeler, size_t sayi, bool birakma, Baytlar const& m) {
    if (midi_.gonder(kaynak, kelimeler, sayi, birakma) == 0) {
        gonderilemeyenleriYaz();
        return true;
    }
    // A full output refuses thousands in a row: the first is logged, the rest counted; a release always.
    if (birakma)
        gunluk("iş istasyonuna BIRAKMA gönderilemedi (MIDI çıkışı dolu): " + hex(m));
    else if (gonderilemeyen_ == 0)
        gunluk("iş istasyonuna gönderilemedi (MIDI çıkışı dolu): " + hexSinirli(m) + " — sonrakiler sayılıyor");
    ++gonderilemeyen_;
    return false;
}

void Yardimci::gonderilemeyenleriYaz() {
    if (gonderilemeyen_ == 0)
        return;
    gunluk("iş istasyonuna gönderilemeyen mesaj: " + std::to_string(gonderilemeyen_));
    gonderilemeyen_ = 0;
}

void Yardimci::notalariBirak(std::string const& sebep) {
    if (kaynak == 0 || basili.empty())
        return;
    Baytlar birakilan;
    for (auto it = basili.begin(); it != basili.end();) {
        if (kanalMesajiGonder({0x90, *it, 0x00}, true)) {
            birakilan.push_back(*it);
            it = basili.erase(it);
        } else {
            ++it; // still held: the next release or the ports' close tries again
        }
    }
    if (!birakilan.empty())
        gunluk("basılı kalan notalar BIRAKILDI (" + sebep + "): " + hex(birakilan));
}

} // namespace oka::yardimci
