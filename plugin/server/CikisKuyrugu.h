#pragma once
// What goes out to the client, as one byte stream of whole frames in order.
// Everything waiting goes to the socket in one call per round. A non-blocking
// send may take only part of it; the rest goes first next time, so the stream
// stays a sequence of whole frames.
//
// Audio is only worth sending live: once the bytes waiting here reach the
// audio bound, audio frames are dropped. Texts (hello, pulses, answers to the
// app's control frames) are never dropped. A client that takes no byte for a
// while although bytes wait for it is stuck, and the session ends.

#include <chrono>
#include <cstddef>
#include <functional>
#include <string>

namespace oka {

class CikisKuyrugu {
public:
    using Saat = std::chrono::steady_clock;

    // The send function returns the bytes taken, BEKLE when the socket takes
    // nothing now, HATA when the connection is broken.
    static constexpr long BEKLE = -1;
    static constexpr long HATA = -2;
    using Gonderici = std::function<long(char const* veri, std::size_t n)>;

    // [sunucu] `sesSiniri`: bytes waiting beyond which audio frames are dropped.
    CikisKuyrugu(Gonderici gonderici, std::size_t sesSiniri);

    // [sunucu] Room for one more audio frame; when false the frame is dropped.
    bool sesSigar() const { return bekleyen() < sesSiniri_; }

    // [sunucu] The end of the stream, to append whole frames to.
    std::string& son();

    // [sunucu] Hands everything waiting to the socket in one call. False once
    // the connection is broken.
    bool gonder(Saat::time_point simdi);

    // [sunucu] True when bytes have waited for `sinir` without the client
    // taking any.
    bool takildi(Saat::time_point simdi, Saat::duration sinir) const;

    // [sunucu] Bytes waiting to go out.
    std::size_t bekleyen() const { return tampon_.size() - bas_; }

private:
    Gonderici const gonderici_;
    std::size_t const sesSiniri_;
    std::string tampon_;
    std::size_t bas_ = 0;            // bytes of tampon_ already sent
    Saat::time_point sonIlerleme_{}; // the client last took bytes, or the first byte began to wait
    bool bozuk_ = false;
};

} // namespace oka
