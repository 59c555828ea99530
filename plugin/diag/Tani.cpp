#include "Tani.h"

#include "core/KopruCekirdek.h"
#include "server/Sunucu.h"

#include <cmath>
#include <cstdio>

namespace oka {

namespace {

// A number with a fixed count of decimals; wide enough for any double.
std::string ondalik(double x, int basamak) {
    char t[512];
    std::snprintf(t, sizeof t, "%.*f", basamak, x);
    return t;
}

std::string dbfs(double argumani) {
    if (!(argumani > 0.0))
        return "-inf";
    double const db = 20.0 * std::log10(argumani);
    return db > -998.0 ? ondalik(db, 1) : "-inf";
}

void tasimaBildir(Sunucu* s) {
    if (s)
        s->tasimaIstegi.store(true, std::memory_order_release);
}

} // namespace

std::string teslimSatiri(double sonOrnekZamani, std::uint64_t bloklar, std::uint64_t ornekler,
                         std::uint64_t teslim, double ornekleme, std::uint64_t gonderilen,
                         std::uint64_t atlanan, std::uint64_t bekleyen) {
    double const b = static_cast<double>(bloklar);
    double const ortalama = ornekler ? static_cast<double>(ornekler) / b : 512.0;
    return "TESLIM ornekZamani=" + ondalik(sonOrnekZamani, 0) + " cerceve/sn=" + ondalik(b, 1) +
           " beklenen=" + ondalik(ornekleme / ortalama, 1) +
           " sapma_ppm=" + ondalik((static_cast<double>(teslim) / ornekleme - 1.0) * 1000000.0, 0) +
           " gonderilen=" + std::to_string(gonderilen) + " atlanan=" + std::to_string(atlanan) +
           " tampon_dolu=" + std::to_string(bekleyen) + " (blok/sn=" + ondalik(b, 0) +
           " ornek/blok=" + ondalik(static_cast<double>(ornekler) / b, 0) +
           " ornekleme=" + ondalik(ornekleme, 0) + ")";
}

std::string seviyeSatiri(double tepe, double kareToplami, std::uint64_t olculen, std::int32_t tasimaDurumu,
                         bool caliyor) {
    double const rms = std::sqrt(kareToplami / static_cast<double>(olculen));
    return "SEVIYE tepe=" + dbfs(tepe) + " dBFS rms=" + dbfs(rms) + " dBFS ornek=" + std::to_string(olculen) +
           " transport=" + (tasimaDurumu == 1 ? (caliyor ? "caliyor" : "durdu") : "bilinmiyor");
}

void taniTuru(KopruCekirdek& c, Sunucu* s, TaniDurumu& d) {
    constexpr auto R = std::memory_order_relaxed;

    std::int32_t const kaynak = c.tasimaDurumu.load(R);
    if (kaynak != d.sonKaynak) {
        if (kaynak == 2) {
            c.olay("TRANSPORT geri cagrisi YOK (konak kAudioUnitProperty_HostCallbacks kurmadi)");
            tasimaBildir(s);
        } else if (s) {
            tasimaBildir(s);
        } else if (kaynak == 1) {
            c.olay(std::string("TRANSPORT geri cagrisi VAR (") +
                   (c.tasimaProc2Var.load() ? "transportStateProc2" : "transportStateProc") + ")");
        }
        d.sonKaynak = kaynak;
    }

    if (kaynak == 1) {
        bool const cal = c.caliyor.load(R), kay = c.kayit.load(R), don = c.dongu.load(R);
        if (d.ilkTur || cal != d.sonCaliyor || kay != d.sonKayit || don != d.sonDongu) {
            c.olay(std::string("TRANSPORT caliyor=") + (cal ? "1" : "0") + " kayit=" + (kay ? "1" : "0") +
                   " dongu=" + (don ? "1" : "0") + " konum=" + ondalik(c.konum.load(R), 0) + " tempo=" +
                   ondalik(c.tempo.load(R), 2) + " sonuc=" + std::to_string(c.tasimaSonuc.load(R)));
            tasimaBildir(s);
            d.sonCaliyor = cal;
            d.sonKayit = kay;
            d.sonDongu = don;
        }
    }

    std::uint64_t const teslim = c.teslim.exchange(0);
    std::uint64_t const bloklar = c.blokSayisi.exchange(0);
    std::uint64_t const ornekler = c.islenenOrnek.exchange(0);
    double const hiz = c.ornekHizi();
    if (bloklar > 0 && hiz > 0.0) {
        c.olay(teslimSatiri(c.sonOrnekZamani.load(R), bloklar, ornekler, teslim, hiz,
                            s ? s->gonderilen.load() : 0, s ? s->tampon_dolu.load() : 0,
                            s ? s->halka.bekleyen() : 0));
    }

    double const tepe = c.tepe.exchange(0.0);
    double const kareToplami = c.kareToplami.exchange(0.0);
    std::uint64_t const olculen = c.olculenOrnek.exchange(0);
    if (olculen > 0)
        c.olay(seviyeSatiri(tepe, kareToplami, olculen, c.tasimaDurumu.load(R), c.caliyor.load(R)));

    d.ilkTur = false;
}

} // namespace oka
