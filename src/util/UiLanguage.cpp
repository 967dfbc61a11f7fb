#include "util/UiLanguage.h"

#include <windows.h>

namespace qeb {

std::wstring SystemUiLocaleName() {
    wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
    const LCID locale = MAKELCID(::GetSystemDefaultUILanguage(), SORT_DEFAULT);
    const int length = ::LCIDToLocaleName(locale, name, LOCALE_NAME_MAX_LENGTH, 0);
    return length > 1 ? std::wstring(name, static_cast<size_t>(length - 1)) : std::wstring();
}

}  // namespace qeb
