#pragma once
// Everything the panel decides, apart from AppKit: the texts in both
// languages, the placeholder, when the name field may change, the meter's
// ballistics and colours, the layout of what is drawn, the text inventory and
// the name editing. The AppKit view only draws what this says and forwards
// the user's actions.

#include "core/ArayuzDurumu.h"
#include "core/Utf8Kes.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace oka {

// The status reader (true: the record was read) and the manual-name writer
// (a NUL-terminated UTF-8 name in a zero-filled 256-byte buffer).
using DurumOkuyucu = std::function<bool(ArayuzDurumu&)>;
using AdYazici = std::function<void(char const*)>;

// [ana] Whether the user's first preferred language is Turkish; read once per
// process through the platform layer and then kept.
bool dilTurkce();
// [herhangi] The rule behind it: "tr" in any case, then the end, "-" or "_".
bool turkceMi(std::string_view dil);

struct Renk {
    std::uint8_t r, g, b;
    double a = 1.0;
};

// The palette, sRGB.
namespace renkler {
constexpr Renk pencere{10, 12, 14};
constexpr Renk kartUst{23, 25, 29};
constexpr Renk kartAlt{18, 19, 22};
constexpr Renk kartCizgi{255, 255, 255, 0.08};
constexpr Renk turuncu{245, 166, 35};
constexpr Renk camgobegi{34, 211, 238};
constexpr Renk etiketKirmizi{248, 113, 96};
constexpr Renk degerBeyaz{242, 243, 245};
constexpr Renk bekleyenAmber{240, 180, 66};
constexpr Renk ikincilGri{184, 189, 196};
constexpr Renk sonukGri{143, 148, 155};
constexpr Renk alanZemini{255, 255, 255, 0.04};
constexpr Renk olcerIzi{255, 255, 255, 0.07};
} // namespace renkler

// [herhangi] "#RRGGBB" of a palette colour.
std::string renkHex(Renk r);

enum class Kalinlik { orta, yariKalin, kalin, agir }; // Medium, Semibold, Bold, Heavy
enum class Hiza { sol = 0, sag = 1 };

struct Kutu {
    double x, y, w, h;
};

struct MetinSatiri {
    std::string metin;
    Kutu kutu;
    double boyut;
    Kalinlik kalinlik;
    Renk renk;
    Hiza hiza;
};

// The measured width of a text in the system font; AppKit measures it.
using GenislikOlcer = std::function<double(std::string const&, double boyut, Kalinlik)>;

// One frame of the panel, in drawing order.
struct PanelCizimi {
    Kutu kart;                        // inset bounds, radius 18, gradient top to bottom
    MetinSatiri baslikIlk, baslikSon; // "OKA" and " Bridge", one attributed text
    std::vector<MetinSatiri> metinler;
    Kutu olcerIzi;                   // radius 2
    std::optional<Kutu> olcerCubugu; // radius 2, drawn only when it has width
    Renk cubukRengi;
};

class PanelModeli {
public:
    static constexpr double GENISLIK = 420;
    static constexpr double YUKSEKLIK = 278;
    static constexpr Kutu AD_ALANI{16, 131, 388, 24};
    static constexpr float SESSIZ_DB = -120.0f;
    static constexpr double ZAMANLAYICI_ARALIGI = 0.1; // seconds

    // [ana] `auYolu`: the view was made around an Audio Unit handle.
    PanelModeli(DurumOkuyucu oku, AdYazici yaz, bool auYolu, bool turkce = dilTurkce());

    // What one poll asks of the name field.
    struct AlanIstegi {
        bool yenidenCiz = false;              // the panel turned unreadable
        std::optional<std::string> metin;     // new text for the field
        std::optional<std::string> yerTutucu; // new placeholder
    };
    // [ana] One poll. `duzenleniyor`: the user is typing in the field, which is
    // then left alone; `alanMetni`: the field's text now.
    AlanIstegi durumuOku(bool duzenleniyor, std::string const& alanMetni);
    // [ana] Meter ballistics of one 0.1 s tick, after its poll.
    void tikla();

    // --- Name editing.
    // [ana] Editing began with `alanMetni` in the field.
    void duzenlemeBasladi(std::string alanMetni);
    // [ana] Escape: the text to put back into the field.
    std::string iptalEt();
    // [ana] Editing ended: the text to put back when it was cancelled;
    // otherwise nothing, and the field's text is to be applied.
    std::optional<std::string> duzenlemeBitti();
    // [ana] Applies the field's text as the manual name; true when it went to
    // the plug-in (then poll and redraw at once).
    bool adGirildi(std::string const& alanMetni);

    // [ana] The view leaves its host: nothing is called through the reader or
    // the writer again.
    void kopar();
    // [ana] What the polling timer (running: `calisiyor`) should do when the
    // view enters (`pencerede`) or leaves a window. On the Audio Unit route
    // nothing else ever stops it, so a closed editor stops polling this way
    // and can be freed.
    enum class Zamanlayici { dokunma, baslat, durdur };
    Zamanlayici pencereDegisti(bool pencerede, bool calisiyor) const;

    // --- Drawing.
    PanelCizimi cizim() const;
    // [ana] The 13 texts with their boxes, measured widths, alignment and
    // colour; `alanMetni`, `alanKutusu`: the field's text and frame.
    struct EnvanterSatiri {
        MetinSatiri satir;
        double cizilen;
    };
    std::vector<EnvanterSatiri> metinEnvanteri(std::string const& alanMetni, Kutu alanKutusu,
                                               GenislikOlcer const& olc) const;

    // --- Single texts, exposed for the view and the tests.
    std::string yerTutucu() const { return mYerTutucu; }
    std::string seviyeMetni() const;
    std::string bicimSatiri() const;
    std::string surumMetni() const;
    float gosterilenDb() const { return mGosterilenDb; }
    // Bar fraction of the meter: linear in dB, empty at -60, full at 0.
    float cubukOrani() const;
    Renk cubukRengi() const;

private:
    char const* M(char const* tr, char const* en) const { return mTurkce ? tr : en; }
    std::vector<MetinSatiri> satirlar() const;
    static ArayuzDurumu sessizKayit() {
        ArayuzDurumu d{};
        d.tepeDb = SESSIZ_DB;
        return d;
    }

    DurumOkuyucu mOku;
    AdYazici mYaz;
    bool const mAuYolu;
    bool const mTurkce;
    bool mKoparildi = false;
    ArayuzDurumu mDurum = sessizKayit(); // until a record is read: silence, no format
    float mGosterilenDb = SESSIZ_DB;
    bool mOkunabilir = true;
    std::string mYerTutucu;
    std::string mAdOnceki;
    bool mAdIptal = false;
};

} // namespace oka
