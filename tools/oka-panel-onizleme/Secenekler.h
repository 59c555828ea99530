#pragma once
// Command line of the panel preview: the picture's path and the state shown.

#include "core/ArayuzDurumu.h"

#include <optional>
#include <string>
#include <vector>

struct OnizlemeSecenekleri {
    std::string cikti;              // PNG path
    std::optional<std::string> dil; // "tr" or "en"; empty: the environment's
    oka::ArayuzDurumu kayit{};      // the record the panel reads
    bool okunabilir = true;         // false: reads fail after the first ones
};

// Reads the arguments after the program name; on a mistake returns nothing
// and says why in `hata`.
std::optional<OnizlemeSecenekleri> secenekleriOku(std::vector<std::string> const& arg, std::string& hata);

extern char const* const ONIZLEME_KULLANIMI;
