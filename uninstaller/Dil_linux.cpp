#include "Dil.h"

#include <algorithm>
#include <cstdlib>

namespace oka {

std::vector<std::string> tercihEdilenDiller() {
    // gettext's order; LANGUAGE may hold a list "tr:en", most preferred first.
    for (const char* ad : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* deger = std::getenv(ad);
        if (!deger || !*deger)
            continue;
        std::vector<std::string> diller;
        const std::string liste(deger);
        for (std::size_t bas = 0; bas <= liste.size();) {
            const std::size_t son = std::min(liste.find(':', bas), liste.size());
            // "tr_TR.UTF-8@euro" → "tr-TR", the form macOS reports.
            std::string dil = liste.substr(bas, son - bas);
            dil = dil.substr(0, dil.find_first_of(".@"));
            for (char& c : dil)
                c = c == '_' ? '-' : c;
            diller.push_back(dil);
            bas = son + 1;
        }
        return diller;
    }
    return {};
}

} // namespace oka
