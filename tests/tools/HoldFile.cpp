// hold_file <file> <marker folder>: keeps <file> open without sharing, as a product keeps its
// database, from the moment it writes <marker folder>\held until <marker folder>\release
// appears (two minutes at most). Exit code 1 when the file cannot be opened.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 2;
    }
    const HANDLE file = ::CreateFileW(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const std::wstring markers = argv[2];
    ::CloseHandle(::CreateFileW((markers + L"\\held").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::wstring release = markers + L"\\release";
    for (int i = 0; i < 1200 && ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i) {
        ::Sleep(100);
    }
    ::CloseHandle(file);
    return 0;
}
