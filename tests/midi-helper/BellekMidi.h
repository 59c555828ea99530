#pragma once
// An in-memory MIDI system for the helper's tests: other processes'
// endpoints, notifications and workstation traffic from other threads,
// refusals on demand, and a record of what the helper does to it.

#include "cekirdek/MidiSistemi.h"

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

class BellekMidi : public oka::yardimci::MidiSistemi {
public:
    using MidiRef = oka::yardimci::MidiRef;
    // `(void)Kilit{kilit_}, expr` holds the lock to the end of the expression.
    using Kilit = std::lock_guard<std::mutex>;

    // ---- Test controls [herhangi] ----
    MidiRef yabanciEkle(bool kaynakMi, std::optional<std::string> ad, std::optional<std::string> gorunenAd) {
        MidiRef const uc = ekle({kaynakMi, std::move(ad), std::move(gorunenAd), 0});
        bildirimGonder(oka::yardimci::BILDIRIM_NESNE_EKLENDI);
        return uc;
    }
    void yabanciKaldir(MidiRef uc) {
        (void)Kilit{kilit_}, uclar_.erase(uc);
        bildirimGonder(oka::yardimci::BILDIRIM_NESNE_KALDIRILDI);
    }
    // Raised from another thread, as the system does; nothing before the helper has a client.
    void bildirimGonder(int kimlik) {
        if (auto b = kopya(bildirim_))
            std::thread([&] { b(kimlik); }).join();
    }
    // Workstation traffic to the helper's destination, delivered from another thread.
    void teslimEt(oka::yardimci::OlayListesi const& liste) {
        if (auto a = kopya(alim_))
            std::thread([&] { a(liste); }).join();
    }
    // What the helper did, in order: "gonder <message bytes in hex>" (as a reader of the source gets
    // them), "at hedef", "at kaynak".
    std::vector<std::string> kayit() const { return kopya(kayit_); }
    void kayitTemizle() { (void)Kilit{kilit_}, kayit_.clear(); }
    bool acik() const { return (void)Kilit{kilit_}, hedef_ && kaynak_; }

    std::atomic<int32_t> kaynakHatasi{0};
    std::function<void()> kaynakOlusunca; // runs once, on the helper's queue, as the helper creates its source

    // ---- The system ----
    int32_t istemciOlustur(std::string const&, BildirimIsleyici bildirim, MidiRef& istemci) override {
        (void)Kilit{kilit_}, bildirim_ = std::move(bildirim);
        return istemci = 1, 0;
    }
    int32_t hedefOlustur(MidiRef, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) override {
        (void)Kilit{kilit_}, alim_ = std::move(alim);
        return hedef = hedef_ = ekle({false, ad, std::nullopt, 0}), 0;
    }
    int32_t kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) override {
        if (kaynakHatasi)
            return kaynakHatasi;
        kaynak = kaynak_ = ekle({true, ad, std::nullopt, 0});
        if (auto yaris = std::exchange(kaynakOlusunca, nullptr))
            yaris();
        return 0;
    }
    int32_t ucAt(MidiRef uc) override {
        Kilit k(kilit_);
        if (uc != hedef_ && uc != kaynak_)
            return -1;
        kayit_.push_back(uc == hedef_ ? "at hedef" : "at kaynak");
        (uc == hedef_ ? hedef_ : kaynak_) = 0;
        return uclar_.erase(uc), 0;
    }
    size_t kaynakSayisi() override { return uclar(true).size(); }
    MidiRef kaynak(size_t sira) override { return uclar(true).at(sira); }
    size_t hedefSayisi() override { return uclar(false).size(); }
    MidiRef hedef(size_t sira) override { return uclar(false).at(sira); }
    std::optional<std::string> ad(MidiRef uc) override { return uc_(uc).value_or(Uc{}).ad; }
    std::optional<std::string> gorunenAd(MidiRef uc) override { return uc_(uc).value_or(Uc{}).gorunenAd; }
    std::optional<int32_t> benzersizKimlik(MidiRef uc) override {
        auto u = uc_(uc);
        return u ? std::optional(u->kimlik) : std::nullopt;
    }
    int32_t benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) override {
        Kilit k(kilit_);
        for (auto const& [ref, u] : uclar_)
            if (u.kimlik == kimlik && ref != uc)
                return -10843; // taken
        return uclar_.count(uc) ? uclar_[uc].kimlik = kimlik, 0 : -1;
    }
    int32_t gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi, bool) override {
        Kilit k(kilit_);
        if (kaynak != kaynak_)
            return -1;
        for (auto const& m : cevirici_.cevir({oka::yardimci::UmpPaketi(kelimeler, kelimeler + sayi)}))
            kayit_.push_back("gonder " + oka::yardimci::hex(m));
        return 0;
    }

private:
    struct Uc {
        bool kaynakMi = false;
        std::optional<std::string> ad, gorunenAd;
        int32_t kimlik = 0;
    };
    template <class T> T kopya(T const& alan) const { return (void)Kilit{kilit_}, alan; }
    std::optional<Uc> uc_(MidiRef uc) const {
        Kilit k(kilit_);
        auto it = uclar_.find(uc);
        return it == uclar_.end() ? std::nullopt : std::optional(it->second);
    }
    MidiRef ekle(Uc uc) {
        Kilit k(kilit_);
        uc.kimlik = int32_t(++sonRef_) + 4900; // IDs from 5001 on
        uclar_[sonRef_] = std::move(uc);
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
    BildirimIsleyici bildirim_;
    AlimIsleyici alim_;
    MidiRef hedef_ = 0, kaynak_ = 0;
    std::vector<std::string> kayit_;
    oka::yardimci::UmpBaytCevirici cevirici_;
};
