#pragma once
// The user's language as the platform reports it.

#include <string>

namespace oka {

// [ana] The first of the user's preferred languages ("tr-TR", "en-GB"), or
// "en" when the system names none. CFLocale on macOS; here the first set of
// LANGUAGE, LC_ALL, LC_MESSAGES, LANG.
std::string tercihEdilenDil();

} // namespace oka
