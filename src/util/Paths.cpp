#include "util/Paths.h"

#include <cstdlib>
#include <vector>

#include <windows.h>

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

std::wstring ReadWholeText(const std::function<unsigned long(wchar_t*, unsigned long)>& read) {
    // A fixed MAX_PATH buffer would cut a longer path and look beside the wrong folder.
    std::wstring text(MAX_PATH, L'\0');
    for (;;) {
        const unsigned long size = static_cast<unsigned long>(text.size());
        const unsigned long length = read(text.data(), size);
        if (length == 0) {
            return {};
        }
        if (length < size) {
            text.resize(length);
            return text;
        }
        text.resize(text.size() * 2);
    }
}

std::wstring DirectoryOf(const std::wstring& path) {
    const size_t separator = path.find_last_of(L"\\/");
    if (separator == std::wstring::npos) {
        return {};
    }
    const bool isRoot = separator > 0 && path[separator - 1] == L':';
    return path.substr(0, isRoot ? separator + 1 : separator);
}

std::wstring GetModuleDirectory() {
    return DirectoryOf(ReadWholeText([](wchar_t* buffer, unsigned long size) {
        return ::GetModuleFileNameW(nullptr, buffer, size);
    }));
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
