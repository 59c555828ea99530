// The module's factory: one class, "OKA Bridge".

#include "OKABridgeVST3.h"
#include "Surum.h"

#include "public.sdk/source/main/pluginfactory.h"

using namespace Steinberg;

namespace {
// The SDK version the plug-in is written against; hosts show it, nothing checks it.
constexpr char const* SDK_SURUMU = "VST 3.8.1";
} // namespace

SMTG_EXPORT_SYMBOL IPluginFactory* PLUGIN_API GetPluginFactory() {
    if (!gPluginFactory) {
        static PFactoryInfo const bilgi("Velmora", "https://velmora.example", "", PFactoryInfo::kUnicode);
        auto* fabrika = new CPluginFactory(bilgi);
        static PClassInfo2 const sinif(OKABridgeVST3::cid.toTUID(), PClassInfo::kManyInstances,
                                       kVstAudioEffectClass, "OKA Bridge", 0, "Fx|Analyzer", "", oka::SURUM,
                                       SDK_SURUMU);
        fabrika->registerClass(&sinif, OKABridgeVST3::olustur);
        gPluginFactory = fabrika;
    } else {
        gPluginFactory->addRef();
    }
    return gPluginFactory;
}
