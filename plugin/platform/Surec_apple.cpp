#include "Surec.h"

#include <cstdlib>
#include <unistd.h>

extern "C" int sandbox_check(pid_t pid, const char* operation, int type, ...);

namespace oka {

char const* platformSurecAdi() {
    return getprogname();
}

int platformKumHavuzuDenetimi() {
    return sandbox_check(getpid(), nullptr, 0);
}

} // namespace oka
