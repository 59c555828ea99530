#include "SistemGunlugu.h"

#include <os/log.h>
#include <string>

namespace oka {
namespace {

// One process-wide handle, created on first use and never released.
os_log_t osKutuk() {
    static os_log_t const kutuk = os_log_create("com.quillmarsh.okakopru", "kopru");
    return kutuk;
}

class BirlesikGunluk final : public SistemGunluguAlicisi {
public:
    bool hataEtkin() override { return os_log_type_enabled(osKutuk(), OS_LOG_TYPE_ERROR); }
    void hataYaz(std::string_view satir) override {
        std::string const s(satir);
        os_log_error(osKutuk(), "%{public}s", s.c_str());
    }
};
} // namespace

SistemGunluguAlicisi& platformSistemGunlugu() {
    static BirlesikGunluk g;
    return g;
}

} // namespace oka
