#pragma once
// Builder for the IProcessContextRequirements mask.

#include "pluginterfaces/vst/ivstaudioprocessor.h"

namespace Steinberg {
namespace Vst {

struct ProcessContextRequirements {
    using Self = ProcessContextRequirements;
    using R = IProcessContextRequirements;

    Self& needSystemTime() { return set(R::kNeedSystemTime); }
    Self& needContinousTimeSamples() { return set(R::kNeedContinousTimeSamples); }
    Self& needProjectTimeMusic() { return set(R::kNeedProjectTimeMusic); }
    Self& needBarPositionMusic() { return set(R::kNeedBarPositionMusic); }
    Self& needCycleMusic() { return set(R::kNeedCycleMusic); }
    Self& needSamplesToNextClock() { return set(R::kNeedSamplesToNextClock); }
    Self& needTempo() { return set(R::kNeedTempo); }
    Self& needTimeSignature() { return set(R::kNeedTimeSignature); }
    Self& needChord() { return set(R::kNeedChord); }
    Self& needFrameRate() { return set(R::kNeedFrameRate); }
    Self& needTransportState() { return set(R::kNeedTransportState); }

    uint32 flags{0};

private:
    Self& set(uint32 f) {
        flags |= f;
        return *this;
    }
};

} // namespace Vst
} // namespace Steinberg
