#include "Ortam.h"

#include "Gunluk.h"
#include "platform/Surec.h"

#include <cstdlib>
#include <string>

namespace oka {

void ortamiYaz(char const* degisken, char const* surum, char const* ornek) {
    std::string const e = ornek ? ornek : "";
    olayYaz(e, "──────── OKA KOPRU ────────");
    olayYaz(e, std::string("surum=") + (surum ? surum : "") + " degisken=" + (degisken ? degisken : ""));
    olayYaz(e, "surec=" + surecAdi() + " pid=" + std::to_string(surecNo()));

    std::string kum = "kum havuzu: APP_SANDBOX_CONTAINER_ID=";
    if (char const* kap = std::getenv("APP_SANDBOX_CONTAINER_ID"))
        kum += std::string("EVET (") + kap + ")";
    else
        kum += "hayir";
    std::optional<bool> const k = kumHavuzunda();
    kum += " · sandbox_check=";
    kum += !k ? "olculemedi" : (*k ? "EVET" : "hayir");
    olayYaz(e, kum);

    olayYaz(e, "/tmp yazilabilir: EVET");
}

} // namespace oka
