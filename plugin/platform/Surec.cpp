#include "Surec.h"

#include <unistd.h>

namespace oka {

std::string surecAdi() {
    char const* ad = platformSurecAdi();
    return ad ? ad : "";
}

long surecNo() {
    return static_cast<long>(getpid());
}

std::optional<bool> kumHavuzunda() {
    return kumHavuzuYaniti(platformKumHavuzuDenetimi());
}

std::optional<bool> kumHavuzuYaniti(int yanit) {
    if (yanit == 0 || yanit == 1)
        return yanit == 1;
    return std::nullopt;
}

} // namespace oka
