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

// "S:REST" with S a moment in seconds of audio.
bool zamanli(std::string const& d, double& saniye, std::string& kalan) {
    std::size_t const iki = d.find(':');
    if (iki == std::string::npos || !sayi(d.substr(0, iki), saniye) || saniye < 0)
        return false;
    kalan = d.substr(iki + 1);
    return true;
}

bool tam64(std::string const& s, long long& n) {
    if (s.empty())
        return false;
    char* son = nullptr;
    errno = 0;
    n = std::strtoll(s.c_str(), &son, 10);
    return errno == 0 && son && *son == '\0';
}

template <typename T> void zamanSirala(std::vector<T>& v) {
    std::stable_sort(v.begin(), v.end(), [](auto const& a, auto const& b) { return a.saniye < b.saniye; });
}

} // namespace

std::optional<KanalBaglami> kanalBaglamiOku(std::string const& metin, std::string& hata) {
    KanalBaglami b;
    std::size_t bas = 0;
    while (bas < metin.size()) {
        std::size_t son = metin.find('|', bas);
        if (son == std::string::npos)
            son = metin.size();
        std::string const parca = metin.substr(bas, son - bas);
        bas = son + 1;
        std::size_t const esit = parca.find('=');
        std::string const anahtar = parca.substr(0, esit);
        std::string const deger = esit == std::string::npos ? "" : parca.substr(esit + 1);
        long long n = 0;
        if (esit != std::string::npos && anahtar == "ad")
            b.ad = deger;
        else if (esit != std::string::npos && anahtar == "alan")
            b.alan = deger;
        else if (esit != std::string::npos && anahtar == "uid")
            b.uid = deger;
        else if (anahtar == "sira" && tam64(deger, n))
            b.sira = n;
        else if (anahtar == "alan-sirasi" && tam64(deger, n))
            b.alanSirasi = n;
        else if (anahtar == "konum" && tam64(deger, n))
            b.konum = n;
        else if (anahtar == "renk" && tam64(deger, n))
            b.renk = n;
        else {
            hata = "channel context: cannot read \"" + parca +
                   "\" (ad=, alan=, uid= take text; sira=, alan-sirasi=, konum=, renk= an integer)";
            return std::nullopt;
        }
    }
    return b;
}

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
  --kanal-baglami L  push a VST3 channel context after initialize. L is a list
                     of KEY=VALUE joined by "|"; keys left out are not in the
                     list: ad (channel name), alan (index namespace), uid,
                     sira (index), alan-sirasi (namespace order), konum (plug-in
                     location: 0 pre-fader, 1 post-fader, 2 panner), renk
                     (colour), e.g. 'ad=Stereo Out|sira=0|renk=255'
  --baglam-degistir S:L  push the channel context L after S seconds of audio;
                     repeatable ("S:" pushes an empty list)
  --presonus         the component handler is a PreSonus context provider;
                     "name" and "main" fail unless given below
  --presonus-ad AD   its "name" answer (implies --presonus)
  --presonus-ana N   its "main" answer (implies --presonus)
  --presonus-degistir S:ad=AD|S:ad-yok|S:ana=N|S:ana-yok
                     after S seconds change "name" or "main" (-yok: the query
                     fails from then on) and notify the plug-in; repeatable
  --tasima S:OLAY    after S seconds change the transport; OLAY is cal (start
                     playback), dur (stop), tempo=BPM, baglamsiz (drop the
                     process context) or baglamli (give it again); repeatable
  --yokla            after activation, ask ports 53171-53175 over plain HTTP
                     who answers, as the app finds the instances; waits (30 s
                     at most) until each instance answers, and leaves out
                     the ports another program answered on before
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
        } else if (o == "--yokla") {
            s.yokla = true;
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
        } else if (o == "--kanal-baglami") {
            if (!deger(d))
                return std::nullopt;
            s.kanalBaglami = kanalBaglamiOku(d, hata);
            if (!s.kanalBaglami)
                return std::nullopt;
        } else if (o == "--baglam-degistir") {
            double t = 0;
            std::string kalan;
            if (!deger(d))
                return std::nullopt;
            if (!zamanli(d, t, kalan)) {
                hata = "--baglam-degistir: SECONDS:LIST";
                return std::nullopt;
            }
            auto b = kanalBaglamiOku(kalan, hata);
            if (!b)
                return std::nullopt;
            s.baglamDegisimleri.push_back({t, *b});
        } else if (o == "--presonus") {
            s.presonus = true;
        } else if (o == "--presonus-ad") {
            if (!deger(d))
                return std::nullopt;
            s.presonus = true;
            s.presonusAd = d;
        } else if (o == "--presonus-ana") {
            int n = 0;
            if (!deger(d) || !tamSayi(d, n, -2147483647, 2147483647))
                return hata.empty() ? (hata = "--presonus-ana: an integer", std::nullopt) : std::nullopt;
            s.presonus = true;
            s.presonusAna = n;
        } else if (o == "--presonus-degistir") {
            double t = 0;
            std::string kalan;
            int n = 0;
            if (!deger(d))
                return std::nullopt;
            if (!zamanli(d, t, kalan)) {
                hata = "--presonus-degistir: SECONDS:CHANGE";
                return std::nullopt;
            }
            if (kalan.rfind("ad=", 0) == 0)
                s.presonusDegisimleri.push_back({t, true, kalan.substr(3), std::nullopt});
            else if (kalan == "ad-yok")
                s.presonusDegisimleri.push_back({t, true, std::nullopt, std::nullopt});
            else if (kalan.rfind("ana=", 0) == 0 && tamSayi(kalan.substr(4), n, -2147483647, 2147483647))
                s.presonusDegisimleri.push_back({t, false, std::nullopt, n});
            else if (kalan == "ana-yok")
                s.presonusDegisimleri.push_back({t, false, std::nullopt, std::nullopt});
            else {
                hata = "--presonus-degistir: ad=NAME, ad-yok, ana=N or ana-yok";
                return std::nullopt;
            }
            s.presonus = true;
        } else if (o == "--tasima") {
            double t = 0;
            std::string kalan;
            if (!deger(d))
                return std::nullopt;
            TasimaDegisimi g{0, TasimaDegisimi::Cal};
            if (!zamanli(d, t, kalan)) {
                hata = "--tasima: SECONDS:EVENT";
                return std::nullopt;
            }
            g.saniye = t;
            if (kalan == "cal")
                g.tur = TasimaDegisimi::Cal;
            else if (kalan == "dur")
                g.tur = TasimaDegisimi::Dur;
            else if (kalan == "baglamsiz")
                g.tur = TasimaDegisimi::Baglamsiz;
            else if (kalan == "baglamli")
                g.tur = TasimaDegisimi::Baglamli;
            else if (kalan.rfind("tempo=", 0) == 0 && sayi(kalan.substr(6), g.tempo) && g.tempo > 0)
                g.tur = TasimaDegisimi::Tempo;
            else {
                hata = "--tasima: cal, dur, tempo=BPM, baglamsiz or baglamli";
                return std::nullopt;
            }
            s.tasimaDegisimleri.push_back(g);
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
    zamanSirala(s.adDegisimleri);
    zamanSirala(s.baglamDegisimleri);
    zamanSirala(s.presonusDegisimleri);
    zamanSirala(s.tasimaDegisimleri);
    if (!s.durumOku.empty() && s.elleAd) {
        hata = "--durum-oku and --elle-ad exclude each other";
        return std::nullopt;
    }
    return s;
}
