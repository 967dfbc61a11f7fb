#include "util/PathText.h"

namespace qeb {
namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

std::wstring JoinPath(const std::wstring& left, const std::wstring& right) {
    if (right.empty()) {
        return left;
    }
    if (left.empty()) {
        return right;
    }
    const wchar_t last = left.back();
    if (IsSeparator(last) || last == L':' || IsSeparator(right.front())) {
        return left + right;
    }
    return left + L'\\' + right;
}

std::wstring DirectoryOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    const bool isRoot = separator > 0 && path[separator - 1] == L':';
    return path.substr(0, isRoot ? separator + 1 : separator);
}

}  // namespace qeb
