#include "Platform.h"

#include "cekirdek/KimlikDosyasi.h"

namespace oka::yardimci {

std::unique_ptr<KimlikDeposu> platformKimlikDeposu(std::string const& alan,
                                                   std::map<std::string, std::string> const& ORTAM) {
    return kimlikDosyasiAc(yapilandirmaDizini(ORTAM), alan);
}

} // namespace oka::yardimci
