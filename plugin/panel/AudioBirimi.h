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
// AudioToolbox; elsewhere there is no Audio Unit and every call fails.
std::int32_t auOzellikOku(AudioBirimi au, std::uint32_t ozellik, void* veri, std::uint32_t boyut);
std::int32_t auOzellikYaz(AudioBirimi au, std::uint32_t ozellik, void const* veri, std::uint32_t boyut);

// [ana] The reader and the writer of the view over those two properties.
DurumOkuyucu auOkuyucu(AudioBirimi au);
AdYazici auYazici(AudioBirimi au);

} // namespace oka
