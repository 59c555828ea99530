#pragma once
// The uninstaller's flow: check, confirmation, removal run, report.

#include "Betik.h"
#include "Uyari.h"

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace oka {

inline constexpr const char* BASLIK = "OKA Bridge Uninstall";
// Generous: listing processes takes a moment, but the removal may sit behind
// the system's Documents-access prompt until the user answers it.
inline constexpr std::chrono::minutes DENETIM_SINIRI{2};
inline constexpr std::chrono::minutes KALDIRMA_SINIRI{10};

// [herhangi] Turkish when the first of the preferred languages, or "en" when
// there is none, begins with "tr" (case-sensitive, nothing required after it).
bool turkceMi(const std::vector<std::string>& diller);

// [herhangi] Non-interactive mode: OKA_KALDIR_TEST is exactly "1".
bool testKipiMi(const char* deger);

// The removal run's output, line by line and counted.
struct CiktiSayimi {
    std::vector<std::string> satirlar; // split at line feeds, empty lines dropped
    int silinen = 0;                   // lines starting "silindi: " or "removed: "
    int zatenYok = 0;                  // lines starting "zaten yok: " or "already gone: "
    bool tamam = false;                // some line starts "tamam"
};

// [herhangi]
CiktiSayimi ciktiSay(std::string_view cikti);

struct Kaldirma {
    bool turkce = false;
    bool test = false;
    Uyarici& uyarici;
    // [herhangi] One run of the removal script with extra environment entries
    // and a time limit; called on a worker thread (arkadaCalistir).
    std::function<BetikSonucu(const Ekler&, std::chrono::milliseconds)> betik;
    // Non-interactive mode writes the removal output here after the report.
    std::ostream& cikis;
};

// [ana] Runs `is` on a thread of its own while this thread keeps handling the
// window system's events, so a script that takes minutes never leaves the app
// unresponsive; returns what `is` returned.
BetikSonucu arkadaCalistir(Uyarici& uyarici, const std::function<BetikSonucu()>& is);

// [ana] The whole run from check to report; returns the process exit code.
int kaldir(const Kaldirma& k);

} // namespace oka
