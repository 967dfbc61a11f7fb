// hold_file <file> <marker folder> [log]: keeps <file> open from the moment it writes
// <marker folder>\held until <marker folder>\release appears (two minutes at most). Without a
// third argument it holds the file without sharing, as a product holds its database; with
// "log" it shares reading and writing and appends a line every 50 ms, as a service writes its
// log. Exit code 1 when the file cannot be opened.
#include <windows.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        return 2;
    }
    const bool log = argc > 3 && std::wstring(argv[3]) == L"log";
    const HANDLE file = ::CreateFileW(
        argv[1], log ? FILE_APPEND_DATA : GENERIC_READ | GENERIC_WRITE,
        log ? FILE_SHARE_READ | FILE_SHARE_WRITE : 0, nullptr, log ? OPEN_ALWAYS : OPEN_EXISTING,
        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    const std::wstring markers = argv[2];
    ::CloseHandle(::CreateFileW((markers + L"\\held").c_str(), GENERIC_WRITE, 0, nullptr,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    const std::wstring release = markers + L"\\release";
    const char line[] = "2026-12-09 10:00:00 INFO request served\r\n";
    for (int i = 0; i < 2400 && ::GetFileAttributesW(release.c_str()) == INVALID_FILE_ATTRIBUTES;
         ++i) {
        if (log) {
            DWORD written = 0;
            ::WriteFile(file, line, sizeof line - 1, &written, nullptr);
        }
        ::Sleep(50);
    }
    ::CloseHandle(file);
    return 0;
}
