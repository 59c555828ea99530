#include "Uyari.h"

#include <thread>

namespace oka {

int dugmeSirasi(long yanit, long ilkDugme, std::size_t dugmeSayisi) {
    const long sira = yanit - ilkDugme;
    return sira >= 0 && sira < static_cast<long>(dugmeSayisi) ? static_cast<int>(sira) : -1;
}

std::string dugmeTusu(std::size_t sira) {
    switch (sira) {
    case 0:
        return "\r";
    case 1:
        return "\033";
    default:
        return "";
    }
}

int MetinUyarici::goster(const std::string& baslik, const std::string& metin, const std::vector<std::string>&,
                         UyariStili) {
    mCikis << '[' << baslik << "] " << metin << std::endl;
    return 0;
}

void MetinUyarici::olaylariIsle(std::chrono::milliseconds sure) {
    std::this_thread::sleep_for(sure);
}

} // namespace oka
