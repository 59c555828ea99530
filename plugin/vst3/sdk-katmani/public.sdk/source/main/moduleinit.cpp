// Module initialisation hooks that the entry points call on the first load and
// the last unload. Nothing of ours needs to run there.

namespace Steinberg {
bool InitModule() {
    return true;
}
bool DeinitModule() {
    return true;
}
} // namespace Steinberg
