#include "Surec.h"

#include <cerrno>
#include <unistd.h>

namespace oka {

std::string platformSurecAdi() {
    return program_invocation_short_name ? program_invocation_short_name : "";
}

long surecNo() {
    return static_cast<long>(getpid());
}

// Linux has no per-process sandbox query.
std::optional<bool> kumHavuzunda() {
    return std::nullopt;
}

} // namespace oka
