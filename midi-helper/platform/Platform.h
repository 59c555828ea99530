#pragma once
// The two platform services the helper's entry point picks: the MIDI system
// and the store of the ports' unique IDs. One implementation per platform.

#include "cekirdek/MidiSistemi.h"

#include <map>
#include <memory>
#include <string>

namespace oka::yardimci {

std::unique_ptr<MidiSistemi> platformMidiSistemi();
// Suite `alan`, or the standard store when no suite of that name can be made.
std::unique_ptr<KimlikDeposu> platformKimlikDeposu(std::string const& alan,
                                                   std::map<std::string, std::string> const& ORTAM);

} // namespace oka::yardimci
