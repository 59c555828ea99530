#include "AudioBirimi.h"

namespace oka {

namespace {
constexpr std::int32_t OZELLIK_YOK = -10879; // kAudioUnitErr_InvalidProperty
}

// No Audio Unit exists here: every property call fails as for a property the
// unit does not know. (The view tests link their own stand-in for a unit.)
std::int32_t auOzellikOku(AudioBirimi, std::uint32_t, void*, std::uint32_t) {
    return OZELLIK_YOK;
}

std::int32_t auOzellikYaz(AudioBirimi, std::uint32_t, void const*, std::uint32_t) {
    return OZELLIK_YOK;
}

} // namespace oka
