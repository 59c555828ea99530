#include "SistemGunlugu.h"

#include <string>
#include <syslog.h>

namespace oka {

namespace {
// No openlog(): the host process owns its syslog identity.
class Syslog final : public SistemGunluguAlicisi {
public:
    bool hataEtkin() override { return (setlogmask(0) & LOG_MASK(LOG_ERR)) != 0; }
    void hataYaz(std::string_view satir) override {
        std::string const s(satir);
        syslog(LOG_ERR, "%s", s.c_str());
    }
};
} // namespace

SistemGunluguAlicisi& platformSistemGunlugu() {
    static Syslog s;
    return s;
}

} // namespace oka
