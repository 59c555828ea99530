#include "AudioBirimi.h"

#include <AudioToolbox/AudioToolbox.h>

namespace oka {

std::int32_t auOzellikOku(AudioBirimi au, std::uint32_t ozellik, void* veri, std::uint32_t boyut) {
    UInt32 n = boyut;
    return AudioUnitGetProperty(static_cast<AudioUnit>(au), ozellik, kAudioUnitScope_Global, 0, veri, &n);
}

std::int32_t auOzellikYaz(AudioBirimi au, std::uint32_t ozellik, void const* veri, std::uint32_t boyut) {
    return AudioUnitSetProperty(static_cast<AudioUnit>(au), ozellik, kAudioUnitScope_Global, 0, veri, boyut);
}

} // namespace oka
