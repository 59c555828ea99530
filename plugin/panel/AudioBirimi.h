#pragma once
// The Audio Unit route: the panel reads the status record and writes the
// manual name through two properties of the Audio Unit it was made around.

#include "PanelModeli.h"

#include <cstdint>

namespace oka {

// An `AudioUnit` handle, not owned.
using AudioBirimi = void*;

constexpr std::uint32_t DURUM_OZELLIGI = 64000; // read: the 584-byte status record
constexpr std::uint32_t AD_OZELLIGI = 64002;    // write: the 256-byte manual name

// [ana] AudioUnitGetProperty / AudioUnitSetProperty in the global scope,
// element 0; the system's status, 0 on success. On Apple through
// AudioToolbox; here `au` points to an `AuIkizi`.
std::int32_t auOzellikOku(AudioBirimi au, std::uint32_t ozellik, void* veri, std::uint32_t boyut);
std::int32_t auOzellikYaz(AudioBirimi au, std::uint32_t ozellik, void const* veri, std::uint32_t boyut);

// [ana] The reader and the writer of the view over those two properties.
DurumOkuyucu auOkuyucu(AudioBirimi au);
AdYazici auYazici(AudioBirimi au);

// Here there is no Audio Unit: this stands in for one, answering property
// 64000 with `durum` and status `okumaSonucu` and keeping what 64002 got.
struct AuIkizi {
    ArayuzDurumu durum{};
    std::int32_t okumaSonucu = 0;
    int okumaSayisi = 0;
    std::string yazilanAd;
    int yazmaSayisi = 0;
};

} // namespace oka
