#include "Surec.h"

#include <mutex>

namespace oka {

std::string platformSurecAdi();

namespace {
std::mutex gKilit;
std::string gDegistirilen;
} // namespace

std::string surecAdi() {
    {
        std::lock_guard<std::mutex> k(gKilit);
        if (!gDegistirilen.empty())
            return gDegistirilen;
    }
    return platformSurecAdi();
}

void surecAdiDegistir(std::string ad) {
    std::lock_guard<std::mutex> k(gKilit);
    gDegistirilen = std::move(ad);
}

} // namespace oka
