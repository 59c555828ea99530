#include "Surec.h"

#include <cstdlib>
#include <unistd.h>

extern "C" int sandbox_check(pid_t pid, const char* operation, int type, ...);

namespace oka {

std::string platformSurecAdi() {
    char const* ad = getprogname();
    return ad ? ad : "";
}

long surecNo() {
    return static_cast<long>(getpid());
}

std::optional<bool> kumHavuzunda() {
    int const r = sandbox_check(getpid(), nullptr, 0);
    if (r == 1)
        return true;
    if (r == 0)
        return false;
    return std::nullopt;
}

} // namespace oka
