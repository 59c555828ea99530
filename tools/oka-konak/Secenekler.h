#pragma once
// Command line of the headless host.

#include <optional>
#include <string>
#include <vector>

// A channel-context attribute list; what is empty is left out of the list.
struct KanalBaglami {
    std::optional<std::string> ad, alan, uid;               // "channel name", "... namespace", "... uid"
    std::optional<long long> sira, alanSirasi, konum, renk; // index, namespace order, location, colour
};

// A change of the PreSonus provider's answers, followed by a notice to the plug-in.
struct PresonusDegisimi {
    double saniye;
    bool ad;                          // true: "name", false: "main"
    std::optional<std::string> metin; // new "name"; empty: the query fails from now on
    std::optional<int> deger;         // new "main"; empty: the query fails from now on
};

// A change of the transport while running.
struct TasimaDegisimi {
    enum Tur { Cal, Dur, Tempo, Baglamsiz, Baglamli };
    double saniye;
    Tur tur;
    double tempo = 0;
};

struct Secenekler {
    std::string paket;        // path of the .vst3 bundle
    int ornekSayisi = 1;      // instances
    double sure = 2.0;        // seconds of audio per instance
    bool gercekZaman = false; // pace blocks at the sample rate
    double ornekleme = 48000.0;
    int blok = 512;              // frames per block
    int kanal = 2;               // 1 or 2
    std::optional<double> tonDb; // tone level in dBFS; empty = silence
    double frekans = 440.0;
    bool yokla = false;       // probe the instances' ports over HTTP after activation
    bool baglam = true;       // hand a process context to the plug-in
    bool surekliZaman = true; // context carries continuous sample time
    bool caliyor = false;
    double tempo = 120.0;
    std::string konakAdi = "oka-konak";
    std::string durumOku;              // state file to restore
    std::string durumYaz;              // state file to save (per instance: suffix .N when several)
    std::optional<std::string> elleAd; // manual name restored through the saved state

    struct AdDegisimi {
        double saniye; // moment in the run, in seconds of audio
        std::string ad;
    };
    std::vector<AdDegisimi> adDegisimleri; // manual names restored while running, in time order

    std::optional<KanalBaglami> kanalBaglami; // pushed after initialize
    struct BaglamDegisimi {
        double saniye;
        KanalBaglami baglam;
    };
    std::vector<BaglamDegisimi> baglamDegisimleri; // pushed while running, in time order

    bool presonus = false; // the component handler is a PreSonus context provider
    std::optional<std::string> presonusAd;
    std::optional<int> presonusAna;
    std::vector<PresonusDegisimi> presonusDegisimleri; // in time order
    std::vector<TasimaDegisimi> tasimaDegisimleri;     // in time order
};

// Parses argv. On a bad or missing value returns empty and writes the reason
// to `hata`; `--help` sets `yardim`.
std::optional<Secenekler> secenekleriOku(std::vector<std::string> const& argumanlar, std::string& hata,
                                         bool& yardim);

std::string yardimMetni();

// "ad=Stereo Out|renk=255|sira=2": a channel-context list from the command line.
std::optional<KanalBaglami> kanalBaglamiOku(std::string const& metin, std::string& hata);
