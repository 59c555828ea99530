#include "ModulKatmani.h"

#include <dlfcn.h>

namespace modulKatmani {

#if defined(__x86_64__)
char const* const IKILI_DIZINI = "x86_64-linux";
#elif defined(__aarch64__)
char const* const IKILI_DIZINI = "aarch64-linux";
#else
char const* const IKILI_DIZINI = "unknown-linux";
#endif
char const* const UZANTI = ".so";
char const* const GIRIS = "ModuleEntry";
char const* const CIKIS = "ModuleExit";

void* yukle(std::string const&, std::string const& ikili, std::string& hata) {
    void* modul = dlopen(ikili.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!modul) {
        char const* e = dlerror();
        hata = std::string("dlopen failed: ") + (e ? e : "?");
    }
    return modul;
}

void* sembol(void* modul, char const* ad) {
    return dlsym(modul, ad);
}

bool gir(void* modul, void* giris) {
    return reinterpret_cast<bool (*)(void*)>(giris)(modul);
}

void birak(void* modul) {
    dlclose(modul);
}

} // namespace modulKatmani
