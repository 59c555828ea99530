#include "Cerceve.h"

#include "Ayarlar.h"
#include "JsonKacis.h"
#include "Utf8.h"

#include <cstdio>

namespace oka::yardimci {

std::optional<Baytlar> cerceve(uint8_t tip, Baytlar const& govde) {
    if (govde.size() > EN_BUYUK_GOVDE)
        return std::nullopt;
    size_t const uzunluk = govde.size() + 1;
    Baytlar c;
    c.reserve(uzunluk + 2);
    c.push_back(uint8_t(uzunluk >> 8));
    c.push_back(uint8_t(uzunluk & 0xFF));
    c.push_back(tip);
    c.insert(c.end(), govde.begin(), govde.end());
    return c;
}

std::string hex(Baytlar const& baytlar) {
    static constexpr char RAKAM[] = "0123456789ABCDEF";
    std::string metin;
    for (size_t i = 0; i < baytlar.size(); ++i) {
        if (i)
            metin += ' ';
        metin += RAKAM[baytlar[i] >> 4];
        metin += RAKAM[baytlar[i] & 0xF];
    }
    return metin;
}

std::string hexSinirli(Baytlar const& baytlar) {
    constexpr size_t SINIR = 64;
    if (baytlar.size() <= SINIR)
        return hex(baytlar);
    return hex(Baytlar(baytlar.begin(), baytlar.begin() + SINIR)) + " … (" + std::to_string(baytlar.size()) +
           " bayt)";
}

std::string gunlukMetni(std::string const& metin) {
    std::string s;
    for (unsigned char c : metin) {
        if (c == '\n')
            s += "\\n";
        else if (c == '\r')
            s += "\\r";
        else if (c == '\t')
            s += "\\t";
        else if (c < 0x20 || c == 0x7F) {
            char kod[5];
            std::snprintf(kod, sizeof kod, "\\x%02X", c);
            s += kod;
        } else
            s += char(c);
    }
    return s;
}

KesimSonucu cerceveKes(uint8_t const* alinan, size_t boyut) {
    KesimSonucu s;
    if (boyut < 2)
        return s;
    size_t const uzunluk = size_t(alinan[0]) * 256 + alinan[1];
    if (uzunluk == 0) {
        s.tur = KesimSonucu::HATA;
        return s;
    }
    if (boyut < uzunluk + 2)
        return s;
    s.tur = KesimSonucu::CERCEVE;
    s.tip = alinan[2];
    s.govde.assign(alinan + 3, alinan + 2 + uzunluk);
    s.tuketilen = uzunluk + 2;
    return s;
}

bool gecerliUtf8(Baytlar const& b) {
    for (size_t i = 0, n; i < b.size(); i += n)
        if ((n = oka::utf8Karakter(b.data() + i, b.size() - i)) == 0)
            return false;
    return true;
}

HttpKarari httpIstegiMi(Baytlar const& ilkBaytlar) {
    // Methods are short; a longer run of capitals is not a request line.
    constexpr size_t EN_UZUN_YONTEM = 16;
    for (size_t i = 0; i < ilkBaytlar.size() && i <= EN_UZUN_YONTEM; ++i) {
        uint8_t const b = ilkBaytlar[i];
        if (b == ' ')
            return i > 0 ? HttpKarari::EVET : HttpKarari::HAYIR;
        if (b < 'A' || b > 'Z')
            return HttpKarari::HAYIR;
    }
    return ilkBaytlar.size() > EN_UZUN_YONTEM ? HttpKarari::HAYIR : HttpKarari::BELIRSIZ;
}

std::string merhabaMetni(std::string const& portAdi, int32_t hedefKimlik, int32_t kaynakKimlik, long pid) {
    return "{\"merhaba\":\"oka-midi-yardimci\",\"surum\":\"" + std::string(SURUM) + "\",\"port\":\"" +
           oka::jsonKacis(portAdi) + "\",\"hedefKimlik\":" + std::to_string(hedefKimlik) +
           ",\"kaynakKimlik\":" + std::to_string(kaynakKimlik) + ",\"pid\":" + std::to_string(pid) + "}";
}

} // namespace oka::yardimci
