#pragma once
// The user's preferred language as the platform reports it.

#include <string>

namespace oka {

// [ana] The first of the user's preferred languages as the system spells it
// ("tr-TR", "en_GB.UTF-8"), or empty when it names none. NSLocale on Apple;
// here the first set of LANGUAGE, LC_ALL, LC_MESSAGES, LANG.
std::string tercihEdilenDil();

} // namespace oka
