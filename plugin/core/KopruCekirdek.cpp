#include "KopruCekirdek.h"

#include "JsonKacis.h"
#include "KonakEtiketi.h"
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

// Copies with truncation, always NUL-terminated.
template <std::size_t N> void kes(char (&hedef)[N], std::string const& kaynak) {
    std::size_t const n = std::min(kaynak.size(), N - 1);
    std::memcpy(hedef, kaynak.data(), n);
    hedef[n] = '\0';
}

// Largest magnitude and sum of squares of one channel, vectorised so that it
// keeps pace with the block copy beside it. The square is added with a
// fused multiply-add where the processor has one; elsewhere std::fma is a
// slow library call on the audio thread, and a plain multiply-add differs
// only in the last bit of each product.
#if defined(__FMA__) || defined(__aarch64__) || defined(__ARM_FEATURE_FMA)
inline double kareEkle(double x, double s) {
    return std::fma(x, x, s);
}
#else
inline double kareEkle(double x, double s) {
    return x * x + s;
}
#endif

// Sixteen independent lanes: one running sum would be bound by the latency of
// each addition; separate lanes let the additions overlap.
constexpr unsigned SERIT = 16;

void kanalOlc(float const* p, unsigned n, double& tepe, double& toplam) {
    float t[SERIT] = {};
    double s[SERIT] = {};
    unsigned i = 0;
    for (; i + SERIT <= n; i += SERIT) {
        for (unsigned k = 0; k < SERIT; ++k) {
            float const a = std::fabs(p[i + k]);
            t[k] = t[k] < a ? a : t[k];
            double const x = p[i + k];
            s[k] = kareEkle(x, s[k]);
        }
    }
    for (; i < n; ++i) {
        float const a = std::fabs(p[i]);
        t[0] = t[0] < a ? a : t[0];
        double const x = p[i];
        s[0] = kareEkle(x, s[0]);
    }
    // The largest magnitude is exact in single precision, so widening it
    // afterwards equals comparing in double.
    for (unsigned k = 0; k < SERIT; ++k) {
        tepe = std::max(tepe, static_cast<double>(t[k]));
        toplam += s[k];
    }
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

KopruCekirdek::KopruCekirdek(char const* d)
    : degisken(d ? d : ""), ornekNo(sSayac.fetch_add(1) + 1), ornek(etiketKur(degisken, ornekNo)) {
    ortamiYaz(degisken, "1.1", ornek.c_str());
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
    bool const master = rolHesapla();
    rolMaster.store(master);
    olay(std::string("rol karari: ") + rolAdi(master));
    taniIpligiBaslat();
    // Nothing may throw into the host: a server whose thread cannot be started
    // leaves the instance passing audio through without it.
    try {
        sunucu = std::make_unique<Sunucu>(
            ornek, master, [this](int kapi) { return merhabaJson(kapi); },
            [this](bool b) { sustur.store(b); }, [this] { return tasimaAlanlari(); });
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
    sunucuGorunum.store(nullptr, std::memory_order_release);
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
        if (taniUyari.wait_for(k, taniAraligi.load(), [this] { return taniDur.load(); }))
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
    kes(d.surum, "1.1");
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

bool KopruCekirdek::rolHesapla() const {
    std::string ad;
    {
        std::lock_guard<std::mutex> k(kilit);
        ad = elleAd.empty() ? konakKanalAdi() : elleAd;
    }
    if (konakAnaCikis() == 1)
        return true;
    if (ad == "Stereo Out")
        return true;
    if (ad == "Main") {
        std::string const surec = surecAdi();
        if (surec.size() >= 10 &&
            (surec.compare(0, 10, "Studio Pro") == 0 || surec.compare(0, 10, "Studio One") == 0))
            return true;
    }
    return false;
}

void KopruCekirdek::rolYenidenHesapla(char const* sebep) {
    Sunucu* const s = sunucuAl();
    if (!s)
        return; // the first activation decides by itself
    bool const yeni = rolHesapla();
    bool const eski = rolMaster.load();
    if (yeni != eski) {
        olay(std::string("rol YENIDEN karari (") + (sebep ? sebep : "") + "): " + rolAdi(eski) + " → " +
             rolAdi(yeni));
        rolMaster.store(yeni);
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
    std::string ad;
    {
        std::lock_guard<std::mutex> k(kilit);
        ad = elleAd.empty() ? konakKanalAdi() : elleAd;
    }
    BicimBilgisi const f = bicim();
    std::string const surec = surecAdi();
    std::int32_t const ana = konakAnaCikis();

    std::string j = "{\"tip\":\"merhaba\",\"ornek\":\"";
    j += ornek;
    j += "\",\"degisken\":\"";
    j += degisken;
    j += "\",\"surum\":\"1.1\",\"rol\":\"";
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

std::string KopruCekirdek::bicimOzet() {
    BicimBilgisi const f = bicim();
    if (!f.gecerli)
        return "sr=? kanal=?";
    return "sr=" + std::to_string(tamHz(f.ornekleme)) + " kanal=" + std::to_string(f.kanal);
}

} // namespace oka
