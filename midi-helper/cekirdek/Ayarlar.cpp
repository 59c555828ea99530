#include "Ayarlar.h"

#include <algorithm>

namespace oka::yardimci {

bool izinliNota(uint8_t nota) {
    static constexpr uint8_t IZINLI_NOTALAR[] = {
        0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D,
        0x1E, 0x1F, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B,
        0x2C, 0x2D, 0x2E, 0x2F, 0x30, 0x31, 0x34, 0x47, 0x5B, 0x5D, 0x5E, 0x62, 0x63, 0x7E};
    return std::find(std::begin(IZINLI_NOTALAR), std::end(IZINLI_NOTALAR), nota) != std::end(IZINLI_NOTALAR);
}

std::optional<uint16_t> kapiCoz(std::string const& metin) {
    size_t i = (!metin.empty() && metin[0] == '+') ? 1 : 0;
    if (i == metin.size())
        return std::nullopt;
    uint32_t deger = 0;
    for (; i < metin.size(); ++i) {
        if (metin[i] < '0' || metin[i] > '9')
            return std::nullopt;
        deger = deger * 10 + uint32_t(metin[i] - '0');
        if (deger > 65535)
            return std::nullopt;
    }
    return uint16_t(deger);
}

Ayarlar ayarlariOku(std::map<std::string, std::string> const& ORTAM) {
    Ayarlar a;
    if (auto it = ORTAM.find("OKA_YARDIMCI_PORT_ADI"); it != ORTAM.end())
        a.PORT_ADI = it->second;
    if (auto it = ORTAM.find("OKA_YARDIMCI_KIMLIK_ALANI"); it != ORTAM.end())
        a.KIMLIK_ALANI = it->second;
    if (auto it = ORTAM.find("OKA_YARDIMCI_KAPI"); it != ORTAM.end())
        a.YARDIMCI_KAPI = kapiCoz(it->second).value_or(VARSAYILAN_KAPI);
    return a;
}

} // namespace oka::yardimci
