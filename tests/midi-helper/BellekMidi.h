#pragma once
// An in-memory MIDI system for the helper's tests: other processes'
// endpoints, notifications and workstation traffic from other threads,
// refusals on demand, and a record of what the helper does to it.

#include "cekirdek/MidiSistemi.h"

#include <map>
#include <mutex>
#include <thread>
#include <vector>

class BellekMidi : public oka::yardimci::MidiSistemi {
public:
    using MidiRef = oka::yardimci::MidiRef;
    using Kilit = std::lock_guard<std::mutex>;

    // ---- Test controls [herhangi] ----
    MidiRef yabanciEkle(bool kaynakMi, std::optional<std::string> ad, std::optional<std::string> gorunenAd,
                        bool bildir = true) {
        MidiRef const uc = ekle({kaynakMi, std::move(ad), std::move(gorunenAd), 0});
        if (bildir)
            bildirimGonder(oka::yardimci::BILDIRIM_NESNE_EKLENDI);
        return uc;
    }
    void yabanciKaldir(MidiRef uc) {
        Kilit{kilit_}, uclar_.erase(uc);
        bildirimGonder(oka::yardimci::BILDIRIM_NESNE_KALDIRILDI);
    }
    // Raised from another thread, as the system does.
    void bildirimGonder(int kimlik) {
        std::thread([b = kopya(bildirim_), kimlik] { b(kimlik); }).join();
    }
    // Workstation traffic to the helper's destination, delivered from another thread.
    void teslimEt(oka::yardimci::OlayListesi const& liste) {
        if (auto a = kopya(alim_))
            std::thread([&] { a(liste); }).join();
    }
    void hataAyarla(int32_t hedefHatasi, int32_t kaynakHatasi) {
        Kilit k(kilit_);
        hedefHatasi_ = hedefHatasi;
        kaynakHatasi_ = kaynakHatasi;
    }
    void kimlikleriReddet(bool reddet) { Kilit{kilit_}, kimlikReddi_ = reddet; }
    // Runs once when the helper creates its source (an opening race).
    void kaynakOlusunca(std::function<void()> f) { Kilit{kilit_}, kaynakOlusunca_ = std::move(f); }
    // What the helper did, in order: "gonder <message bytes in hex>" (as a reader of the source gets
    // them), "at hedef", "at kaynak".
    std::vector<std::string> kayit() const { return kopya(kayit_); }
    void kayitTemizle() { Kilit{kilit_}, kayit_.clear(); }
    bool acik() const { return Kilit{kilit_}, hedef_ && kaynak_; }

    int32_t istemciHatasi = 0; // set before the helper starts

    // ---- The system ----
    int32_t istemciOlustur(std::string const&, BildirimIsleyici bildirim, MidiRef& istemci) override {
        if (istemciHatasi)
            return istemciHatasi;
        Kilit{kilit_}, bildirim_ = std::move(bildirim);
        istemci = 1;
        return 0;
    }
    int32_t hedefOlustur(MidiRef, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) override {
        if (int32_t h = kopya(hedefHatasi_))
            return h;
        Kilit{kilit_}, alim_ = std::move(alim);
        hedef = hedef_ = ekle({false, ad, std::nullopt, 0});
        return 0;
    }
    int32_t kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) override {
        if (int32_t h = kopya(kaynakHatasi_))
            return h;
        kaynak = kaynak_ = ekle({true, ad, std::nullopt, 0});
        if (auto yaris = kopya(kaynakOlusunca_))
            kaynakOlusunca(nullptr), yaris();
        return 0;
    }
    int32_t ucAt(MidiRef uc) override {
        Kilit k(kilit_);
        if (uc != hedef_ && uc != kaynak_)
            return -1;
        kayit_.push_back(uc == hedef_ ? "at hedef" : "at kaynak");
        (uc == hedef_ ? hedef_ : kaynak_) = 0;
        uclar_.erase(uc);
        return 0;
    }
    size_t kaynakSayisi() override { return uclar(true).size(); }
    MidiRef kaynak(size_t sira) override { return uclar(true).at(sira); }
    size_t hedefSayisi() override { return uclar(false).size(); }
    MidiRef hedef(size_t sira) override { return uclar(false).at(sira); }
    std::optional<std::string> ad(MidiRef uc) override { return uc_(uc, [](Uc& u) { return u.ad; }); }
    std::optional<std::string> gorunenAd(MidiRef uc) override { return uc_(uc, [](Uc& u) { return u.gorunenAd; }); }
    std::optional<int32_t> benzersizKimlik(MidiRef uc) override {
        return uc_(uc, [](Uc& u) { return std::optional<int32_t>(u.kimlik); });
    }
    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override {
        bool const red = kopya(kimlikReddi_);
        return uc_(uc, [&](Uc& u) { return red ? std::nullopt : std::optional<int32_t>(u.kimlik = kimlik); })
                   ? 0
                   : -10843;
    }
    int32_t gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi) override {
        Kilit k(kilit_);
        if (kaynak != kaynak_)
            return -1;
        for (auto const& m : cevirici_.cevir({oka::yardimci::UmpPaketi(kelimeler, kelimeler + sayi)}))
            kayit_.push_back("gonder " + oka::yardimci::hex(m));
        return 0;
    }

private:
    struct Uc {
        bool kaynakMi;
        std::optional<std::string> ad, gorunenAd;
        int32_t kimlik;
    };
    template <class T> T kopya(T const& alan) const { return Kilit{kilit_}, alan; }
    template <class F> auto uc_(MidiRef uc, F f) -> decltype(f(std::declval<Uc&>())) {
        Kilit k(kilit_);
        auto it = uclar_.find(uc);
        return it == uclar_.end() ? std::nullopt : f(it->second);
    }
    MidiRef ekle(Uc uc) {
        Kilit k(kilit_);
        uc.kimlik = ++sonKimlik_;
        uclar_[++sonRef_] = std::move(uc);
        return sonRef_;
    }
    std::vector<MidiRef> uclar(bool kaynakMi) const {
        Kilit k(kilit_);
        std::vector<MidiRef> v;
        for (auto const& [ref, uc] : uclar_)
            if (uc.kaynakMi == kaynakMi)
                v.push_back(ref);
        return v;
    }

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
