#include "util/Paths.h"

#include <windows.h>

#include <shlwapi.h>

#include <cstdlib>
#include <vector>

#include <boost/filesystem.hpp>

#include "util/PathText.h"
#include "util/ReparseTag.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace fs = boost::filesystem;

bool IsDirectory(const std::wstring& path) {
    return fs::is_directory(fs::status(path));
}

bool PathExists(const std::wstring& path) {
    return fs::exists(fs::status(path));
}

bool IsLink(const std::wstring& path) {
    const DWORD attributes = ::GetFileAttributesW(PathForCalls(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    // The search gives the tag in dwReserved0 for a reparse point (WIN32_FIND_DATAW).
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle search(::FindFirstFileW(PathForCalls(path).c_str(), &data));
    return !search || IsLinkReparseTag(data.dwReserved0);
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

std::optional<std::wstring> CombinePathAsShell(const std::wstring& directory,
                                               const std::wstring& name) {
    wchar_t combined[MAX_PATH] = {};
    if (directory.size() >= MAX_PATH || name.size() >= MAX_PATH ||
        ::PathCombineW(combined, directory.c_str(), name.c_str()) == nullptr) {
        return std::nullopt;
    }
    return std::wstring(combined);
}

std::wstring FullPathOf(const std::wstring& path) {
    return ReadWholeText([&path](wchar_t* buffer, unsigned long size) {
        const DWORD length = ::GetFullPathNameW(path.c_str(), size, buffer, nullptr);
        return length >= size ? size : length;  // too small: asks for more room
    });
}

std::wstring ExtendedLengthPath(const std::wstring& path) {
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path;
    }
    const std::wstring full = FullPathOf(path);
    if (full.size() >= 2 && full[0] == L'\\' && full[1] == L'\\') {
        return L"\\\\?\\UNC" + full.substr(1);
    }
    return full.empty() ? full : L"\\\\?\\" + full;
}

std::wstring PathForCalls(const std::wstring& path) {
    // CreateDirectoryW takes no path of MAX_PATH - 12 characters or more in the plain form,
    // and a relative path counts with the current directory in front of it.
    constexpr size_t kLongestPlainPath = MAX_PATH - 13;
    if (path.compare(0, 4, L"\\\\?\\") == 0) {
        return path;
    }
    const std::wstring full = FullPathOf(path);
    if (full.size() <= kLongestPlainPath) {
        return path;
    }
    const std::wstring extended = ExtendedLengthPath(full);
    return extended.empty() ? path : extended;
}

std::wstring WithoutExtendedPrefix(const std::wstring& path) {
    if (path.compare(0, 8, L"\\\\?\\UNC\\") == 0) {
        return L"\\" + path.substr(7);
    }
    return path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
}

std::wstring GetModuleDirectory() {
    return DirectoryOf(ReadWholeText([](wchar_t* buffer, unsigned long size) {
        return ::GetModuleFileNameW(nullptr, buffer, size);
    }));
}

}  // namespace qeb
