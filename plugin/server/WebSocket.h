#pragma once
// The server's wire format as pure functions over bytes, apart from the socket
// code: the answer to a first request, the handshake value, the frames the
// server sends and the frames the app sends.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace oka {

// Body of the plain HTTP answer that tells the app this port is a bridge instance.
inline constexpr char TANITIM_GOVDESI[] = "OKA-KOPRU-EKLENTI";

// Bound on bytes received and not yet parsed. The app's commands are a few
// dozen bytes; anything near this bound is not our app.
inline constexpr std::size_t GIRDI_SINIRI = 32 * 1024;

// [herhangi] Value of the header named `ad` (lower case, with its colon) at
// the start of a line of the header section (up to the blank line), matched
// without regard to case; leading spaces and tabs skipped, the rest of
// the line kept as received. Empty when the name does not occur.
std::string basligiAl(std::string_view istek, std::string_view ad);

// [herhangi] Sec-WebSocket-Accept value for a client's key.
std::string elSikismaAnahtari(std::string_view anahtar);

struct IstekYaniti {
    bool webSocket = false; // false: identification answer, connection ends after it
    std::string metin;      // bytes to send
    std::size_t istekSonu;  // bytes of the request up to its blank line; what follows is frame data
};

// [herhangi] Answer to the first read of a connection.
IstekYaniti istegiYanitla(std::string_view istek);

// [herhangi] One unmasked final text frame.
std::string metinCercevesi(std::string_view metin);

// [herhangi] Appends one unmasked final binary frame carrying an audio block
// (layout little-endian: no, zaman, kanal, kare, planar float32 samples).
void ikiliCerceve(std::string& cikis, std::uint32_t no, double zaman, std::uint16_t kanal, std::uint16_t kare,
                  float const* veri);

// [herhangi] The mute value a text payload asks for; empty when it is not a
// mute command. A literal true or false right after the key decides; any other
// value falls back to looking for true anywhere, which older app builds rely on.
std::optional<bool> susturDegeri(std::string_view yuk);

enum class KomutSonucu {
    Bekle, // every complete frame handled; the rest needs more bytes
    Kapat, // the app sent a close frame
    Hata,  // a frame that can never fit the input bound (or a 64-bit length)
};

// [herhangi] Handles and removes the complete frames at the front of `tampon`;
// calls `sustur` for each mute command in order. The answers the app's
// control frames call for (a pong with the ping's payload, a close echoing
// the close's status, or 1002 for a status that may not be sent) are appended to `yanit` in order.
KomutSonucu komutuIsle(std::string& tampon, std::function<void(bool)> const& sustur, std::string& yanit);

} // namespace oka
