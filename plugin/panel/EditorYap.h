#pragma once
// Where the plug-in gets its editor: the AppKit panel on Apple. The Linux
// plug-in module carries no GUI toolkit, so there it has none.

namespace Steinberg {
class IPlugView;
}
class OKABridgeVST3;

namespace oka {

// [ana] A new panel for `eklenti`, one reference for the caller; null where
// the plug-in has no editor.
Steinberg::IPlugView* editorYap(OKABridgeVST3* eklenti);

} // namespace oka
