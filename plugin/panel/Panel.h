#pragma once
// Glue between the plug-in's portable code and the AppKit view: the view is
// handed around as an opaque pointer to an NSView.

#include "PanelModeli.h"

namespace oka {

// [ana] Makes the view around the reader and the writer and, when `ebeveyn`
// (an NSView) is given, adds it there. The caller owns one retain.
void* panelKur(void* ebeveyn, DurumOkuyucu oku, AdYazici yaz);
// [ana] Stops the view's timer, drops its reader and writer, takes it out of
// its parent and gives up the caller's retain. Null does nothing.
void panelKopar(void* gorunum);
// [herhangi] The panel's fixed size in points.
void panelBoyutu(int& genislik, int& yukseklik);

} // namespace oka
