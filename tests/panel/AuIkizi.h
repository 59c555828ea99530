#pragma once
// An Audio Unit for the view tests: the property calls of AudioBirimi.h,
// defined here in place of the platform's, take `au` as one of these. It
// answers property 64000 with `durum` and status `okumaSonucu` and keeps what
// 64002 got.

#include "AudioBirimi.h"

#include <string>

namespace oka {

struct AuIkizi {
    ArayuzDurumu durum{};
    std::int32_t okumaSonucu = 0;
    int okumaSayisi = 0;
    std::string yazilanAd;
    int yazmaSayisi = 0;
};

} // namespace oka
