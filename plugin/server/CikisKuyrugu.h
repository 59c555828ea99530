#pragma once
// What goes out to the client. A non-blocking send may take only part of a
// frame; the rest must go before anything else or the stream stops being a
// sequence of whole frames. While such a rest waits, audio frames are dropped
// (audio is only worth sending live) and texts queue behind it in order (the
// app needs every hello and pulse).

#include <cstddef>
#include <deque>
#include <functional>
#include <string>

namespace oka {

class CikisKuyrugu {
public:
    // The send function returns the bytes taken, BEKLE when the socket takes
    // nothing now, HATA when the connection is broken.
    static constexpr long BEKLE = -1;
    static constexpr long HATA = -2;
    using Gonderici = std::function<long(char const* veri, std::size_t n)>;

    enum class Sonuc {
        Gonderildi, // on its way (perhaps partly, the rest goes first next time)
        Kuyrukta,   // a text waiting behind earlier bytes
        Dusuruldu,  // an audio frame the socket had no room for
        Hata,       // connection broken
        Tasma,      // the client has not read for so long that the text queue is full
    };

    // [sunucu] `metinSiniri` bounds the bytes of texts waiting.
    CikisKuyrugu(Gonderici gonderici, std::size_t metinSiniri);

    // [sunucu] Sends what waits: the rest of a frame, then queued texts. False once the connection is broken.
    bool bosalt();

    // [sunucu] An audio frame: sent when nothing waits, otherwise dropped.
    Sonuc ses(std::string const& cerceve);

    // [sunucu] A text frame: never dropped; queued behind whatever waits.
    Sonuc metin(std::string cerceve);

    // [sunucu] Bytes are waiting to go out.
    bool bekliyor() const { return !kalan_.empty() || !metinler_.empty(); }

    // [sunucu] Sends so far that took only part of a frame.
    std::size_t yarimGonderim() const { return yarimGonderim_; }

private:
    // Hands `cerceve` to the socket; keeps any rest in kalan_. Returns bytes
    // taken or BEKLE/HATA.
    long ilkGonderim(std::string const& cerceve);

    Gonderici gonderici_;
    std::size_t const metinSiniri_;
    std::string kalan_;        // unsent rest of a frame that went out partly
    std::size_t kalanBas_ = 0; // how much of kalan_ is already sent
    std::deque<std::string> metinler_;
    std::size_t metinBayt_ = 0;
    std::size_t yarimGonderim_ = 0;
    bool bozuk_ = false;
};

} // namespace oka
