#pragma once
// How this platform's hosts load a VST3 module and enter it. The platform
// files only make the calls; which file to load and what a failure means is
// decided in Eklenti.cpp.

#include <string>

namespace modulKatmani {

// Where the binary sits in a bundle: Contents/<IKILI_DIZINI>/<name><UZANTI>.
extern char const* const IKILI_DIZINI;
extern char const* const UZANTI;
// Names of the module's entry and exit functions on this platform.
extern char const* const GIRIS;
extern char const* const CIKIS;

// [ana] Loads the module binary `ikili` of the bundle `paket`; null with the
// system's reason in `hata` on failure.
void* yukle(std::string const& paket, std::string const& ikili, std::string& hata);

// [ana] Address of an exported function, null when the module lacks it.
void* sembol(void* modul, char const* ad);

// [ana] Calls the entry function at `giris` with what this platform passes it.
bool gir(void* modul, void* giris);

// [ana] Releases what yukle acquired.
void birak(void* modul);

} // namespace modulKatmani
