// oka-konak: a headless VST3 host. See yardimMetni() for the command line.

#include "Baglam.h"
#include "Eklenti.h"
#include "Secenekler.h"
#include "platform/Soket.h"

#include "pluginterfaces/vst/ivstprocesscontext.h"
#include "pluginterfaces/vst/vstspeaker.h"
#include "public.sdk/source/common/memorystream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

using namespace Steinberg;
using namespace Steinberg::Vst;

namespace {

double db(double x) {
    return x > 0 ? 20.0 * std::log10(x) : -INFINITY;
}

char const* sonuc(tresult r) {
    return r == kResultOk ? "ok" : "REFUSED";
}

// What one instance saw and put out.
struct Kosu {
    Ornek ornek;
    std::vector<std::vector<float>> giris, cikis;
    std::vector<float*> girisGosterge, cikisGosterge;
    AudioBusBuffers girisVeriyolu{}, cikisVeriyolu{};
    double tepe = 0, kareToplami = 0;
    std::uint64_t ornekSayisi = 0, blok = 0;
    std::uint64_t aynen = 0, susturulan = 0, yanlis = 0; // blocks passed through, muted, neither
    std::uint64_t sessizlikBirlesik = 0;
    bool hata = false;
};

std::string dosyaAdi(std::string const& taban, int i) {
    return i == 0 ? taban : taban + "." + std::to_string(i + 1);
}

// The plug-in's saved-state shape, as a project would carry it.
std::vector<char> adDurumu(std::string const& ad) {
    std::uint32_t const n = static_cast<std::uint32_t>(ad.size());
    std::string const b = std::string("OKA1") + char(n) + char(n >> 8) + char(n >> 16) + char(n >> 24) + ad;
    return std::vector<char>(b.begin(), b.end());
}

tresult durumYukle(Ornek& o, std::vector<char>& durum) {
    MemoryStream akis(durum.data(), static_cast<TSize>(durum.size()));
    tresult const r = o.bilesen->setState(&akis);
    if (o.denetleyici && o.ayriDenetleyici) {
        akis.seek(0, IBStream::kIBSeekSet, nullptr);
        o.denetleyici->setComponentState(&akis);
    }
    return r;
}

// The face a workstation asks for the controller's extensions.
FUnknown* denetleyiciYuzu(Ornek& o) {
    return o.denetleyici ? static_cast<FUnknown*>(o.denetleyici) : static_cast<FUnknown*>(o.bilesen);
}

// In real time, the monotonic clock beside a moment, so that a client's log
// can be laid next to the host's.
std::string saatDamgasi(bool gercekZaman) {
    if (!gercekZaman)
        return "";
    auto const ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return " [clock " + std::to_string(ms) + " ms]";
}

// The app's probe: a plain HTTP request to each product port. Returns the
// ports whose answer ends in the plug-in's identification text.
std::vector<int> kapilariYokla() {
    std::vector<int> bulunan;
    for (int kapi = 53171; kapi <= 53175; ++kapi) {
        int const fd = socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            continue;
        oka::soketHazirla(fd);
        timeval sure{1, 0};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &sure, sizeof sure);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &sure, sizeof sure);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<std::uint16_t>(kapi));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        std::string yanit;
        if (connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0) {
            char const istek[] = "GET / HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
            if (oka::sinyalsizGonder(fd, istek, sizeof istek - 1) > 0) {
                char t[512];
                ssize_t n;
                while ((n = recv(fd, t, sizeof t, 0)) > 0)
                    yanit.append(t, static_cast<std::size_t>(n));
            }
        }
        close(fd);
        if (yanit.size() >= 17 && yanit.compare(yanit.size() - 17, 17, "OKA-KOPRU-EKLENTI") == 0)
            bulunan.push_back(kapi);
    }
    return bulunan;
}

} // namespace

int main(int argc, char** argv) {
    std::string hata;
    bool yardim = false;
    auto secenek = secenekleriOku(std::vector<std::string>(argv + 1, argv + argc), hata, yardim);
    if (yardim) {
        std::fputs(yardimMetni().c_str(), stdout);
        return 0;
    }
    if (!secenek) {
        std::fprintf(stderr, "oka-konak: %s (see --help)\n", hata.c_str());
        return 2;
    }
    Secenekler const& s = *secenek;

    Modul modul(s.paket, hata);
    if (!modul.fabrika()) {
        std::fprintf(stderr, "oka-konak: %s: %s\n", modul.ikiliYolu().c_str(), hata.c_str());
        return 2;
    }
    std::printf("module   %s\n", modul.ikiliYolu().c_str());
    PFactoryInfo fb{};
    modul.fabrika()->getFactoryInfo(&fb);
    std::printf("factory  vendor \"%s\", %d class(es), flags %d\n", fb.vendor,
                modul.fabrika()->countClasses(), fb.flags);

    KonakUygulamasi konak(s.konakAdi);
    BilesenIsleyici isleyici(s.presonus);
    isleyici.ad = s.presonusAd;
    isleyici.ana = s.presonusAna;
    SpeakerArrangement const duzen = s.kanal == 1 ? SpeakerArr::kMono : SpeakerArr::kStereo;
    std::vector<Kosu> kosular(static_cast<std::size_t>(s.ornekSayisi));
    int cikisKodu = 0;
    // Read before any instance exists, so that a bad file leaves nothing to release.
    std::vector<char> okunanDurum;
    if (!s.durumOku.empty() && !dosyaOku(s.durumOku, okunanDurum)) {
        std::fprintf(stderr, "oka-konak: cannot read %s\n", s.durumOku.c_str());
        return 2;
    }
    if (s.elleAd) // the two exclude each other
        okunanDurum = adDurumu(*s.elleAd);

    // What answers before our instances exist is another program's: the probe
    // below reports only the ports our instances took.
    std::vector<int> const yabanci = s.yokla ? kapilariYokla() : std::vector<int>();

    for (std::size_t i = 0; i < kosular.size(); ++i) {
        Kosu& k = kosular[i];
        std::string sinif;
        if (!k.ornek.olustur(modul.fabrika(), &konak, sinif, hata)) {
            std::fprintf(stderr, "oka-konak: instance %zu: %s\n", i + 1, hata.c_str());
            for (std::size_t j = 0; j <= i; ++j) {
                if (j < i) { // active already: ended in the order a host ends it
                    kosular[j].ornek.islemci->setProcessing(false);
                    kosular[j].ornek.bilesen->setActive(false);
                }
                kosular[j].ornek.birak();
            }
            return 2;
        }
        SpeakerArrangement g = duzen, c = duzen;
        tresult const rBus = k.ornek.islemci->setBusArrangements(&g, 1, &c, 1);
        k.ornek.bilesen->activateBus(kAudio, kInput, 0, true);
        k.ornek.bilesen->activateBus(kAudio, kOutput, 0, true);

        tresult rDurum = kResultOk;
        bool const durumVar = !s.durumOku.empty() || s.elleAd;
        if (durumVar)
            rDurum = durumYukle(k.ornek, okunanDurum);

        // The naming extensions, offered as a workstation does before activating.
        if (k.ornek.denetleyici)
            k.ornek.denetleyici->setComponentHandler(&isleyici);
        if (s.kanalBaglami) {
            tresult const r = kanalBaglamiGonder(denetleyiciYuzu(k.ornek), *s.kanalBaglami);
            std::printf("instance %zu channel context %s: %s\n", i + 1, baglamOzeti(*s.kanalBaglami).c_str(),
                        r == kNoInterface ? "NO LISTENER" : sonuc(r));
            if (r != kResultOk)
                cikisKodu = 1;
        }

        ProcessSetup kurulum{kRealtime, kSample32, s.blok, s.ornekleme};
        tresult const rKurulum = k.ornek.islemci->setupProcessing(kurulum);
        tresult const rEtkin = k.ornek.bilesen->setActive(true);
        k.ornek.islemci->setProcessing(true);
        std::printf("instance %zu \"%s\": buses %s: %s, %sstate: %s, setupProcessing %.0f Hz / %d: %s, "
                    "setActive: %s\n",
                    i + 1, sinif.c_str(), s.kanal == 1 ? "mono" : "stereo", sonuc(rBus),
                    durumVar ? "restore " : "", durumVar ? sonuc(rDurum) : "none", s.ornekleme, s.blok,
                    sonuc(rKurulum), sonuc(rEtkin));
        if (rBus != kResultOk || rKurulum != kResultOk || rEtkin != kResultOk || rDurum != kResultOk)
            cikisKodu = 1;

        k.giris.assign(static_cast<std::size_t>(s.kanal),
                       std::vector<float>(static_cast<std::size_t>(s.blok)));
        k.cikis = k.giris;
        for (int c2 = 0; c2 < s.kanal; ++c2) {
            k.girisGosterge.push_back(k.giris[c2].data());
            k.cikisGosterge.push_back(k.cikis[c2].data());
        }
        k.girisVeriyolu.numChannels = s.kanal;
        k.girisVeriyolu.channelBuffers32 = k.girisGosterge.data();
        k.cikisVeriyolu.numChannels = s.kanal;
        k.cikisVeriyolu.channelBuffers32 = k.cikisGosterge.data();
    }

    if (s.yokla) {
        // Each server starts listening on its own thread, which a loaded
        // machine may run late: wait for them rather than guess a moment.
        std::vector<int> bulunan;
        auto const son = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        do {
            bulunan = kapilariYokla();
            bulunan.erase(std::remove_if(bulunan.begin(), bulunan.end(),
                                         [&](int k) {
                                             return std::find(yabanci.begin(), yabanci.end(), k) !=
                                                    yabanci.end();
                                         }),
                          bulunan.end());
            if (bulunan.size() >= std::min<std::size_t>(kosular.size(), 5 - yabanci.size()))
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (std::chrono::steady_clock::now() < son);
        auto listele = [](std::vector<int> const& kapilar) {
            std::string liste;
            for (int k : kapilar)
                liste += (liste.empty() ? "" : ", ") + std::to_string(k);
            return liste.empty() ? std::string("none") : liste;
        };
        if (!yabanci.empty())
            std::printf("probe    before activation, another program answers on port(s): %s\n",
                        listele(yabanci).c_str());
        std::printf("probe    OKA-KOPRU-EKLENTI answers on 127.0.0.1 port(s): %s\n",
                    listele(bulunan).c_str());
        std::fflush(stdout);
    }

    // One audio thread drives every instance in turn, block by block.
    double const genlik = s.tonDb ? std::pow(10.0, *s.tonDb / 20.0) : 0.0;
    std::int64_t const toplamKare = static_cast<std::int64_t>(std::llround(s.sure * s.ornekleme));
    auto const baslangic = std::chrono::steady_clock::now();
    std::int64_t konum = 0;
    std::size_t sonrakiAd = 0, sonrakiBaglam = 0, sonrakiPresonus = 0, sonrakiTasima = 0;
    bool caliyor = s.caliyor, baglamVar = s.baglam;
    double tempo = s.tempo;
    auto an = [&](double saniye) { return static_cast<double>(konum) >= saniye * s.ornekleme; };
    auto simdi = [&] { return static_cast<double>(konum) / s.ornekleme; };
    while (konum < toplamKare) {
        // A workstation restores state between blocks, not during one.
        while (sonrakiAd < s.adDegisimleri.size() && an(s.adDegisimleri[sonrakiAd].saniye)) {
            auto const& d = s.adDegisimleri[sonrakiAd++];
            std::vector<char> durum = adDurumu(d.ad);
            std::string const damga = saatDamgasi(s.gercekZaman);
            for (std::size_t i = 0; i < kosular.size(); ++i) {
                tresult const r = durumYukle(kosular[i].ornek, durum);
                std::printf("at %.2f s%s: instance %zu manual name \"%s\": %s\n", simdi(), damga.c_str(),
                            i + 1, d.ad.c_str(), sonuc(r));
                if (r != kResultOk)
                    cikisKodu = 1;
            }
            std::fflush(stdout);
        }
        while (sonrakiBaglam < s.baglamDegisimleri.size() && an(s.baglamDegisimleri[sonrakiBaglam].saniye)) {
            KanalBaglami const& b = s.baglamDegisimleri[sonrakiBaglam++].baglam;
            std::string const damga = saatDamgasi(s.gercekZaman);
            for (std::size_t i = 0; i < kosular.size(); ++i) {
                tresult const r = kanalBaglamiGonder(denetleyiciYuzu(kosular[i].ornek), b);
                std::printf("at %.2f s%s: instance %zu channel context %s: %s\n", simdi(), damga.c_str(),
                            i + 1, baglamOzeti(b).c_str(), r == kNoInterface ? "NO LISTENER" : sonuc(r));
                if (r != kResultOk)
                    cikisKodu = 1;
            }
            std::fflush(stdout);
        }
        while (sonrakiPresonus < s.presonusDegisimleri.size() &&
               an(s.presonusDegisimleri[sonrakiPresonus].saniye)) {
            PresonusDegisimi const& d = s.presonusDegisimleri[sonrakiPresonus++];
            std::string ne;
            if (d.ad) {
                isleyici.ad = d.metin;
                ne = d.metin ? "\"name\" = \"" + *d.metin + "\"" : "\"name\" fails";
            } else {
                isleyici.ana = d.deger;
                ne = d.deger ? "\"main\" = " + std::to_string(*d.deger) : "\"main\" fails";
            }
            std::string const damga = saatDamgasi(s.gercekZaman);
            for (std::size_t i = 0; i < kosular.size(); ++i) {
                std::string const yuz =
                    baglamDegistiBildir(denetleyiciYuzu(kosular[i].ornek), d.ad ? "name" : "main");
                std::printf("at %.2f s%s: instance %zu PreSonus %s, notified through %s\n", simdi(),
                            damga.c_str(), i + 1, ne.c_str(),
                            yuz.empty() ? "NOTHING (no handler face)" : yuz.c_str());
            }
            std::fflush(stdout);
        }
        while (sonrakiTasima < s.tasimaDegisimleri.size() && an(s.tasimaDegisimleri[sonrakiTasima].saniye)) {
            TasimaDegisimi const& t = s.tasimaDegisimleri[sonrakiTasima++];
            std::string ne;
            switch (t.tur) {
            case TasimaDegisimi::Cal:
                caliyor = true;
                ne = "playing";
                break;
            case TasimaDegisimi::Dur:
                caliyor = false;
                ne = "stopped";
                break;
            case TasimaDegisimi::Tempo:
                tempo = t.tempo;
                ne = "tempo " + std::to_string(tempo);
                break;
            case TasimaDegisimi::Baglamsiz:
                baglamVar = false;
                ne = "no process context";
                break;
            case TasimaDegisimi::Baglamli:
                baglamVar = true;
                ne = "process context again";
                break;
            }
            std::printf("at %.2f s%s: transport %s\n", simdi(), saatDamgasi(s.gercekZaman).c_str(),
                        ne.c_str());
            std::fflush(stdout);
        }
        int const n = static_cast<int>(std::min<std::int64_t>(s.blok, toplamKare - konum));
        ProcessContext baglam{};
        baglam.sampleRate = s.ornekleme;
        baglam.tempo = tempo;
        baglam.projectTimeSamples = konum;
        baglam.continousTimeSamples = konum;
        baglam.projectTimeMusic = static_cast<double>(konum) / s.ornekleme * tempo / 60.0;
        baglam.state = ProcessContext::kTempoValid | ProcessContext::kProjectTimeMusicValid |
                       (caliyor ? ProcessContext::kPlaying : 0) |
                       (s.surekliZaman ? ProcessContext::kContTimeValid : 0);

        for (Kosu& k : kosular) {
            for (int c = 0; c < s.kanal; ++c)
                for (int j = 0; j < n; ++j)
                    k.giris[c][j] =
                        static_cast<float>(genlik * std::sin(2.0 * M_PI * s.frekans *
                                                             static_cast<double>(konum + j) / s.ornekleme));
            k.girisVeriyolu.silenceFlags = genlik > 0 ? 0 : (s.kanal == 1 ? 1 : 3);
            k.cikisVeriyolu.silenceFlags = 0;
            ProcessData veri;
            veri.processMode = kRealtime;
            veri.symbolicSampleSize = kSample32;
            veri.numSamples = n;
            veri.numInputs = 1;
            veri.numOutputs = 1;
            veri.inputs = &k.girisVeriyolu;
            veri.outputs = &k.cikisVeriyolu;
            veri.processContext = baglamVar ? &baglam : nullptr;
            if (k.ornek.islemci->process(veri) != kResultOk)
                k.hata = true;
            // Every block must be the input bit for bit, or (while the app
            // mutes the instance) silence flagged as such.
            bool ayni = true, sifir = true;
            for (int c = 0; c < s.kanal; ++c) {
                if (std::memcmp(k.giris[c].data(), k.cikis[c].data(), sizeof(float) * n) != 0)
                    ayni = false;
                for (int j = 0; j < n; ++j) {
                    double const x = k.cikis[c][j];
                    sifir = sifir && x == 0.0;
                    k.tepe = std::max(k.tepe, std::fabs(x));
                    k.kareToplami += x * x;
                }
            }
            std::uint64_t const tumSessiz = s.kanal == 1 ? 1 : 3;
            bool const susturuldu = sifir && k.cikisVeriyolu.silenceFlags == tumSessiz;
            k.ornekSayisi += static_cast<std::uint64_t>(n) * static_cast<std::uint64_t>(s.kanal);
            if (ayni && !(genlik > 0 && susturuldu))
                ++k.aynen;
            else if (susturuldu)
                ++k.susturulan;
            else
                ++k.yanlis;
            k.sessizlikBirlesik |= k.cikisVeriyolu.silenceFlags;
            ++k.blok;
        }
        konum += n;
        if (s.gercekZaman)
            std::this_thread::sleep_until(baslangic + std::chrono::duration<double>(konum / s.ornekleme));
    }
    double const gecen = std::chrono::duration<double>(std::chrono::steady_clock::now() - baslangic).count();
    std::printf(
        "ran      %.2f s of audio in %.2f s (%s), transport %s, tempo %.1f, %s\n", s.sure, gecen,
        s.gercekZaman ? "real time" : "as fast as possible", s.caliyor ? "playing" : "stopped", s.tempo,
        !s.baglam ? "no process context" : (s.surekliZaman ? "continuous time" : "no continuous time"));

    for (std::size_t i = 0; i < kosular.size(); ++i) {
        Kosu& k = kosular[i];
        double const rms =
            k.ornekSayisi ? std::sqrt(k.kareToplami / static_cast<double>(k.ornekSayisi)) : 0.0;
        auto u = [](std::uint64_t x) { return static_cast<unsigned long long>(x); };
        std::printf(
            "instance %zu: %llu blocks (%llu passed through, %llu muted, %llu WRONG); output peak %.1f "
            "dBFS, rms %.1f dBFS; silence flags seen 0x%llx%s\n",
            i + 1, u(k.blok), u(k.aynen), u(k.susturulan), u(k.yanlis), db(k.tepe), db(rms),
            u(k.sessizlikBirlesik), k.hata ? "; process FAILED" : "");
        if (k.hata || k.yanlis != 0)
            cikisKodu = 1;

        k.ornek.islemci->setProcessing(false);
        k.ornek.bilesen->setActive(false);
        if (!s.durumYaz.empty()) {
            MemoryStream akis;
            tresult const r = k.ornek.bilesen->getState(&akis);
            std::vector<char> bayt(akis.getData(), akis.getData() + akis.getSize());
            std::string const yol = dosyaAdi(s.durumYaz, static_cast<int>(i));
            bool const yazildi = r == kResultOk && dosyaYaz(yol, bayt);
            std::printf("instance %zu: state %zu bytes -> %s: %s\n", i + 1, bayt.size(), yol.c_str(),
                        yazildi ? "ok" : "FAILED");
            if (!yazildi)
                cikisKodu = 1;
        }
        k.ornek.birak();
    }
    return cikisKodu;
}
