#include "Soket.h"

#include <fcntl.h>
#include <sys/socket.h>

namespace oka {

// macOS has neither SOCK_CLOEXEC nor accept4: close-on-exec is set here, just
// after socket()/accept() returned, so a child that another thread of the host
// starts in between still inherits the descriptor.
void soketHazirla(int fd) {
    fcntl(fd, F_SETFD, FD_CLOEXEC);
    int const bir = 1;
    setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &bir, sizeof bir);
}

ssize_t sinyalsizGonder(int fd, void const* veri, std::size_t n) {
    return send(fd, veri, n, 0);
}

} // namespace oka
