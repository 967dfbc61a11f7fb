// Process, thread and console locale from the system default locale.
#pragma once

#include <string>

namespace qeb {

struct SystemLocaleNames {
    std::wstring language;  // English name, e.g. "Japanese"
    std::wstring country;   // English name, e.g. "Japan"
    std::wstring codePage;  // default ANSI code page, e.g. "932"
};

// language_country.codepage, the C runtime's locale-name form.
std::wstring ComposeLocaleName(const SystemLocaleNames& names);

// Sets the C runtime locale (a refused name is ignored), refreshes the time-zone
// settings and the thread locale, and points the console at the language's code page.
void ApplySystemLocale();

}  // namespace qeb
