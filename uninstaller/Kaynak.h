#pragma once
// Where the removal script ships with the application.

#include <optional>
#include <string>

namespace oka {

// [ana] Path of the resource kaldir.sh: in the bundle's Resources on macOS,
// beside the executable here. Empty when the file is not there.
std::optional<std::string> betikKaynagi();

} // namespace oka
