#include "support/DirectoryLink.h"

#include <windows.h>

#include "support/ProcessHarness.h"
#include "support/Scratch.h"
#include "util/UniqueOwner.h"

namespace qeb::test {
namespace {

using UnixNameFn = char*(CDECL*)(const wchar_t*);

UnixNameFn UnixNameFunction() {
    const FARPROC function =
        ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name");
    return reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(function));
}

std::wstring UnixName(UnixNameFn toUnix, const std::wstring& path) {
    char* name = toUnix(path.c_str());
    const std::wstring wide = name != nullptr ? Decode(name, CP_UTF8) : std::wstring();
    ::HeapFree(::GetProcessHeap(), 0, name);
    return wide;
}

// Without inherited handles: under Wine, a Unix child given ours made the rest of the
// test's standard output disappear.
void RunUnix(const std::wstring& program, const std::wstring& arguments) {
    std::wstring commandLine = program + L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         nullptr, &startup, &info)) {
        UniqueHandle process(info.hProcess);
        UniqueHandle thread(info.hThread);
    }
}

}  // namespace

DirectoryLink::DirectoryLink(const std::wstring& link, const std::wstring& target) : m_link(link) {
    if (const auto toUnix = UnixNameFunction()) {
        RunUnix(L"Z:\\bin\\ln", L"-s " + QuoteArgument(UnixName(toUnix, target)) + L" " +
                                    QuoteArgument(UnixName(toUnix, link)));
        WaitUntil(true);
    } else {
        ::CreateSymbolicLinkW(link.c_str(), target.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY | 0x2);
    }
}

DirectoryLink::~DirectoryLink() {
    if (const auto toUnix = UnixNameFunction()) {
        RunUnix(L"Z:\\bin\\rm", QuoteArgument(UnixName(toUnix, m_link)));
        WaitUntil(false);
    } else {
        ::RemoveDirectoryW(m_link.c_str());
    }
}

bool DirectoryLink::Exists() const {
    const DWORD attributes = ::GetFileAttributesW(m_link.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// Wine does not wait for the Unix programs that it starts.
void DirectoryLink::WaitUntil(bool exists) const {
    for (int i = 0; i < 3000 && Exists() != exists; ++i) {
        ::Sleep(10);
    }
}

}  // namespace qeb::test
