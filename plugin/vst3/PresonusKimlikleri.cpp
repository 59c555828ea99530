// Interface IDs of the PreSonus extensions: their headers declare them, and no
// SDK file defines them. Both the plug-in and the headless host need them.

#include "pluginterfaces/base/funknown.h"
#include "pslextensions/ipslcontextinfo.h"

namespace Presonus {
DEF_CLASS_IID(IContextInfoProvider)
DEF_CLASS_IID(IContextInfoProvider2)
DEF_CLASS_IID(IContextInfoHandler)
DEF_CLASS_IID(IContextInfoHandler2)
} // namespace Presonus
