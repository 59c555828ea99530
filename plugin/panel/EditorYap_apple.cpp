#include "EditorYap.h"

#include "OKABridgePanel.h"

namespace oka {

Steinberg::IPlugView* editorYap(OKABridgeVST3* eklenti) {
    return new OKABridgePanel(eklenti);
}

} // namespace oka
