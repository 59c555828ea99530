#pragma once
// The diagnostics thread's once-per-second pass: turns changes of the host's
// transport into a transport notice for the app, and drains the delivery and
// level counters into report lines of the event log.

#include <cstdint>
#include <string>

namespace oka {

class KopruCekirdek;
class Sunucu;

// What the loop remembers between passes; fresh at every start of the thread.
struct TaniDurumu {
    std::int32_t sonKaynak = -1; // tasimaDurumu seen in the previous pass
    bool sonCaliyor = false;
    bool sonKayit = false;
    bool sonDongu = false;
    bool ilkTur = true;
};

// [tanı] One pass. `s` is the core's server, null before it exists; the
// transport notice is raised only on a server.
void taniTuru(KopruCekirdek& c, Sunucu* s, TaniDurumu& d);

// [herhangi] The delivery report line from one pass's takings. `bloklar` > 0
// and `ornekleme` > 0; the three server figures are 0 without a server.
std::string teslimSatiri(double sonOrnekZamani, std::uint64_t bloklar, std::uint64_t ornekler,
                         std::uint64_t teslim, double ornekleme, std::uint64_t gonderilen,
                         std::uint64_t atlanan, std::uint64_t bekleyen);

// [herhangi] The level report line; `olculen` > 0. `tasimaDurumu` 1 names the
// transport by `caliyor`, anything else as unknown.
std::string seviyeSatiri(double tepe, double kareToplami, std::uint64_t olculen, std::int32_t tasimaDurumu,
                         bool caliyor);

} // namespace oka
