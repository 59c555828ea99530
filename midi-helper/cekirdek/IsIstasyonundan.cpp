#include "Yardimci.h"

#include "Gunluk.h"

namespace oka::yardimci {

void Yardimci::olayListesiIsle(asio::io_context& q, std::weak_ptr<Yardimci> zayif, OlayListesi const& liste) {
    auto ogeler = umpMesajlari(liste);
    if (ogeler.empty())
        return;
    auto y = zayif.lock();
    if (!y || !y->gelenEkle(std::move(ogeler)))
        return;
    asio::post(q, [zayif] {
        if (auto y2 = zayif.lock())
            y2->gelenleriIsle();
    });
}

bool Yardimci::gelenEkle(std::vector<MidiOgesi> ogeler) {
    std::lock_guard<std::mutex> k(gelenKilidi_);
    for (MidiOgesi& o : ogeler) {
        bool const sysexSonu = o.sysex && (o.durum == 2 || o.durum == 3);
        if (o.sysex && !sysexSonu)
            sysexKesik_ = false;
        bool const yer = gelen_.size() < bekleyenSiniri_;
        if (yer && !(sysexSonu && sysexKesik_)) {
            gelen_.push_back(std::move(o));
            continue;
        }
        // A SysEx that lost a piece must not be joined from the rest of it.
        if (o.sysex)
            sysexKesik_ = o.durum == 1 || o.durum == 2;
        ++gelenAtilan_;
    }
    if (gelenBekliyor_ || gelen_.empty())
        return false;
    gelenBekliyor_ = true;
    return true;
}

void Yardimci::gelenleriIsle() {
    std::vector<MidiOgesi> ogeler;
    uint64_t atilan;
    {
        std::lock_guard<std::mutex> k(gelenKilidi_);
        ogeler.swap(gelen_);
        atilan = std::exchange(gelenAtilan_, 0);
        gelenBekliyor_ = false;
    }
    if (atilan)
        gunluk("iş istasyonundan " + std::to_string(atilan) + " mesaj atıldı — yardımcı geride kaldı");
    ogeleriIsle(ogeler);
}

void Yardimci::ogeleriIsle(std::vector<MidiOgesi> const& ogeler) {
    for (MidiOgesi const& o : ogeler) {
        if (!o.sysex) {
            dawMesaji(o.baytlar);
            continue;
        }
        Baytlar m;
        switch (sysexTampon.ekle(o.durum, o.baytlar, m)) {
        case SysexTamponu::Sonuc::TAMAM:
            dawMesaji(m);
            break;
        case SysexTamponu::Sonuc::TASTI:
            gunluk("iş istasyonundan SysEx 64 KiB sınırını aştı — atıldı");
            break;
        case SysexTamponu::Sonuc::BEKLE:
            break;
        }
    }
}

void Yardimci::dawMesaji(Baytlar const& m) {
    if (m[0] == 0xF0 && m.size() >= 7 && m[1] == MACKIE_URETICI[0] && m[2] == MACKIE_URETICI[1] &&
        m[3] == MACKIE_URETICI[2])
        elSikisma(m);
    yuzey.guncelle(m);
    if (!baglanti)
        return;
    if (auto c = cerceve(1, m))
        uygulamayaGonder(std::move(*c));
    else
        cerceveSigmadi(m.size());
}

void Yardimci::elSikisma(Baytlar const& m) {
    uint8_t const p = m[4], k = m[5];
    if (k != 0x00 && k != 0x02 && k != 0x13)
        return;
    gunluk("el sıkışma ← " + hex(m) + (p == ANA_KIMLIK ? "" : " — yanıtlanmadı (ürün ≠ 14)"));
    if (p != ANA_KIMLIK)
        return;
    if (k == 0x00)
        sysexGonder(baglantiSorgusu(p));
    else if (k == 0x02)
        sysexGonder(mackieSysex(p, {0x03}, Baytlar(SERI_NO.begin(), SERI_NO.end())));
    else
        sysexGonder(mackieSysex(p, {0x14, 'V', '1', '.', '0', '0'}));
}

} // namespace oka::yardimci
