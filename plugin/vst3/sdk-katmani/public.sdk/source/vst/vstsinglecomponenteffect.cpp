#include "public.sdk/source/vst/vstsinglecomponenteffect.h"

namespace Steinberg {
namespace Vst {

SingleComponentEffect::SingleComponentEffect()
    : audioInputs(kAudio, kInput), audioOutputs(kAudio, kOutput), eventInputs(kEvent, kInput),
      eventOutputs(kEvent, kOutput) {
    // A host may ask for the set-up before it sends one.
    processSetup.maxSamplesPerBlock = 1024;
    processSetup.processMode = kRealtime;
    processSetup.sampleRate = 44100.0;
    processSetup.symbolicSampleSize = kSample32;
}

SingleComponentEffect::~SingleComponentEffect() {}

tresult PLUGIN_API SingleComponentEffect::initialize(FUnknown* context) {
    return EditControllerEx1::initialize(context);
}

tresult PLUGIN_API SingleComponentEffect::terminate() {
    parameters.removeAll();
    removeAllBusses();
    return EditControllerEx1::terminate();
}

AudioBus* SingleComponentEffect::addAudioInput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                               int32 flags) {
    auto* bus = new AudioBus(name, busType, flags, arr);
    audioInputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

AudioBus* SingleComponentEffect::addAudioOutput(const TChar* name, SpeakerArrangement arr, BusType busType,
                                                int32 flags) {
    auto* bus = new AudioBus(name, busType, flags, arr);
    audioOutputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

EventBus* SingleComponentEffect::addEventInput(const TChar* name, int32 channels, BusType busType,
                                               int32 flags) {
    auto* bus = new EventBus(name, busType, flags, channels);
    eventInputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

EventBus* SingleComponentEffect::addEventOutput(const TChar* name, int32 channels, BusType busType,
                                                int32 flags) {
    auto* bus = new EventBus(name, busType, flags, channels);
    eventOutputs.push_back(IPtr<Vst::Bus>(bus, false));
    return bus;
}

tresult SingleComponentEffect::removeAudioBusses() {
    audioInputs.clear();
    audioOutputs.clear();
    return kResultOk;
}

tresult SingleComponentEffect::removeEventBusses() {
    eventInputs.clear();
    eventOutputs.clear();
    return kResultOk;
}

tresult SingleComponentEffect::removeAllBusses() {
    removeAudioBusses();
    removeEventBusses();
    return kResultOk;
}

BusList* SingleComponentEffect::getBusList(MediaType type, BusDirection dir) {
    if (type == kAudio)
        return dir == kInput ? &audioInputs : &audioOutputs;
    if (type == kEvent)
        return dir == kInput ? &eventInputs : &eventOutputs;
    return nullptr;
}

// The controller lives in this object, so there is no separate controller class.
tresult PLUGIN_API SingleComponentEffect::getControllerClassId(TUID) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setIoMode(IoMode) {
    return kNotImplemented;
}

int32 PLUGIN_API SingleComponentEffect::getBusCount(MediaType type, BusDirection dir) {
    BusList* liste = getBusList(type, dir);
    return liste ? static_cast<int32>(liste->size()) : 0;
}

tresult PLUGIN_API SingleComponentEffect::getBusInfo(MediaType type, BusDirection dir, int32 index,
                                                     BusInfo& info) {
    BusList* liste = getBusList(type, dir);
    if (!liste || index < 0 || index >= static_cast<int32>(liste->size()))
        return kInvalidArgument;
    info.mediaType = type;
    info.direction = dir;
    return liste->at(index)->getInfo(info) ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::getRoutingInfo(RoutingInfo&, RoutingInfo&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::activateBus(MediaType type, BusDirection dir, int32 index,
                                                      TBool state) {
    BusList* liste = getBusList(type, dir);
    if (!liste || index < 0 || index >= static_cast<int32>(liste->size()))
        return kInvalidArgument;
    liste->at(index)->setActive(state);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::setActive(TBool) {
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setState(IBStream*) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::getState(IBStream*) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::setBusArrangements(SpeakerArrangement* inputs, int32 numIns,
                                                             SpeakerArrangement* outputs, int32 numOuts) {
    if (numIns < 0 || numOuts < 0)
        return kInvalidArgument;
    if (numIns > static_cast<int32>(audioInputs.size()) || numOuts > static_cast<int32>(audioOutputs.size()))
        return kResultFalse;
    if ((numIns > 0 && !inputs) || (numOuts > 0 && !outputs))
        return kInvalidArgument;
    for (int32 i = 0; i < numIns; ++i)
        if (auto* bus = FCast<AudioBus>(audioInputs[i].get()))
            bus->setArrangement(inputs[i]);
    for (int32 i = 0; i < numOuts; ++i)
        if (auto* bus = FCast<AudioBus>(audioOutputs[i].get()))
            bus->setArrangement(outputs[i]);
    return kResultTrue;
}

tresult PLUGIN_API SingleComponentEffect::getBusArrangement(BusDirection dir, int32 index,
                                                            SpeakerArrangement& arr) {
    BusList* liste = getBusList(kAudio, dir);
    if (!liste || index < 0 || index >= static_cast<int32>(liste->size()))
        return kInvalidArgument;
    if (auto* bus = FCast<AudioBus>(liste->at(index).get())) {
        arr = bus->getArrangement();
        return kResultTrue;
    }
    return kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::canProcessSampleSize(int32 symbolicSampleSize) {
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API SingleComponentEffect::setupProcessing(ProcessSetup& setup) {
    if (canProcessSampleSize(setup.symbolicSampleSize) != kResultTrue)
        return kResultFalse;
    processSetup = setup;
    return kResultOk;
}

tresult PLUGIN_API SingleComponentEffect::setProcessing(TBool) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::process(ProcessData&) {
    return kNotImplemented;
}

tresult PLUGIN_API SingleComponentEffect::queryInterface(const TUID iid, void** obj) {
    QUERY_INTERFACE(iid, obj, IComponent::iid, IComponent)
    QUERY_INTERFACE(iid, obj, IAudioProcessor::iid, IAudioProcessor)
    QUERY_INTERFACE(iid, obj, IProcessContextRequirements::iid, IProcessContextRequirements)
    return EditControllerEx1::queryInterface(iid, obj);
}

} // namespace Vst
} // namespace Steinberg
