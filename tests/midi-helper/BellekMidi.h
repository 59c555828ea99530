#pragma once
// An in-memory MIDI system for the helper's tests: other processes'
// endpoints, notifications and workstation traffic from other threads,
// refusals on demand, and a record of what the helper does to it.

#include "cekirdek/MidiSistemi.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class BellekMidi : public oka::yardimci::MidiSistemi {
public:
    using MidiRef = oka::yardimci::MidiRef;

    // [herhangi] Test controls. `bildir` raises "object added/removed" from another thread.
    MidiRef yabanciEkle(bool kaynakMi, std::optional<std::string> ad, std::optional<std::string> gorunenAd,
                        bool bildir = true);
    void yabanciKaldir(MidiRef uc, bool bildir = true);
    void bildirimGonder(int kimlik);
    // Workstation traffic to the helper's destination, delivered from another thread.
    void teslimEt(oka::yardimci::OlayListesi const& liste);
    void hataAyarla(int32_t hedefHatasi, int32_t kaynakHatasi);
    void kimlikleriReddet(bool reddet);
    // Runs once when the helper creates its source (an opening race).
    void kaynakOlusunca(std::function<void()> f);

    // What the helper did, in order: "gonder <message bytes in hex>" (as a reader of the source gets
    // them), "at hedef", "at kaynak".
    std::vector<std::string> kayit() const;
    void kayitTemizle();
    bool acik() const; // both helper ports exist
    int32_t kimlik(MidiRef uc) const;

    int32_t istemciOlustur(std::string const& ad, BildirimIsleyici bildirim, MidiRef& istemci) override;
    int32_t hedefOlustur(MidiRef, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) override;
    int32_t kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) override;
    int32_t ucAt(MidiRef uc) override;
    size_t kaynakSayisi() override;
    MidiRef kaynak(size_t sira) override;
    size_t hedefSayisi() override;
    MidiRef hedef(size_t sira) override;
    std::optional<std::string> ad(MidiRef uc) override;
    std::optional<std::string> gorunenAd(MidiRef uc) override;
    std::optional<int32_t> benzersizKimlik(MidiRef uc) override;
    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override;
    int32_t gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi) override;

    int32_t istemciHatasi = 0; // set before the helper starts

private:
    struct Uc {
        bool kaynakMi;
        std::optional<std::string> ad, gorunenAd;
        int32_t kimlik;
    };
    std::vector<MidiRef> uclar(bool kaynakMi) const;
    MidiRef ekle(Uc uc);

    mutable std::mutex kilit_;
    std::map<MidiRef, Uc> uclar_;
    MidiRef sonRef_ = 100;
    int32_t sonKimlik_ = 5000;
    BildirimIsleyici bildirim_;
    AlimIsleyici alim_;
    MidiRef hedef_ = 0, kaynak_ = 0;
    int32_t hedefHatasi_ = 0, kaynakHatasi_ = 0;
    bool kimlikReddi_ = false;
    std::function<void()> kaynakOlusunca_;
    std::vector<std::string> kayit_;
    oka::yardimci::UmpBaytCevirici cevirici_;
};
