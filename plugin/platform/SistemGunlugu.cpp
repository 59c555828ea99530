#include "SistemGunlugu.h"

#include <atomic>

namespace oka {

namespace {
std::atomic<SistemGunluguAlicisi*> gDegistirilen{nullptr};
}

SistemGunluguAlicisi& sistemGunlugu() {
    if (SistemGunluguAlicisi* a = gDegistirilen.load(std::memory_order_acquire))
        return *a;
    return platformSistemGunlugu();
}

void sistemGunluguDegistir(SistemGunluguAlicisi* alici) {
    gDegistirilen.store(alici, std::memory_order_release);
}

} // namespace oka
