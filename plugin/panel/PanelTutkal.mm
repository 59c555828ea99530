#include "Panel.h"

#import "OKABridgeVST3Gorunum.h"

namespace oka {

void *panelKur(void *ebeveyn, DurumOkuyucu oku, AdYazici yaz) {
    OKABridgeVST3Gorunum *gorunum = [[OKABridgeVST3Gorunum alloc] initWithOku:oku yaz:yaz];
    if (gorunum)
        [static_cast<NSView *>(ebeveyn) addSubview:gorunum];
    return gorunum;
}

void panelKopar(void *gorunum) {
    OKABridgeVST3Gorunum *g = static_cast<OKABridgeVST3Gorunum *>(gorunum);
    [g kopar];
    [g release];
}

void panelBoyutu(int &genislik, int &yukseklik) {
    genislik = static_cast<int>(PanelModeli::GENISLIK);
    yukseklik = static_cast<int>(PanelModeli::YUKSEKLIK);
}

} // namespace oka
