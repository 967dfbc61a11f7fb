#include "util/Paths.h"

#include <cstdlib>
#include <vector>

#include <boost/filesystem.hpp>

namespace qeb {
namespace fs = boost::filesystem;

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

}  // namespace

bool IsDirectory(const std::wstring& path) {
    return fs::is_directory(fs::status(path));
}

bool PathExists(const std::wstring& path) {
    return fs::exists(fs::status(path));
}

bool EnsureDirectory(const std::wstring& path) {
    if (IsDirectory(path)) {
        return true;
    }
    return fs::create_directories(path);
}

std::wstring GetSystemRoot() {
    size_t required = 0;
    _wgetenv_s(&required, nullptr, 0, L"SystemRoot");
    std::vector<wchar_t> buffer(required + 1, L'\0');
    _wgetenv_s(&required, buffer.data(), buffer.size(), L"SystemRoot");
    return std::wstring(buffer.data());
}

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

}  // namespace qeb
