#include "util/ProtectedTree.h"

#include <windows.h>

#include "util/DirectoryWalk.h"
#include "util/OutputCalls.h"
#include "util/OutputProtection.h"
#include "util/PathText.h"
#include "util/Paths.h"
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
    return OutputProtection::Get().ApplyTo(entry.Get(), WithoutExtendedPrefix(path));
}

}  // namespace

unsigned long ProtectExistingTree(const std::wstring& root) {
    const std::wstring base = PathForCalls(root);
    if (const unsigned long error = Protect(base); error != ERROR_SUCCESS) {
        return error;
    }
    const DWORD self = ::GetCurrentProcessId();
    DirectoryWalk::Run(
        ExtendedLengthPath(base),
        [&base, self](const WalkEntry& entry) {
            const std::wstring path = PathForCalls(JoinPath(base, entry.relative));
            if (!entry.IsDirectory() && TemporarySibling::IsLeftover(entry.data.cFileName, self)) {
                TemporarySibling::RemoveLeftover(path);
                return WalkNext::Continue;
            }
            Protect(path);
            // Wine keeps the read-only attribute in the Unix mode that a new DACL rewrites; the
            // copy must keep its source's attribute.
            const DWORD attributes = entry.data.dwFileAttributes;
            if ((attributes & FILE_ATTRIBUTE_READONLY) != 0 &&
                (::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY) == 0) {
                ::SetFileAttributesW(path.c_str(), attributes);
            }
            return WalkNext::Continue;
        },
        [](const std::wstring&, unsigned long) {});
    return ERROR_SUCCESS;
}

}  // namespace qeb
