#include "KimlikDosyasi.h"

#include "Gunluk.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace oka::yardimci {

namespace {

constexpr char STANDART_ALAN[] = "oka-midi-yardimci";

class KimlikDosyasi : public KimlikDeposu {
public:
    explicit KimlikDosyasi(std::string yol) : yol_(std::move(yol)) {}

    std::optional<int64_t> tamsayi(std::string const& anahtar) override {
        auto const kayitlar = oku();
        auto it = kayitlar.find(anahtar);
        if (it == kayitlar.end() || it->second.empty())
            return std::nullopt;
        errno = 0;
        char* son = nullptr;
        long long const deger = std::strtoll(it->second.c_str(), &son, 10);
        if (errno != 0 || *son != '\0')
            return std::nullopt;
        return int64_t(deger);
    }

    void tamsayiYaz(std::string const& anahtar, int64_t deger) override {
        auto kayitlar = oku();
        kayitlar[anahtar] = std::to_string(deger);
        dizinleriKur();
        // A crash mid-write must not leave a cut-short file: write aside, then rename over it.
        std::string const gecici = yol_ + ".yeni." + std::to_string(::getpid());
        {
            std::ofstream dosya(gecici, std::ios::trunc);
            for (auto const& [a, d] : kayitlar)
                dosya << a << '=' << d << '\n';
            dosya.flush();
            if (!dosya) {
                gunluk("kimlik deposu yazılamadı: " + gecici);
                std::remove(gecici.c_str());
                return;
            }
        }
        if (std::rename(gecici.c_str(), yol_.c_str()) != 0) {
            gunluk("kimlik deposu yazılamadı: " + yol_ + " (" + std::strerror(errno) + ")");
            std::remove(gecici.c_str());
        }
    }

private:
    std::map<std::string, std::string> oku() const {
        std::map<std::string, std::string> kayitlar;
        std::ifstream dosya(yol_);
        std::string satir;
        while (std::getline(dosya, satir)) {
            auto esit = satir.find('=');
            if (esit != std::string::npos)
                kayitlar[satir.substr(0, esit)] = satir.substr(esit + 1);
        }
        return kayitlar;
    }

    void dizinleriKur() const {
        for (size_t i = 1; i < yol_.size(); ++i)
            if (yol_[i] == '/')
                ::mkdir(yol_.substr(0, i).c_str(), 0700);
    }

    std::string yol_;
};

} // namespace

std::string yapilandirmaDizini(std::map<std::string, std::string> const& ORTAM) {
    auto deger = [&](char const* ad) {
        auto it = ORTAM.find(ad);
        return it == ORTAM.end() ? std::string() : it->second;
    };
    if (std::string x = deger("XDG_CONFIG_HOME"); !x.empty() && x[0] == '/')
        return x;
    if (std::string h = deger("HOME"); !h.empty())
        return h + "/.config";
    return ".";
}

std::optional<std::string> kullanilirAlan(std::string const& alan) {
    // The global domain is everyone's; a path or a name too long for a file cannot be one suite.
    if (alan.empty() || alan == "." || alan == ".." || alan == "NSGlobalDomain" ||
        alan.find('/') != std::string::npos || alan.find('\0') != std::string::npos || alan.size() > 200)
        return std::nullopt;
    return alan;
}

std::unique_ptr<KimlikDeposu> kimlikDosyasiAc(std::string const& dizin, std::string const& alan) {
    return std::make_unique<KimlikDosyasi>(dizin + "/oka-midi-yardimci/" +
                                           kullanilirAlan(alan).value_or(STANDART_ALAN) + ".conf");
}

} // namespace oka::yardimci
