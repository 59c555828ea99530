#pragma once
// Facts about the running process. The platform file supplies the raw answers
// of the system; what they mean is decided here, the same on every platform.

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

// [herhangi] The meaning of sandbox_check's answer: 1 sandboxed, 0 not,
// anything else (an error, or no such call) unknown.
std::optional<bool> kumHavuzuYaniti(int yanit);

// The platform's raw answers (one file per platform).
// [herhangi] The system's short process name; may be null.
char const* platformSurecAdi();
// [herhangi] sandbox_check for the own process, or -1 where there is none.
int platformKumHavuzuDenetimi();

} // namespace oka
