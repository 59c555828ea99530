#include "KonakEtiketi.h"

namespace oka {

std::string konakEtiketi(std::string_view ad) {
    struct Kural {
        std::string_view onek;
        char const* etiket;
    };
    // Tried in order; AUHostingService is where Logic runs its plug-ins.
    static constexpr Kural KURALLAR[] = {
        {"Logic", "Logic"},
        {"AUHostingService", "Logic"},
        {"Cubase", "Cubase"},
        {"Studio One", "Studio One"},
    };
    if (ad.empty())
        return "DAW";
    for (auto const& k : KURALLAR)
        if (ad.size() >= k.onek.size() && ad.compare(0, k.onek.size(), k.onek) == 0)
            return k.etiket;
    return std::string(ad);
}

} // namespace oka
