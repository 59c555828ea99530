#include "BellekMidi.h"

#include <thread>

using namespace oka::yardimci;

BellekMidi::MidiRef BellekMidi::ekle(Uc uc) {
    std::lock_guard<std::mutex> k(kilit_);
    uc.kimlik = ++sonKimlik_;
    uclar_[++sonRef_] = std::move(uc);
    return sonRef_;
}

BellekMidi::MidiRef BellekMidi::yabanciEkle(bool kaynakMi, std::optional<std::string> ad,
                                            std::optional<std::string> gorunenAd, bool bildir) {
    MidiRef const uc = ekle({kaynakMi, std::move(ad), std::move(gorunenAd), 0});
    if (bildir)
        bildirimGonder(BILDIRIM_NESNE_EKLENDI);
    return uc;
}

void BellekMidi::yabanciKaldir(MidiRef uc, bool bildir) {
    {
        std::lock_guard<std::mutex> k(kilit_);
        uclar_.erase(uc);
    }
    if (bildir)
        bildirimGonder(BILDIRIM_NESNE_KALDIRILDI);
}

void BellekMidi::bildirimGonder(int kimlik) {
    BildirimIsleyici b;
    {
        std::lock_guard<std::mutex> k(kilit_);
        b = bildirim_;
    }
    std::thread([&] { b(kimlik); }).join();
}

void BellekMidi::teslimEt(OlayListesi const& liste) {
    AlimIsleyici a;
    {
        std::lock_guard<std::mutex> k(kilit_);
        a = alim_;
    }
    if (a)
        std::thread([&] { a(liste); }).join();
}

void BellekMidi::hataAyarla(int32_t hedefHatasi, int32_t kaynakHatasi) {
    std::lock_guard<std::mutex> k(kilit_);
    hedefHatasi_ = hedefHatasi;
    kaynakHatasi_ = kaynakHatasi;
}

void BellekMidi::kimlikleriReddet(bool reddet) {
    std::lock_guard<std::mutex> k(kilit_);
    kimlikReddi_ = reddet;
}

void BellekMidi::kaynakOlusunca(std::function<void()> f) {
    std::lock_guard<std::mutex> k(kilit_);
    kaynakOlusunca_ = std::move(f);
}

std::vector<std::string> BellekMidi::kayit() const {
    std::lock_guard<std::mutex> k(kilit_);
    return kayit_;
}

void BellekMidi::kayitTemizle() {
    std::lock_guard<std::mutex> k(kilit_);
    kayit_.clear();
}

bool BellekMidi::acik() const {
    std::lock_guard<std::mutex> k(kilit_);
    return hedef_ && kaynak_;
}

int32_t BellekMidi::kimlik(MidiRef uc) const {
    std::lock_guard<std::mutex> k(kilit_);
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? 0 : it->second.kimlik;
}

int32_t BellekMidi::istemciOlustur(std::string const&, BildirimIsleyici bildirim, MidiRef& istemci) {
    if (istemciHatasi)
        return istemciHatasi;
    std::lock_guard<std::mutex> k(kilit_);
    bildirim_ = std::move(bildirim);
    istemci = 1;
    return 0;
}

int32_t BellekMidi::hedefOlustur(MidiRef, std::string const& ad, AlimIsleyici alim, MidiRef& hedef) {
    {
        std::lock_guard<std::mutex> k(kilit_);
        if (hedefHatasi_)
            return hedefHatasi_;
        alim_ = std::move(alim);
    }
    hedef = hedef_ = ekle({false, ad, std::nullopt, 0});
    return 0;
}

int32_t BellekMidi::kaynakOlustur(MidiRef, std::string const& ad, MidiRef& kaynak) {
    std::function<void()> yaris;
    {
        std::lock_guard<std::mutex> k(kilit_);
        if (kaynakHatasi_)
            return kaynakHatasi_;
        yaris = std::move(kaynakOlusunca_);
        kaynakOlusunca_ = nullptr;
    }
    kaynak = kaynak_ = ekle({true, ad, std::nullopt, 0});
    if (yaris)
        yaris();
    return 0;
}

int32_t BellekMidi::ucAt(MidiRef uc) {
    std::lock_guard<std::mutex> k(kilit_);
    if (uc == hedef_) {
        kayit_.push_back("at hedef");
        hedef_ = 0;
        alim_ = nullptr;
    } else if (uc == kaynak_) {
        kayit_.push_back("at kaynak");
        kaynak_ = 0;
    } else {
        return -1;
    }
    uclar_.erase(uc);
    return 0;
}

std::vector<BellekMidi::MidiRef> BellekMidi::uclar(bool kaynakMi) const {
    std::lock_guard<std::mutex> k(kilit_);
    std::vector<MidiRef> v;
    for (auto const& [ref, uc] : uclar_)
        if (uc.kaynakMi == kaynakMi)
            v.push_back(ref);
    return v;
}

size_t BellekMidi::kaynakSayisi() { return uclar(true).size(); }
BellekMidi::MidiRef BellekMidi::kaynak(size_t sira) { return uclar(true).at(sira); }
size_t BellekMidi::hedefSayisi() { return uclar(false).size(); }
BellekMidi::MidiRef BellekMidi::hedef(size_t sira) { return uclar(false).at(sira); }

std::optional<std::string> BellekMidi::ad(MidiRef uc) {
    std::lock_guard<std::mutex> k(kilit_);
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? std::nullopt : it->second.ad;
}

std::optional<std::string> BellekMidi::gorunenAd(MidiRef uc) {
    std::lock_guard<std::mutex> k(kilit_);
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? std::nullopt : it->second.gorunenAd;
}

std::optional<int32_t> BellekMidi::benzersizKimlik(MidiRef uc) {
    std::lock_guard<std::mutex> k(kilit_);
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? std::nullopt : std::optional<int32_t>(it->second.kimlik);
}

int32_t BellekMidi::benzersizKimlikAyarla(MidiRef uc, int32_t kimlik) {
    std::lock_guard<std::mutex> k(kilit_);
    auto it = uclar_.find(uc);
    if (it == uclar_.end() || kimlikReddi_)
        return -10843;
    it->second.kimlik = kimlik;
    return 0;
}

int32_t BellekMidi::gonder(MidiRef kaynak, uint32_t const* kelimeler, size_t sayi) {
    std::lock_guard<std::mutex> k(kilit_);
    if (kaynak != kaynak_)
        return -1;
    for (Baytlar const& m : cevirici_.cevir({UmpPaketi(kelimeler, kelimeler + sayi)}))
        kayit_.push_back("gonder " + hex(m));
    return 0;
}
