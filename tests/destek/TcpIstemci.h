#pragma once
// A plain TCP client on 127.0.0.1; a subclass reads its protocol from `tampon_`.

#include "platform/Soket.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdint>
#include <poll.h>
#include <string>
#include <unistd.h>

class TcpIstemci {
public:
    using Saat = std::chrono::steady_clock;
    // A small `alimTamponu` keeps the kernel from buffering much for a client that does not read.
    explicit TcpIstemci(int kapi, int alimTamponu = 0) : fd_(socket(AF_INET, SOCK_STREAM, 0)) {
        oka::soketHazirla(fd_);
        if (alimTamponu)
            setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &alimTamponu, sizeof alimTamponu);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(std::uint16_t(kapi));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bitti_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0;
    }
    ~TcpIstemci() { close(fd_); }
    bool gonder(std::string const& bayt) {
        return oka::sinyalsizGonder(fd_, bayt.data(), bayt.size()) == ssize_t(bayt.size());
    }
    // True when the server closed the connection within `sure` (bytes before it are skipped).
    bool kapandi(std::chrono::milliseconds sure = std::chrono::seconds(5)) {
        for (auto const son = Saat::now() + sure; doldur(son);)
            tampon_.clear();
        return bitti_;
    }

protected:
    // Adds what arrives before `son`; false when nothing came or the stream ended.
    bool doldur(Saat::time_point son) {
        auto const kalan = std::chrono::duration_cast<std::chrono::milliseconds>(son - Saat::now()).count();
        pollfd p{fd_, POLLIN, 0};
        if (bitti_ || kalan <= 0 || poll(&p, 1, int(kalan)) <= 0)
            return false;
        char b[65536];
        ssize_t const r = recv(fd_, b, sizeof b, 0);
        bitti_ = r <= 0;
        tampon_.append(b, std::size_t(std::max<ssize_t>(r, 0)));
        return r > 0;
    }

    std::string tampon_;

private:
    int const fd_;
    bool bitti_; // the server closed the stream, or it never opened
};
