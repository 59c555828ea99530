#include "KopruCekirdek.h"

#include "JsonKacis.h"
#include "KonakEtiketi.h"
#include "Surum.h"
#include "Utf8Kes.h"
#include "diag/Gunluk.h"
#include "diag/Ortam.h"
#include "diag/Tani.h"
#include "platform/Surec.h"
#include "server/Sunucu.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace oka {

std::atomic<std::int32_t> KopruCekirdek::sSayac{0};

namespace {

char const* rolAdi(bool master) {
    return master ? "master" : "kanal";
}

// A sample rate as a whole number, truncated toward zero; a rate that is not a
// finite number (a broken host) reads as 0 instead of undefined behaviour.
long long tamHz(double hz) {
    return std::isfinite(hz) && std::fabs(hz) < 1e15 ? static_cast<long long>(hz) : 0;
}

// Copies with truncation at a character boundary (the panel reads a cut
// character as no text), always NUL-terminated.
template <std::size_t N> void kes(char (&hedef)[N], std::string const& kaynak) {
    std::string const k = utf8Kes(kaynak, N - 1);
    std::memcpy(hedef, k.data(), k.size());
    hedef[k.size()] = '\0';
}

// Largest magnitude and sum of squares of one channel. Written with the
// compilers' vector types (GCC and clang, x86 and ARM alike) because the
// plain loop is compiled to scalar code with a dependency chain through
// memory; four independent double accumulators keep the additions from
// waiting on each other. The squares are summed in double as before; only
// the order of the additions differs from one running sum.
typedef float F4 __attribute__((vector_size(16)));
typedef float F2 __attribute__((vector_size(8)));
typedef double D2 __attribute__((vector_size(16)));

void kanalOlc(float const* p, unsigned n, double& tepe, double& toplam) {
    F4 t0 = {}, t1 = {};
    D2 s0 = {}, s1 = {}, s2 = {}, s3 = {};
    unsigned i = 0;
    for (; i + 8 <= n; i += 8) {
        F4 x0, x1;
        std::memcpy(&x0, p + i, sizeof x0);
        std::memcpy(&x1, p + i + 4, sizeof x1);
        F4 const a0 = x0 < 0 ? -x0 : x0;
        F4 const a1 = x1 < 0 ? -x1 : x1;
        t0 = t0 < a0 ? a0 : t0;
        t1 = t1 < a1 ? a1 : t1;
        F2 y0, y1, y2, y3;
        std::memcpy(&y0, p + i, sizeof y0);
        std::memcpy(&y1, p + i + 2, sizeof y1);
        std::memcpy(&y2, p + i + 4, sizeof y2);
        std::memcpy(&y3, p + i + 6, sizeof y3);
        D2 const d0 = __builtin_convertvector(y0, D2), d1 = __builtin_convertvector(y1, D2);
        D2 const d2 = __builtin_convertvector(y2, D2), d3 = __builtin_convertvector(y3, D2);
        s0 += d0 * d0;
        s1 += d1 * d1;
        s2 += d2 * d2;
        s3 += d3 * d3;
    }
    float buyuk = 0.0f;
    for (int k = 0; k < 4; ++k) {
        buyuk = buyuk < t0[k] ? t0[k] : buyuk;
        buyuk = buyuk < t1[k] ? t1[k] : buyuk;
    }
    D2 const s = (s0 + s1) + (s2 + s3);
    double kare = s[0] + s[1];
    for (; i < n; ++i) {
        float const a = std::fabs(p[i]);
        buyuk = buyuk < a ? a : buyuk;
        double const x = p[i];
        kare += x * x;
    }
    // The largest magnitude is exact in single precision, so widening it
    // afterwards equals comparing in double.
    tepe = std::max(tepe, static_cast<double>(buyuk));
    toplam += kare;
}

template <typename T> void yukselt(std::atomic<T>& a, T deger) {
    T eski = a.load(std::memory_order_relaxed);
    while (eski < deger && !a.compare_exchange_weak(eski, deger, std::memory_order_relaxed)) {
    }
}

void ekle(std::atomic<double>& a, double deger) {
    double eski = a.load(std::memory_order_relaxed);
    while (!a.compare_exchange_weak(eski, eski + deger, std::memory_order_relaxed)) {
    }
}

} // namespace

std::string KopruCekirdek::etiketKur(char const* degisken, std::int32_t no) {
    return "#" + std::to_string(no) + " " + (degisken ? degisken : "");
}

KopruCekirdek::KopruCekirdek(char const* d, std::chrono::nanoseconds aralik)
    : degisken(d ? d : ""), ornekNo(sSayac.fetch_add(1) + 1), ornek(etiketKur(degisken, ornekNo)),
      taniAraligi(aralik) {
    ortamiYaz(degisken, SURUM_KISA, ornek.c_str());
}

KopruCekirdek::~KopruCekirdek() {
    kapat();
}

void KopruCekirdek::olay(std::string const& metin) const {
    olayYaz(ornek, metin);
}

void KopruCekirdek::baslat() {
    std::string ad = konakKanalAdi();
    olay("Initialize " + bicimOzet() + " kanalAdi=\"" + (ad.empty() ? std::string("(yok)") : ad) + "\"");
    if (baslatildi) {
        rolYenidenHesapla("Initialize");
        if (!taniIpligi.joinable()) {
            olay("tani ipligi yeniden baslatildi (Cleanup sonrasi Initialize)");
            taniIpligiBaslat();
        }
        return;
    }
    baslatildi = true;
    // A name notified from another thread meanwhile waits for the server, then
    // re-decides; else it would find no server and this decision stand stale.
    std::lock_guard<std::mutex> k(rolKilidi);
    bool const master = rolHesapla();
    rolMaster.store(master);
    olay(std::string("rol karari: ") + rolAdi(master));
    taniIpligiBaslat();
    // Nothing may throw into the host: a server whose thread cannot be started
    // leaves the instance passing audio through without it.
    try {
        OturumMetinleri metinler{[this](int kapi) { return merhabaJson(kapi); },
                                 [this] { return tasimaJson(); },
                                 [this](std::uint64_t no) { return nabizJson(no); }};
        sunucu =
            std::make_unique<Sunucu>(ornek, master, std::move(metinler), [this](bool b) { sustur.store(b); });
        sunucuGorunum.store(sunucu.get(), std::memory_order_release);
    } catch (std::exception const& e) {
        olay(std::string("sunucu baslatilamadi, ses aynen geciyor: ") + e.what());
    }
}

void KopruCekirdek::kapat() {
    if (kapandi)
        return;
    kapandi = true;
    olay("Dispose — ornek KAPANIYOR");
    // The diagnostics thread reads the server and asks the shell: it goes first.
    taniIpligiDurdur();
    {
        std::lock_guard<std::mutex> k(rolKilidi); // a re-decision under way finishes first
        sunucuGorunum.store(nullptr, std::memory_order_release);
    }
    sunucu.reset();
    olay("ornek KAPANDI");
}

void KopruCekirdek::taniIpligiBaslat() {
    if (taniIpligi.joinable())
        taniIpligiDurdur(); // never drop a running thread: std::thread would terminate the host
    {
        std::lock_guard<std::mutex> k(taniKilit);
        taniDur.store(false);
    }
    try {
        taniIpligi = std::thread([this] { taniDongusu(); });
    } catch (std::exception const& e) {
        taniDur.store(true);
        olay(std::string("tani ipligi baslatilamadi: ") + e.what());
    }
}

void KopruCekirdek::taniIpligiDurdur() {
    {
        // Set under the lock so the loop cannot miss the wake-up between its
        // check and its wait.
        std::lock_guard<std::mutex> k(taniKilit);
        taniDur.store(true);
    }
    taniUyari.notify_all();
    if (taniIpligi.joinable())
        taniIpligi.join();
}

void KopruCekirdek::taniDongusu() {
    TaniDurumu d;
    std::unique_lock<std::mutex> k(taniKilit);
    while (!taniDur.load()) {
        if (taniUyari.wait_for(k, taniAraligi, [this] { return taniDur.load(); }))
            return;
        k.unlock();
        taniTuru(*this, sunucuAl(), d);
        k.lock();
    }
}

void KopruCekirdek::durumDoldur(ArayuzDurumu& d) {
    std::memset(&d, 0, sizeof d);
    d.rolMasterMi = rolHesapla() ? 1 : 0;
    Sunucu* const s = sunucuAl();
    d.bagliMi = s && s->bagli.load() ? 1 : 0;
    BicimBilgisi const f = bicim();
    if (f.gecerli) {
        d.ornekleme = f.ornekleme;
        d.kanal = static_cast<std::int32_t>(f.kanal);
    }
    float const x = arayuzTepe.exchange(0.0f);
    d.tepeDb = x > 0.000001f ? 20.0f * std::log10(x) : -120.0f;
    kes(d.logicAd, konakKanalAdi());
    kes(d.elleAd, elleAdKopyasi());
    kes(d.surum, SURUM_KISA);
    kes(d.konak, konakEtiketi(surecAdi()));
}

void KopruCekirdek::sesIsle(float const* const* kanallar, unsigned kanalSayisi, unsigned kareSayisi) {
    if (kanalSayisi == 0 || kareSayisi == 0 || !kanallar || !kanallar[0])
        return;
    // The tap runs only while an app is connected; a block too large for a
    // slot is still metered.
    Sunucu* const s = sunucuAl();
    if ((kanalSayisi == 1 || kanalSayisi == 2) && s && s->bagli.load(std::memory_order_acquire)) {
        if (s->halka.yaz(kanallar[0], kanalSayisi == 2 ? kanallar[1] : nullptr, kanalSayisi, kareSayisi,
                         ornekZamani))
            s->tampon_dolu.fetch_add(1, std::memory_order_relaxed);
    }
    double tepeBlok = 0.0;
    double toplam = 0.0;
    kanalOlc(kanallar[0], kareSayisi, tepeBlok, toplam);
    if (kanalSayisi != 1 && kanallar[1])
        kanalOlc(kanallar[1], kareSayisi, tepeBlok, toplam);
    yukselt(tepe, tepeBlok);
    yukselt(arayuzTepe, static_cast<float>(tepeBlok));
    ekle(kareToplami, toplam);
    olculenOrnek.fetch_add(std::uint64_t(kareSayisi) * std::min(kanalSayisi, 2u), std::memory_order_relaxed);
}

std::string KopruCekirdek::etkinAd() const {
    std::lock_guard<std::mutex> k(kilit);
    return elleAd.empty() ? konakKanalAdi() : elleAd;
}

bool rolKarari(std::string const& ad, std::int32_t anaCikis, std::string const& surec) {
    if (anaCikis == 1 || ad == "Stereo Out")
        return true;
    return ad == "Main" && (surec.rfind("Studio Pro", 0) == 0 || surec.rfind("Studio One", 0) == 0);
}

bool KopruCekirdek::rolHesapla() const {
    return rolKarari(etkinAd(), konakAnaCikis(), surecAdi());
}

void KopruCekirdek::rolYenidenHesapla(char const* sebep) {
    std::lock_guard<std::mutex> k(rolKilidi);
    Sunucu* const s = sunucuAl();
    if (!s)
        return; // the first activation decides by itself
    bool const yeni = rolHesapla();
    bool const eski = rolMaster.exchange(yeni);
    if (yeni != eski) {
        olay(std::string("rol YENIDEN karari (") + (sebep ? sebep : "") + "): " + rolAdi(eski) + " → " +
             rolAdi(yeni));
        s->rolGuncelle(yeni);
    } else {
        s->merhabaTazele(sebep);
    }
}

void KopruCekirdek::merhabaTazele(char const* sebep) {
    if (Sunucu* const s = sunucuAl())
        s->merhabaTazele(sebep);
}

void KopruCekirdek::elleAdiUygula(char const* ad, char const* kaynak) {
    std::string yeni = ad ? ad : "";
    {
        std::lock_guard<std::mutex> k(kilit);
        if (yeni == elleAd)
            return;
        elleAd = yeni;
    }
    olay(std::string("elle ad (") + (kaynak ? kaynak : "") + "): \"" +
         (yeni.empty() ? std::string("(Logic adina donuldu)") : yeni) + "\"");
    if (sunucuAl()) {
        rolYenidenHesapla("elle ad");
        arayuzDurumuDegisti();
    }
}

std::string KopruCekirdek::adKaynagi() const {
    {
        std::lock_guard<std::mutex> k(kilit);
        if (!elleAd.empty())
            return "elle";
    }
    return konakKanalAdi().empty() ? "(yok)" : konakAdKaynagi();
}

std::string KopruCekirdek::elleAdKopyasi() const {
    std::lock_guard<std::mutex> k(kilit);
    return elleAd;
}

std::string KopruCekirdek::merhabaJson(int kapi) {
    std::string const ad = etkinAd();
    BicimBilgisi const f = bicim();
    std::string const surec = surecAdi();
    std::int32_t const ana = konakAnaCikis();

    std::string j = "{\"tip\":\"merhaba\",\"ornek\":\"";
    j += ornek;
    j += "\",\"degisken\":\"";
    j += degisken;
    j += "\",\"surum\":\"";
    j += SURUM_KISA;
    j += "\",\"rol\":\"";
    j += rolAdi(rolMaster.load());
    j += "\",\"kanalAdi\":";
    j += ad.empty() ? std::string("null") : "\"" + jsonKacis(ad) + "\"";
    j += ",\"ornekleme\":";
    j += std::to_string(f.gecerli ? tamHz(f.ornekleme) : 0LL);
    j += ",\"kanal\":";
    j += std::to_string(f.gecerli ? f.kanal : 0u);
    j += ",\"kapi\":";
    j += std::to_string(kapi);
    j += ",\"konak\":\"";
    j += jsonKacis(konakEtiketi(surec));
    j += "\",\"adKaynagi\":\"";
    j += jsonKacis(adKaynagi());
    j += "\",\"surec\":\"";
    j += jsonKacis(surec);
    j += "\",\"anaCikis\":";
    j += ana < 0 ? std::string("null") : std::to_string(ana);
    j += "}";
    return j;
}

std::string KopruCekirdek::tasimaAlanlari() const {
    bool const var = tasimaDurumu.load(std::memory_order_relaxed) == 1;
    bool const c = var && caliyor.load(std::memory_order_relaxed);
    bool const d = var && dongu.load(std::memory_order_relaxed);
    auto yaz = [](bool b) { return b ? "true" : "false"; };
    return std::string("\"caliyor\":") + yaz(c) + ",\"dongu\":" + yaz(d) + ",\"bilinmiyor\":" + yaz(!var);
}

std::string KopruCekirdek::tasimaJson() const {
    return "{\"tip\":\"tasima\"," + tasimaAlanlari() + "}";
}

std::string KopruCekirdek::nabizJson(std::uint64_t no) const {
    return "{\"tip\":\"nabiz\",\"ornek\":\"" + ornek + "\",\"no\":" + std::to_string(no) + "," +
           tasimaAlanlari() + "}";
}

std::string KopruCekirdek::bicimOzet() {
    BicimBilgisi const f = bicim();
    if (!f.gecerli)
        return "sr=? kanal=?";
    return "sr=" + std::to_string(tamHz(f.ornekleme)) + " kanal=" + std::to_string(f.kanal);
}

} // namespace oka
