#pragma once
// Socket details that differ between platforms: how a send is kept from
// raising SIGPIPE in the host process when the peer has gone.

#include <cstddef>
#include <sys/types.h>

namespace oka {

// [herhangi] Prepares a fresh socket: close-on-exec so a child of the host
// never keeps our port open, and no SIGPIPE where that is a socket option.
void soketHazirla(int fd);

// [herhangi] send() that never raises SIGPIPE; returns what send returns.
ssize_t sinyalsizGonder(int fd, void const* veri, std::size_t n);

} // namespace oka
