#pragma once
// The user's languages as the platform reports them.

#include <string>
#include <vector>

namespace oka {

// [ana] The user's preferred languages, most preferred first ("tr-TR",
// "en-GB"); empty when the system names none. CFLocale on macOS; here the
// list in the first set of LANGUAGE, LC_ALL, LC_MESSAGES, LANG.
std::vector<std::string> tercihEdilenDiller();

} // namespace oka
