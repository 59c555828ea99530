#include "Secenekler.h"

#include <cstdlib>
#include <cstring>

char const* const ONIZLEME_KULLANIMI =
    "usage: oka-panel-onizleme --cikti FILE.png [options]\n"
    "Renders the plug-in panel for one state to a 420x278 PNG.\n"
    "  --dil tr|en                          language (default: LANGUAGE, LC_ALL, LC_MESSAGES, LANG)\n"
    "  --durum bagli|bekleniyor|okunamiyor  app connected, waiting, or the status cannot be read\n"
    "  --rol master|kanal                   role (default kanal)\n"
    "  --elle-ad NAME                       manual channel name\n"
    "  --konak-adi NAME                     the host's channel name\n"
    "  --konak LABEL                        host label (default Logic)\n"
    "  --seviye DB                          input peak in dBFS (default -120)\n"
    "  --bicim HZ:CHANNELS|yok              stream format (default 48000:2)\n";

namespace {

template <std::size_t N> bool koy(char (&alan)[N], std::string const& metin, std::string& hata) {
    if (metin.size() >= N) {
        hata = "too long (at most " + std::to_string(N - 1) + " bytes): " + metin;
        return false;
    }
    std::memcpy(alan, metin.c_str(), metin.size() + 1);
    return true;
}

bool sayi(std::string const& metin, double& deger) {
    char* son = nullptr;
    deger = std::strtod(metin.c_str(), &son);
    return !metin.empty() && *son == '\0';
}

} // namespace

std::optional<OnizlemeSecenekleri> secenekleriOku(std::vector<std::string> const& arg, std::string& hata) {
    OnizlemeSecenekleri s;
    s.kayit.ornekleme = 48000;
    s.kayit.kanal = 2;
    s.kayit.tepeDb = -120;
    std::memcpy(s.kayit.surum, "1.1", 4);
    std::memcpy(s.kayit.konak, "Logic", 6);
    for (std::size_t i = 0; i < arg.size(); i += 2) {
        std::string const& ad = arg[i];
        if (i + 1 >= arg.size()) {
            hata = "missing value after " + ad;
            return std::nullopt;
        }
        std::string const& deger = arg[i + 1];
        double d = 0;
        bool dogru = true;
        if (ad == "--cikti") {
            s.cikti = deger;
        } else if (ad == "--dil") {
            dogru = deger == "tr" || deger == "en";
            s.dil = deger;
        } else if (ad == "--durum") {
            dogru = deger == "bagli" || deger == "bekleniyor" || deger == "okunamiyor";
            s.kayit.bagliMi = deger == "bagli";
            s.okunabilir = deger != "okunamiyor";
        } else if (ad == "--rol") {
            dogru = deger == "master" || deger == "kanal";
            s.kayit.rolMasterMi = deger == "master";
        } else if (ad == "--elle-ad") {
            dogru = koy(s.kayit.elleAd, deger, hata);
        } else if (ad == "--konak-adi") {
            dogru = koy(s.kayit.logicAd, deger, hata);
        } else if (ad == "--konak") {
            dogru = koy(s.kayit.konak, deger, hata);
        } else if (ad == "--seviye") {
            dogru = sayi(deger, d);
            s.kayit.tepeDb = static_cast<float>(d);
        } else if (ad == "--bicim" && deger == "yok") {
            s.kayit.ornekleme = 0;
            s.kayit.kanal = 0;
        } else if (ad == "--bicim") {
            auto const iki = deger.find(':');
            dogru = iki != std::string::npos && sayi(deger.substr(0, iki), s.kayit.ornekleme) &&
                    sayi(deger.substr(iki + 1), d) && d >= 1 && d <= 64;
            s.kayit.kanal = static_cast<int>(d);
        } else {
            hata = "unknown option " + ad;
            return std::nullopt;
        }
        if (!dogru) {
            if (hata.empty())
                hata = "bad value for " + ad + ": " + deger;
            return std::nullopt;
        }
    }
    if (s.cikti.empty()) {
        hata = "--cikti FILE.png is required";
        return std::nullopt;
    }
    return s;
}
