#include "OKABridgePanel.h"

#include "OKABridgeVST3.h"
#include "Panel.h"

#include "pluginterfaces/gui/iplugview.h"

#include <cstring>

using namespace Steinberg;

OKABridgePanel::OKABridgePanel(OKABridgeVST3* eklenti) : CPluginView(nullptr), eklenti(eklenti) {
    int genislik = 0, yukseklik = 0;
    oka::panelBoyutu(genislik, yukseklik);
    rect = ViewRect(0, 0, genislik, yukseklik);
    if (eklenti)
        eklenti->addRef();
}

OKABridgePanel::~OKABridgePanel() {
    oka::panelKopar(gorunum);
    if (eklenti)
        eklenti->release();
}

tresult PLUGIN_API OKABridgePanel::isPlatformTypeSupported(FIDString type) {
    return type && std::strcmp(type, kPlatformTypeNSView) == 0 ? kResultTrue : kResultFalse;
}

tresult PLUGIN_API OKABridgePanel::attached(void* parent, FIDString type) {
    if (!parent || isPlatformTypeSupported(type) != kResultTrue || !eklenti)
        return kResultFalse;
    // Both capture the plug-in, which the panel keeps alive; the view drops
    // them before the panel lets it go.
    OKABridgeVST3* e = eklenti;
    oka::panelKopar(gorunum); // a host that attaches twice without removing
    gorunum = oka::panelKur(
        parent,
        [e](oka::ArayuzDurumu& d) {
            e->durumDoldur(d);
            return true;
        },
        [e](char const* ad) { e->elleAdiUygula(ad, "arayuz"); });
    return CPluginView::attached(parent, type);
}

tresult PLUGIN_API OKABridgePanel::removed() {
    oka::panelKopar(gorunum);
    gorunum = nullptr;
    return CPluginView::removed();
}
