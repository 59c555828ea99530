#pragma once
// The plug-in's IPlugView: embeds the AppKit panel in the host's NSView and
// hands it a status reader and a name writer over the plug-in's core.

#include "public.sdk/source/common/pluginview.h"

class OKABridgeVST3;

class OKABridgePanel : public Steinberg::CPluginView {
public:
    // [ana] Holds one reference on `eklenti` (when given) until destroyed.
    explicit OKABridgePanel(OKABridgeVST3* eklenti);
    // [ana] Tears down a view still attached, then gives the reference back.
    ~OKABridgePanel() override;

    // [ana] Only "NSView".
    Steinberg::tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    // [ana] Builds the view inside `parent`; kResultFalse for a null parent,
    // another platform type or a panel without a plug-in.
    Steinberg::tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    // [ana] Tears the view down; the panel can be attached again.
    Steinberg::tresult PLUGIN_API removed() override;

private:
    OKABridgeVST3* eklenti;
    void* gorunum = nullptr; // the NSView, one retain; null while not attached
};
