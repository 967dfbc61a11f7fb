// The least a Win32 program has to do to copy a tree: one walk with FindFirstFileExW, a
// CreateDirectoryW per directory and a CopyFileW per file. bench/copy.sh times QebInfo
// against it, so that what QebInfo adds on top of the unavoidable work shows as a ratio.
// Usage: FloorCopy SOURCE TARGET   (exit code 1 when anything was not copied)
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

bool Report(const wchar_t* call, const std::wstring& path) {
    std::fwprintf(stderr, L"%ls failed (%lu): %ls\n", call, ::GetLastError(), path.c_str());
    return false;
}

bool CopyTree(const std::wstring& source, const std::wstring& target) {
    if (!::CreateDirectoryW(target.c_str(), nullptr) && ::GetLastError() != ERROR_ALREADY_EXISTS) {
        return Report(L"CreateDirectoryW", target);
    }
    WIN32_FIND_DATAW entry{};
    const HANDLE search =
        ::FindFirstFileExW((source + L"\\*").c_str(), FindExInfoBasic, &entry,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return Report(L"FindFirstFileExW", source);
    }
    bool complete = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring from = source + L'\\' + name;
        const std::wstring to = target + L'\\' + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            complete = CopyTree(from, to) && complete;
        } else if (!::CopyFileW(from.c_str(), to.c_str(), TRUE)) {
            complete = Report(L"CopyFileW", from);
        }
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return complete;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 3) {
        std::fwprintf(stderr, L"usage: FloorCopy SOURCE TARGET\n");
        return 2;
    }
    return CopyTree(argv[1], argv[2]) ? 0 : 1;
}
