#include "UcDefteri.h"

#include <set>

namespace oka::yardimci {

MidiRef UcDefteri::ref(std::string const& ad, bool kaynakMi) {
    auto [it, yeni] = adlar_.try_emplace({kaynakMi, ad}, 0);
    if (yeni) {
        while (++sonRef_ == 0 || uclar_.count(sonRef_)) {
        }
        it->second = sonRef_;
        uclar_[sonRef_] = {ad, kaynakMi, std::nullopt};
    }
    return it->second;
}

std::string const* UcDefteri::ad(MidiRef uc) const {
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? nullptr : &it->second.ad;
}

std::vector<MidiRef> UcDefteri::listele(bool kaynakMi, std::vector<std::string> const& adlar) {
    std::vector<MidiRef> refler;
    for (auto const& a : adlar)
        refler.push_back(ref(a, kaynakMi));
    std::set<MidiRef> const simdi(refler.begin(), refler.end());
    for (auto it = uclar_.begin(); it != uclar_.end();) {
        if (it->second.kaynakMi == kaynakMi && !it->second.kimlik && !simdi.count(it->first)) {
            adlar_.erase({kaynakMi, it->second.ad});
            it = uclar_.erase(it);
        } else {
            ++it;
        }
    }
    return refler;
}

void UcDefteri::unut(MidiRef uc) {
    if (auto it = uclar_.find(uc); it != uclar_.end()) {
        adlar_.erase({it->second.kaynakMi, it->second.ad});
        uclar_.erase(it);
    }
}

int32_t UcDefteri::kimlikVer(MidiRef uc) {
    if (!uclar_.count(uc))
        return 0;
    int32_t k;
    do
        k = int32_t(rastgele_());
    while (k == 0 || !kimlikAyarla(uc, k));
    return k;
}

std::optional<int32_t> UcDefteri::kimlik(MidiRef uc) const {
    auto it = uclar_.find(uc);
    return it == uclar_.end() ? std::nullopt : it->second.kimlik;
}

bool UcDefteri::kimlikAyarla(MidiRef uc, int32_t kimlik) {
    auto it = uclar_.find(uc);
    if (it == uclar_.end())
        return false;
    for (auto const& [ref, u] : uclar_)
        if (ref != uc && u.kimlik == kimlik)
            return false;
    it->second.kimlik = kimlik;
    return true;
}

} // namespace oka::yardimci
