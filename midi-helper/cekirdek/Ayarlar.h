#pragma once
// Configuration read once at start and the helper's fixed constants.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace oka::yardimci {

inline constexpr char SURUM[] = "1.0";
inline constexpr uint8_t RECORD_NOTA = 0x5F;
inline constexpr uint8_t ANA_KIMLIK = 0x14;
inline constexpr std::array<uint8_t, 3> MACKIE_URETICI{0x00, 0x00, 0x66};
inline constexpr std::array<uint8_t, 7> SERI_NO{'O', 'K', 'A', '0', '0', '0', '1'};
inline constexpr std::array<uint8_t, 4> MEYDAN_OKUMA{0x01, 0x02, 0x03, 0x04};
inline constexpr uint16_t VARSAYILAN_KAPI = 53290;

// The buttons the app may press on the workstation's behalf.
bool izinliNota(uint8_t nota);

struct Ayarlar {
    std::string PORT_ADI = "OKA";
    uint16_t YARDIMCI_KAPI = VARSAYILAN_KAPI;
    std::string KIMLIK_ALANI = "com.quillmarsh.brightmoor.midi-yardimci";
};

// Decimal 0-65535 with an optional leading "+"; anything else is no port.
std::optional<uint16_t> kapiCoz(std::string const& metin);

// [herhangi] Present variables win, an empty value included; an unusable port is silently the default.
Ayarlar ayarlariOku(std::map<std::string, std::string> const& ORTAM);

} // namespace oka::yardimci
