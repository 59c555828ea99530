#pragma once
// Facts about the running process that the platform supplies.

#include <optional>
#include <string>

namespace oka {

// [herhangi] Short name of the running process (getprogname on macOS).
std::string surecAdi();

// [herhangi] Process id.
long surecNo();

// [herhangi] Whether the own process is sandboxed: true/false, or empty when
// the platform cannot tell.
std::optional<bool> kumHavuzunda();

// Tests name the process as a host would be named; empty restores the real one.
void surecAdiDegistir(std::string ad);

} // namespace oka
