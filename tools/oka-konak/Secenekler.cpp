#include "Secenekler.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace {

bool sayi(std::string const& s, double& d) {
    if (s.empty())
        return false;
    char* son = nullptr;
    errno = 0;
    d = std::strtod(s.c_str(), &son);
    return errno == 0 && son && *son == '\0' && std::isfinite(d);
}

bool tamSayi(std::string const& s, int& n, int enAz, int enCok) {
    double d = 0;
    if (!sayi(s, d) || d != std::floor(d) || d < enAz || d > enCok)
        return false;
    n = static_cast<int>(d);
    return true;
}

} // namespace

std::string yardimMetni() {
    return R"(oka-konak — headless VST3 host for OKA Bridge

Usage: oka-konak [options] BUNDLE.vst3

Loads the bundle as a workstation does (module entry, factory, component,
initialize, bus arrangement, setupProcessing, setActive, process, state,
terminate, module exit), runs one or more instances on a generated signal and
prints what happened and what came out.

  --ornek N          instances to run side by side (default 1)
  --sure S           seconds of audio per instance (default 2)
  --gercek-zaman     pace blocks in real time (default: as fast as possible)
  --ornekleme HZ     sample rate (default 48000)
  --blok N           frames per block, 1..8192 (default 512)
  --kanal 1|2        mono or stereo buses (default 2)
  --ton DB           sine tone at DB dBFS (default: silence)
  --frekans HZ       tone frequency (default 440)
  --sessizlik        feed silence (the default)
  --caliyor          transport playing (default stopped)
  --tempo BPM        tempo in the process context (default 120)
  --surekli-zaman-yok  no continuous sample time in the context
  --baglamsiz        no process context at all
  --konak-adi AD     name the host gives through IHostApplication
  --elle-ad AD       restore a manual name through the saved state at start
  --ad-degistir S:AD restore the manual name AD after S seconds of audio, as a
                     project reload would; repeatable ("S:" clears the name)
  --durum-oku DOSYA  restore the saved state from DOSYA at start
  --durum-yaz DOSYA  save each instance's state at the end (DOSYA, DOSYA.2, ...)
  --help             this text

Exit status: 0 when every step succeeded, 1 when the plug-in refused a step
or its output was wrong, 2 for a bad command line or a bundle that won't load.
)";
}

std::optional<Secenekler> secenekleriOku(std::vector<std::string> const& a, std::string& hata, bool& yardim) {
    Secenekler s;
    yardim = false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        std::string const& o = a[i];
        auto deger = [&](std::string& d) {
            if (i + 1 >= a.size()) {
                hata = o + " needs a value";
                return false;
            }
            d = a[++i];
            return true;
        };
        std::string d;
        if (o == "--help" || o == "-h") {
            yardim = true;
            return s;
        } else if (o == "--ornek") {
            if (!deger(d) || !tamSayi(d, s.ornekSayisi, 1, 64))
                return hata.empty() ? (hata = "--ornek: 1..64", std::nullopt) : std::nullopt;
        } else if (o == "--sure") {
            if (!deger(d) || !sayi(d, s.sure) || s.sure < 0 || s.sure > 86400)
                return hata.empty() ? (hata = "--sure: seconds, 0..86400", std::nullopt) : std::nullopt;
        } else if (o == "--gercek-zaman") {
            s.gercekZaman = true;
        } else if (o == "--ornekleme") {
            if (!deger(d) || !sayi(d, s.ornekleme) || s.ornekleme < 1000 || s.ornekleme > 768000)
                return hata.empty() ? (hata = "--ornekleme: 1000..768000", std::nullopt) : std::nullopt;
        } else if (o == "--blok") {
            if (!deger(d) || !tamSayi(d, s.blok, 1, 8192))
                return hata.empty() ? (hata = "--blok: 1..8192", std::nullopt) : std::nullopt;
        } else if (o == "--kanal") {
            if (!deger(d) || !tamSayi(d, s.kanal, 1, 2))
                return hata.empty() ? (hata = "--kanal: 1 or 2", std::nullopt) : std::nullopt;
        } else if (o == "--ton") {
            double db = 0;
            if (!deger(d) || !sayi(d, db) || db > 0)
                return hata.empty() ? (hata = "--ton: a level in dBFS, at most 0", std::nullopt)
                                    : std::nullopt;
            s.tonDb = db;
        } else if (o == "--frekans") {
            if (!deger(d) || !sayi(d, s.frekans) || s.frekans <= 0)
                return hata.empty() ? (hata = "--frekans: positive Hz", std::nullopt) : std::nullopt;
        } else if (o == "--sessizlik") {
            s.tonDb.reset();
        } else if (o == "--caliyor") {
            s.caliyor = true;
        } else if (o == "--tempo") {
            if (!deger(d) || !sayi(d, s.tempo) || s.tempo <= 0)
                return hata.empty() ? (hata = "--tempo: positive BPM", std::nullopt) : std::nullopt;
        } else if (o == "--surekli-zaman-yok") {
            s.surekliZaman = false;
        } else if (o == "--baglamsiz") {
            s.baglam = false;
        } else if (o == "--konak-adi") {
            if (!deger(s.konakAdi))
                return std::nullopt;
        } else if (o == "--elle-ad") {
            if (!deger(d))
                return std::nullopt;
            s.elleAd = d;
        } else if (o == "--ad-degistir") {
            if (!deger(d))
                return std::nullopt;
            std::size_t const iki = d.find(':');
            double t = 0;
            if (iki == std::string::npos || !sayi(d.substr(0, iki), t) || t < 0) {
                hata = "--ad-degistir: SECONDS:NAME";
                return std::nullopt;
            }
            s.adDegisimleri.push_back({t, d.substr(iki + 1)});
        } else if (o == "--durum-oku") {
            if (!deger(s.durumOku))
                return std::nullopt;
        } else if (o == "--durum-yaz") {
            if (!deger(s.durumYaz))
                return std::nullopt;
        } else if (!o.empty() && o[0] == '-') {
            hata = "unknown option " + o;
            return std::nullopt;
        } else if (s.paket.empty()) {
            s.paket = o;
        } else {
            hata = "more than one bundle given";
            return std::nullopt;
        }
    }
    if (s.paket.empty()) {
        hata = "no bundle given";
        return std::nullopt;
    }
    std::stable_sort(s.adDegisimleri.begin(), s.adDegisimleri.end(),
                     [](auto const& a, auto const& b) { return a.saniye < b.saniye; });
    if (!s.durumOku.empty() && s.elleAd) {
        hata = "--durum-oku and --elle-ad exclude each other";
        return std::nullopt;
    }
    return s;
}
