#include "Soket.h"

#include <fcntl.h>
#include <sys/socket.h>

namespace oka {

void soketHazirla(int fd) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
}

ssize_t sinyalsizGonder(int fd, void const* veri, std::size_t n) {
    return send(fd, veri, n, MSG_NOSIGNAL);
}

} // namespace oka
