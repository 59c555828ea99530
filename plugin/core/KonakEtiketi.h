#pragma once

#include <string>
#include <string_view>

namespace oka {

// [herhangi] Short host label for a process name: "Logic", "Cubase",
// "Studio One", "DAW" for an empty name, otherwise the name itself.
std::string konakEtiketi(std::string_view surecAdi);

} // namespace oka
