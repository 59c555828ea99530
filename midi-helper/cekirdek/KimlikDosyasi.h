#pragma once
// The ports' unique IDs in a small "key=value" file, the store where the
// system keeps no user defaults of its own.

#include "MidiSistemi.h"

#include <map>
#include <optional>
#include <memory>
#include <string>

namespace oka::yardimci {

// [herhangi] The suite name to use, or none when `alan` cannot name a suite (the standard store is used).
std::optional<std::string> kullanilirAlan(std::string const& alan);

// [herhangi] $XDG_CONFIG_HOME, else $HOME/.config, else the working directory.
std::string yapilandirmaDizini(std::map<std::string, std::string> const& ORTAM);

// [q] The store of suite `alan` under `dizin`; a name that cannot be a file name uses the standard store.
std::unique_ptr<KimlikDeposu> kimlikDosyasiAc(std::string const& dizin, std::string const& alan);

} // namespace oka::yardimci
