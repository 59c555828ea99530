#pragma once
// Command line of the headless host.

#include <optional>
#include <string>
#include <vector>

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
};

// Parses argv. On a bad or missing value returns empty and writes the reason
// to `hata`; `--help` sets `yardim`.
std::optional<Secenekler> secenekleriOku(std::vector<std::string> const& argumanlar, std::string& hata,
                                         bool& yardim);

std::string yardimMetni();
