#include "PanelModeli.h"

#include "Dil.h"
#include "Surum.h"

#include <cstdio>
#include <cstring>

namespace oka {

namespace {

constexpr double W = PanelModeli::GENISLIK - 32;

// A fixed-size text field of the record: up to its first NUL or its end, and
// empty when the bytes are not well-formed UTF-8 (the AppKit text would be
// nil otherwise).
template <std::size_t N> std::string kayitMetni(char const (&alan)[N]) {
    std::string_view const bayt(alan, strnlen(alan, N));
    std::size_t i = 0;
    while (i < bayt.size()) {
        auto const c = static_cast<unsigned char>(bayt[i]);
        std::size_t n = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || i + n > bayt.size())
            return {};
        char32_t kod = n == 1 ? c : c & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            auto const d = static_cast<unsigned char>(bayt[i + k]);
            if ((d & 0xC0) != 0x80)
                return {};
            kod = (kod << 6) | (d & 0x3F);
        }
        // Overlong forms, surrogates and code points past U+10FFFF are ill-formed.
        static constexpr char32_t enAz[] = {0, 0, 0x80, 0x800, 0x10000};
        if (kod < enAz[n] || (kod >= 0xD800 && kod <= 0xDFFF) || kod > 0x10FFFF)
            return {};
        i += n;
    }
    return std::string(bayt);
}

std::string bicimle(char const* kalip, double sayi, int tam = 0) {
    char tampon[96];
    std::snprintf(tampon, sizeof tampon, kalip, sayi, tam);
    return tampon;
}

} // namespace

bool dilTurkce() {
    // Asked on the main thread only; a language change needs a restart.
    static bool const turkce = turkceMi(tercihEdilenDil());
    return turkce;
}

bool turkceMi(std::string_view dil) {
    return dil.size() >= 2 && (dil[0] == 't' || dil[0] == 'T') && (dil[1] == 'r' || dil[1] == 'R') &&
           (dil.size() == 2 || dil[2] == '-' || dil[2] == '_');
}

std::string renkHex(Renk r) {
    char tampon[8];
    std::snprintf(tampon, sizeof tampon, "#%02X%02X%02X", r.r, r.g, r.b);
    return tampon;
}

PanelModeli::PanelModeli(DurumOkuyucu oku, AdYazici yaz, bool auYolu, bool turkce)
    : mOku(std::move(oku)), mYaz(std::move(yaz)), mAuYolu(auYolu), mTurkce(turkce),
      mYerTutucu(M("Logic'in adı kullanılıyor", "Using Logic's name")) {}

PanelModeli::AlanIstegi PanelModeli::durumuOku(bool duzenleniyor, std::string const& alanMetni) {
    AlanIstegi istek;
    if (!mOku)
        return istek;
    ArayuzDurumu kayit{};
    if (!mOku(kayit)) {
        // The last good record stays; only the status switches.
        istek.yenidenCiz = mOkunabilir;
        mOkunabilir = false;
        return istek;
    }
    mOkunabilir = true;
    mDurum = kayit;
    if (duzenleniyor)
        return istek; // never change the field under the user's hands

    std::string const elle = kayitMetni(mDurum.elleAd);
    if (elle != alanMetni)
        istek.metin = elle;
    std::string const ad = kayitMetni(mDurum.logicAd);
    std::string konak = kayitMetni(mDurum.konak);
    if (konak.empty())
        konak = "Logic";
    std::string yer;
    if (!ad.empty())
        yer = konak + ": " + ad;
    else if (konak == "Logic")
        yer = M("Logic'in adı henüz gelmedi", "Logic's name hasn't arrived yet");
    else
        yer = konak + M(" adı henüz gelmedi", " name hasn't arrived yet");
    if (yer != mYerTutucu) {
        mYerTutucu = yer;
        istek.yerTutucu = yer;
    }
    return istek;
}

void PanelModeli::tikla() {
    // Instant rise, a fall of 3 dB per tick (30 dB/s); an equal peak does not hold.
    if (mDurum.tepeDb > mGosterilenDb)
        mGosterilenDb = mDurum.tepeDb;
    else
        mGosterilenDb -= 3.0f;
    if (!(mGosterilenDb >= SESSIZ_DB))
        mGosterilenDb = SESSIZ_DB;
}

void PanelModeli::duzenlemeBasladi(std::string alanMetni) {
    mAdOnceki = std::move(alanMetni);
    mAdIptal = false;
}

std::string PanelModeli::iptalEt() {
    mAdIptal = true;
    return mAdOnceki;
}

std::optional<std::string> PanelModeli::duzenlemeBitti() {
    if (!mAdIptal)
        return std::nullopt;
    mAdIptal = false;
    return mAdOnceki;
}

bool PanelModeli::adGirildi(std::string const& alanMetni) {
    if (!mYaz)
        return false;
    // 255 bytes of text and the NUL; a character cut in half would be stored
    // as invalid UTF-8 in the manual name, the saved state and the hello.
    char tampon[256] = {};
    std::string const ad = utf8Kes(alanMetni, sizeof tampon - 1);
    std::memcpy(tampon, ad.data(), ad.size());
    mYaz(tampon);
    return true;
}

void PanelModeli::kopar() {
    mKoparildi = true;
    mOku = nullptr;
    mYaz = nullptr;
}

PanelModeli::Zamanlayici PanelModeli::pencereDegisti(bool pencerede, bool calisiyor) const {
    if (!mAuYolu || mKoparildi || pencerede == calisiyor)
        return Zamanlayici::dokunma;
    return pencerede ? Zamanlayici::baslat : Zamanlayici::durdur;
}

std::string PanelModeli::seviyeMetni() const {
    if (mDurum.tepeDb > -119.0f)
        return bicimle("%.1f dBFS", mDurum.tepeDb);
    return M("sessiz", "silent");
}

std::string PanelModeli::bicimSatiri() const {
    if (!mOkunabilir)
        return M("konak eklentiyi ayrı süreçte çalıştırıyor", "plug-in runs in a separate process");
    if (!(mDurum.ornekleme > 0))
        return M("biçim henüz yok", "no format yet");
    char const* kalip = mTurkce             ? "%.0f Hz · %d kanal"
                        : mDurum.kanal == 1 ? "%.0f Hz · %d channel"
                                            : "%.0f Hz · %d channels";
    return bicimle(kalip, mDurum.ornekleme, mDurum.kanal);
}

std::string PanelModeli::surumMetni() const {
    std::string surum = kayitMetni(mDurum.surum);
    return M("sürüm ", "version ") + (surum.empty() ? std::string(SURUM_KISA) : surum);
}

float PanelModeli::cubukOrani() const {
    float f = (mGosterilenDb + 60.0f) / 60.0f;
    if (!(f > 0.0f))
        f = 0.0f;
    return f > 1.0f ? 1.0f : f;
}

Renk PanelModeli::cubukRengi() const {
    return mGosterilenDb > -0.2f ? renkler::etiketKirmizi : renkler::camgobegi;
}

// The drawn texts other than the title, in drawing order.
std::vector<MetinSatiri> PanelModeli::satirlar() const {
    using namespace renkler;
    Renk const durumRengi = !mOkunabilir ? etiketKirmizi : mDurum.bagliMi ? camgobegi : bekleyenAmber;
    char const* durum = !mOkunabilir     ? M("durum okunamıyor", "status unreadable")
                        : mDurum.bagliMi ? M("bağlı", "connected")
                                         : M("bekleniyor", "waiting");
    return {
        {surumMetni(), {16, 234, W, 18}, 11.5, Kalinlik::orta, sonukGri, Hiza::sag},
        {M("ROL", "ROLE"), {16, 205, W, 13}, 11, Kalinlik::kalin, etiketKirmizi, Hiza::sol},
        {mDurum.rolMasterMi ? "master" : M("kanal", "channel"),
         {16, 186, 160, 18},
         13,
         Kalinlik::agir,
         degerBeyaz,
         Hiza::sol},
        {M("KANAL ADI", "CHANNEL NAME"), {16, 157, W, 13}, 11, Kalinlik::kalin, etiketKirmizi, Hiza::sol},
        {M("DURUM", "STATUS"), {16, 102, W, 13}, 11, Kalinlik::kalin, etiketKirmizi, Hiza::sol},
        {durum, {16, 83, 140, 18}, 13, Kalinlik::agir, durumRengi, Hiza::sol},
        {bicimSatiri(), {156, 83, W - 140, 16}, 11.5, Kalinlik::orta, ikincilGri, Hiza::sag},
        {M("GİRİŞ SEVİYESİ", "INPUT LEVEL"), {16, 54, W, 13}, 11, Kalinlik::kalin, etiketKirmizi, Hiza::sol},
        {seviyeMetni(), {16, 22, W, 16}, 11.5, Kalinlik::yariKalin, ikincilGri, Hiza::sag},
        {M("tepe", "peak"), {16, 22, W, 16}, 11, Kalinlik::orta, sonukGri, Hiza::sol},
    };
}

PanelCizimi PanelModeli::cizim() const {
    PanelCizimi c{{8, 8, GENISLIK - 16, YUKSEKLIK - 16},
                  {"OKA", {16, 234, W, 20}, 16, Kalinlik::kalin, renkler::turuncu, Hiza::sol},
                  {" Bridge", {16, 234, W, 20}, 16, Kalinlik::kalin, renkler::camgobegi, Hiza::sol},
                  satirlar(),
                  {16, 44, W, 4},
                  std::nullopt,
                  cubukRengi()};
    float const f = cubukOrani();
    if (f > 0.001f)
        c.olcerCubugu = Kutu{16, 44, W * f, 4};
    return c;
}

std::vector<PanelModeli::EnvanterSatiri>
PanelModeli::metinEnvanteri(std::string const& alanMetni, Kutu alanKutusu, GenislikOlcer const& olc) const {
    PanelCizimi const c = cizim();
    auto const& s = c.metinler;
    MetinSatiri baslikSon = c.baslikSon;
    baslikSon.kutu.x += olc(c.baslikIlk.metin, c.baslikIlk.boyut, c.baslikIlk.kalinlik);
    MetinSatiri alan{alanMetni.empty() ? mYerTutucu : alanMetni,
                     alanKutusu,
                     13,
                     Kalinlik::kalin,
                     renkler::sonukGri,
                     Hiza::sol};
    // The inventory reports the format line and the level value in muted grey
    // and the peak label in Bold, unlike the drawing.
    MetinSatiri bicim = s[6], seviye = s[8], tepe = s[9];
    bicim.renk = seviye.renk = renkler::sonukGri;
    tepe.kalinlik = Kalinlik::kalin;
    std::vector<EnvanterSatiri> e;
    for (MetinSatiri const& m :
         {c.baslikIlk, baslikSon, s[0], s[1], s[2], s[3], alan, s[4], s[5], bicim, s[7], tepe, seviye})
        e.push_back({m, olc(m.metin, m.boyut, m.kalinlik)});
    return e;
}

} // namespace oka
