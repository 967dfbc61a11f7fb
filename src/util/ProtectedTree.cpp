#include "util/ProtectedTree.h"

#include <windows.h>

#include <vector>

#include "util/OutputCalls.h"
#include "util/OutputProtection.h"
#include "util/PathText.h"
#include "util/TemporarySibling.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

unsigned long Protect(const std::wstring& path) {
    const UniqueFileHandle entry(TheOutputCalls().createFile(
        path.c_str(), WRITE_DAC | WRITE_OWNER | READ_CONTROL,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!entry) {
        return ::GetLastError();
    }
    return OutputProtection::Get().ApplyTo(entry.Get());
}

void RemoveLeftover(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

}  // namespace

unsigned long ProtectExistingTree(const std::wstring& root) {
    if (const unsigned long error = Protect(root); error != ERROR_SUCCESS) {
        return error;
    }
    std::vector<std::wstring> pending{root};
    while (!pending.empty()) {
        const std::wstring directory = std::move(pending.back());
        pending.pop_back();
        WIN32_FIND_DATAW data{};
        const UniqueFindHandle search(::FindFirstFileExW(
            JoinPath(directory, L"*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
            nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!search) {
            continue;
        }
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring path = JoinPath(directory, name);
            const bool isDirectory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool isLink = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!isDirectory && TemporarySibling::IsTemporaryName(name)) {
                RemoveLeftover(path);
                continue;
            }
            Protect(path);
            // Wine keeps the read-only attribute in the Unix mode that a new DACL rewrites; the
            // copy must keep its source's attribute.
            if ((data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0 &&
                (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) == 0) {
                ::SetFileAttributesW(path.c_str(), data.dwFileAttributes);
            }
            if (isDirectory && !isLink) {
                pending.push_back(path);
            }
        } while (::FindNextFileW(search.Get(), &data));
    }
    return ERROR_SUCCESS;
}

}  // namespace qeb
