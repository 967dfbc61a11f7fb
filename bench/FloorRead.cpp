// The least a Win32 program has to do to read a tree: one walk with FindFirstFileExW and
// every byte of every file read once, nothing written. bench/pack.sh times PACK against it
// plus a native zip of the same tree, so that what PACK adds shows as a ratio.
// Usage: FloorRead FOLDER   (prints the bytes read; exit code 1 when a file could not be read)
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

bool ReadTree(const std::wstring& folder, std::vector<char>& block, unsigned long long& total) {
    WIN32_FIND_DATAW entry{};
    const HANDLE search =
        ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &entry,
                           FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool complete = true;
    do {
        const std::wstring name = entry.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        const std::wstring path = folder + L'\\' + name;
        if ((entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            complete = ReadTree(path, block, total) && complete;
            continue;
        }
        const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            complete = false;
            continue;
        }
        DWORD read = 0;
        while (::ReadFile(file, block.data(), static_cast<DWORD>(block.size()), &read, nullptr) &&
               read > 0) {
            total += read;
        }
        ::CloseHandle(file);
    } while (::FindNextFileW(search, &entry));
    ::FindClose(search);
    return complete;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) {
        std::fwprintf(stderr, L"usage: FloorRead FOLDER\n");
        return 2;
    }
    std::vector<char> block(1 << 20);
    unsigned long long total = 0;
    const bool complete = ReadTree(argv[1], block, total);
    std::printf("%llu\n", total);
    return complete ? 0 : 1;
}
