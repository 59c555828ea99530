// Linux module entry points: the host calls ModuleEntry after dlopen and
// ModuleExit before dlclose. Loads are counted so nested hosts stay balanced.

#include "pluginterfaces/base/fplatform.h"

#include <atomic>

namespace Steinberg {
bool InitModule();
bool DeinitModule();
} // namespace Steinberg

void* moduleHandle = nullptr;
static std::atomic<int> gModuleCounter{0};

extern "C" {

SMTG_EXPORT_SYMBOL bool ModuleEntry(void* sharedLibraryHandle) {
    if (gModuleCounter.fetch_add(1) > 0)
        return true;
    moduleHandle = sharedLibraryHandle;
    if (!Steinberg::InitModule()) {
        gModuleCounter.fetch_sub(1);
        moduleHandle = nullptr;
        return false;
    }
    return true;
}

SMTG_EXPORT_SYMBOL bool ModuleExit() {
    int const onceki = gModuleCounter.fetch_sub(1);
    if (onceki <= 0) {
        gModuleCounter.fetch_add(1);
        return false;
    }
    if (onceki > 1)
        return true;
    moduleHandle = nullptr;
    return Steinberg::DeinitModule();
}

} // extern "C"
