#pragma once

namespace oka {

// [ana] The environment report: five event lines about the build, the process
// and its sandbox, written once when an instance is created.
void ortamiYaz(char const* degisken, char const* surum, char const* ornek);

} // namespace oka
