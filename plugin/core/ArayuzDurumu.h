#pragma once
// The panel's status record. It also travels whole as 584 bytes (the Audio
// Unit property route), so its layout is fixed and checked below.

#include <cstddef>
#include <cstdint>

namespace oka {

struct ArayuzDurumu {
    std::int32_t rolMasterMi;
    std::int32_t bagliMi;
    double ornekleme;
    std::int32_t kanal;
    float tepeDb;
    char logicAd[256];
    char elleAd[256];
    char surum[16];
    char konak[32];
};

static_assert(sizeof(ArayuzDurumu) == 584, "status record travels as 584 bytes");
static_assert(offsetof(ArayuzDurumu, rolMasterMi) == 0);
static_assert(offsetof(ArayuzDurumu, bagliMi) == 4);
static_assert(offsetof(ArayuzDurumu, ornekleme) == 8);
static_assert(offsetof(ArayuzDurumu, kanal) == 16);
static_assert(offsetof(ArayuzDurumu, tepeDb) == 20);
static_assert(offsetof(ArayuzDurumu, logicAd) == 24);
static_assert(offsetof(ArayuzDurumu, elleAd) == 280);
static_assert(offsetof(ArayuzDurumu, surum) == 536);
static_assert(offsetof(ArayuzDurumu, konak) == 552);

} // namespace oka
