#include "Uyari.h"

namespace oka {

int MetinUyarici::goster(const std::string& baslik, const std::string& metin, const std::vector<std::string>&,
                         UyariStili) {
    mCikis << '[' << baslik << "] " << metin << std::endl;
    return 0;
}

} // namespace oka
