#pragma once
// The app link's wire format: length-prefixed frames, the hello text, and the
// test that tells a browser's request from the app. Pure functions over bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace oka::yardimci {

using Baytlar = std::vector<uint8_t>;

inline constexpr size_t EN_BUYUK_GOVDE = 65534;

// [herhangi] Length (big-endian, type + body), type, body; none when the body exceeds EN_BUYUK_GOVDE.
std::optional<Baytlar> cerceve(uint8_t tip, Baytlar const& govde);

// [herhangi] "90 5E 7F": upper-case pairs separated by single spaces; empty input gives "".
std::string hex(Baytlar const& baytlar);
// [herhangi] `hex` of at most the first 64 bytes; a longer input ends in " … (N bayt)" with its whole length.
std::string hexSinirli(Baytlar const& baytlar);
// [herhangi] Text from outside for a log line: control characters as \n, \r, \t or \xNN, so that it can
// never start a line of its own; the rest as written.
std::string gunlukMetni(std::string const& metin);

struct KesimSonucu {
    enum Tur { EKSIK, CERCEVE, HATA } tur = EKSIK;
    uint8_t tip = 0;
    Baytlar govde;
    size_t tuketilen = 0; // bytes to remove from the front of the buffer
};

// [herhangi] Cuts the first frame off the received bytes: more bytes needed, one frame, or a zero length
// (protocol error).
KesimSonucu cerceveKes(uint8_t const* alinan, size_t boyut);

// [herhangi] Whether the bytes are valid UTF-8.
bool gecerliUtf8(Baytlar const& baytlar);

// Whether a newcomer's first bytes open an HTTP request line: upper-case method then a space.
enum class HttpKarari { EVET, HAYIR, BELIRSIZ };
HttpKarari httpIstegiMi(Baytlar const& ilkBaytlar);

// [herhangi] The hello answer, keys in their fixed order, no spaces.
std::string merhabaMetni(std::string const& portAdi, int32_t hedefKimlik, int32_t kaynakKimlik, long pid);

} // namespace oka::yardimci
