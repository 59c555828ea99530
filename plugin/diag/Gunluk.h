#pragma once
// The plug-in's two log channels. The event log composes each line and drops
// it: nothing reaches a file, a console or the system log. The error log
// writes failed system calls to the system log at error level.

#include <string>

namespace oka {

// [herhangi] One event line: "[" + label + "] " + text. Never call on the audio thread.
void olayYaz(std::string const& etiket, std::string const& metin);

// [herhangi] Error line "HATA " + what + "() errno=" + err + " (" + strerror + ")",
// written only when the system log's error level is enabled.
void gunlukHata(char const* ne, int hata);

// [herhangi] Composes the error line without writing it.
std::string hataSatiri(char const* ne, int hata);

// [herhangi] The text strerror_r left in `yazilan`, whatever status it
// returned; "?" when it wrote nothing.
std::string hataMetni(char const* yazilan);

// Tests observe event lines through this hook; production code never sets it.
using OlayKancasi = void (*)(std::string const& satir);
void olayKancasiKur(OlayKancasi kanca);

} // namespace oka
