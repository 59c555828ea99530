#include "Dil.h"

#include <cstdlib>

namespace oka {

std::string tercihEdilenDil() {
    // gettext's order; LANGUAGE may hold a list "tr:en", the first entry leads.
    for (char const* ad : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        char const* deger = std::getenv(ad);
        if (deger && *deger) {
            std::string dil(deger);
            return dil.substr(0, dil.find(':'));
        }
    }
    return {};
}

} // namespace oka
