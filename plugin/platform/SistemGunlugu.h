#pragma once
// The system log at error level: the unified log on macOS, syslog here.
// Tests put their own sink in place of the platform one.

#include <string_view>

namespace oka {

class SistemGunluguAlicisi {
public:
    virtual ~SistemGunluguAlicisi() = default;
    virtual bool hataEtkin() = 0;                     // error level is enabled
    virtual void hataYaz(std::string_view satir) = 0; // one error-level entry
};

// [herhangi] The sink in use: the platform's unless a test replaced it.
SistemGunluguAlicisi& sistemGunlugu();

// [herhangi] Replaces the sink; nullptr restores the platform's. Tests only.
void sistemGunluguDegistir(SistemGunluguAlicisi* alici);

// The platform's own sink (one file per platform).
SistemGunluguAlicisi& platformSistemGunlugu();

} // namespace oka
