#include "Surec.h"

#include <cerrno>

namespace oka {

char const* platformSurecAdi() {
    return program_invocation_short_name;
}

// Linux has no per-process sandbox query.
int platformKumHavuzuDenetimi() {
    return -1;
}

} // namespace oka
