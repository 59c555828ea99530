#include "EditorYap.h"

namespace oka {

Steinberg::IPlugView* editorYap(OKABridgeVST3*) {
    return nullptr;
}

} // namespace oka
