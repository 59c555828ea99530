#include "Dil.h"

#include <cstdlib>

namespace oka {

std::string tercihEdilenDil() {
    // gettext's order; LANGUAGE may hold a list "tr:en", the first entry leads.
    for (const char* ad : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* deger = std::getenv(ad);
        if (!deger)
            continue;
        std::string dil(deger);
        dil = dil.substr(0, dil.find(':'));
        // "tr_TR.UTF-8@euro" → "tr-TR", the form macOS reports.
        dil = dil.substr(0, dil.find_first_of(".@"));
        for (char& c : dil)
            if (c == '_')
                c = '-';
        if (!dil.empty())
            return dil;
    }
    return "en";
}

} // namespace oka
