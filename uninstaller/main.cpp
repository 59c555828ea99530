// OKA Bridge Uninstall: checks that no workstation runs, asks once, runs the
// bundled removal script and reports the outcome. Exit codes mirror the outcome.

#include "Akis.h"
#include "Betik.h"
#include "Dil.h"
#include "Kaynak.h"
#include "Uyari.h"

#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

int main() {
    const bool turkce = oka::turkceMi(oka::tercihEdilenDiller());
    const bool test = oka::testKipiMi(std::getenv("OKA_KALDIR_TEST"));
    // Non-interactive runs never touch the window system, so they also work
    // where there is no display.
    std::unique_ptr<oka::Uyarici> uyarici =
        test ? std::make_unique<oka::MetinUyarici>(std::cout) : oka::appKitUyarici();
    const std::optional<std::string> betik = oka::betikKaynagi();

    const oka::Kaldirma k{turkce, test, *uyarici,
                          [&](const oka::Ekler& ekler, std::chrono::milliseconds sinir) {
                              return oka::betikCalistir(betik, turkce, test, ekler, sinir);
                          },
                          std::cout};
    return oka::kaldir(k);
}
