#include "app/SystemLocale.h"

#include <windows.h>

#include <clocale>
#include <cstdlib>
#include <ctime>
#include <cwchar>
#include <vector>

#include "util/Console.h"

namespace qeb {
namespace {

std::wstring ReadLocaleInfo(LCID locale, LCTYPE type) {
    const int length = ::GetLocaleInfoW(locale, type, nullptr, 0);
    std::vector<wchar_t> buffer(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    ::GetLocaleInfoW(locale, type, buffer.data(), length);
    return std::wstring(buffer.data());
}

}  // namespace

std::wstring ComposeLocaleName(const SystemLocaleNames& names) {
    return names.language + L"_" + names.country + L"." + names.codePage;
}

void ApplySystemLocale() {
    const LCID locale = ::GetSystemDefaultLCID();
    const SystemLocaleNames names{ReadLocaleInfo(locale, LOCALE_SENGLANGUAGE),
                                  ReadLocaleInfo(locale, LOCALE_SENGCOUNTRY),
                                  ReadLocaleInfo(locale, LOCALE_IDEFAULTANSICODEPAGE)};
    _wsetlocale(LC_ALL, ComposeLocaleName(names).c_str());
    _tzset();
    ::SetThreadLocale(locale);

    // The console gets the language's code page directly: the C++ runtime here
    // does not know the language name as a stream locale.
    const unsigned long codePage = std::wcstoul(names.codePage.c_str(), nullptr, 10);
    SetConsoleCodePage(codePage != 0 ? static_cast<unsigned>(codePage) : ::GetACP());
}

}  // namespace qeb
