#include "util/TemporarySibling.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <utility>

#include "util/InterruptCleanup.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr int kNamesToTry = 1000;
const wchar_t kPrefix[] = L"~QebInfo-";
const wchar_t kSuffix[] = L".tmp";

std::wstring CandidateName(const std::wstring& target, int attempt) {
    return PathForCalls(
        JoinPath(DirectoryOf(target), kPrefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                          std::to_wstring(attempt) + kSuffix));
}

// A name that another process left pending deletion refuses to be made (ERROR_ACCESS_DENIED)
// while it still stands in the directory; a denied directory has no such entry.
bool IsTaken(const std::wstring& path, DWORD error) {
    if (error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS) {
        return true;
    }
    WIN32_FIND_DATAW data{};
    return error == ERROR_ACCESS_DENIED && UniqueFindHandle(::FindFirstFileW(path.c_str(), &data));
}

bool IsRunning(DWORD process) {
    const UniqueHandle handle(::OpenProcess(SYNCHRONIZE, FALSE, process));
    // A process that another account runs cannot be opened, but is there.
    return handle ? ::WaitForSingleObject(handle.Get(), 0) == WAIT_TIMEOUT
                  : ::GetLastError() == ERROR_ACCESS_DENIED;
}

}  // namespace

unsigned long TemporarySibling::Create(const std::wstring& target,
                                       const PendingFileOptions& options,
                                       std::optional<TemporarySibling>& temporary) {
    temporary.reset();
    unsigned long error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kNamesToTry; ++attempt) {
        const std::wstring path = CandidateName(target, attempt);
        if (path.empty()) {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        PendingFile file;
        error = PendingFile::Create(path, options, file);
        if (error == ERROR_SUCCESS) {
            temporary.emplace(TemporarySibling(path, target, std::move(file)));
            return ERROR_SUCCESS;
        }
        if (!IsTaken(path, error)) {
            return error;
        }
    }
    return error;
}

bool TemporarySibling::IsTemporaryName(const std::wstring& name) {
    const size_t prefix = std::size(kPrefix) - 1;
    const size_t suffix = std::size(kSuffix) - 1;
    return name.size() > prefix + suffix && name.compare(0, prefix, kPrefix) == 0 &&
           name.compare(name.size() - suffix, suffix, kSuffix) == 0;
}

bool TemporarySibling::IsLeftover(const std::wstring& name, unsigned long runningProcess) {
    if (!IsTemporaryName(name)) {
        return false;
    }
    const wchar_t* digits = name.c_str() + std::size(kPrefix) - 1;
    wchar_t* end = nullptr;
    const unsigned long process = std::wcstoul(digits, &end, 10);
    if (end == digits || *end != L'-') {
        return true;  // not of a process at all
    }
    return process != runningProcess && !IsRunning(process);
}

void TemporarySibling::RemoveLeftover(const std::wstring& path) {
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(path.c_str());
}

void TemporarySibling::RemoveLeftovers(const std::wstring& directory) {
    const std::wstring base = PathForCalls(directory);
    WIN32_FIND_DATAW data{};
    const UniqueFindHandle search(
        ::FindFirstFileW(JoinPath(base, std::wstring(kPrefix) + L"*" + kSuffix).c_str(), &data));
    if (!search) {
        return;
    }
    const DWORD self = ::GetCurrentProcessId();
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 &&
            IsLeftover(data.cFileName, self)) {
            RemoveLeftover(JoinPath(base, data.cFileName));
        }
    } while (::FindNextFileW(search.Get(), &data));
}

TemporarySibling::TemporarySibling(std::wstring path, std::wstring target, PendingFile file)
    : m_path(std::move(path)),
      m_target(std::move(target)),
      m_file(std::move(file)),
      m_cleanup(std::make_unique<InterruptCleanup>(m_path)) {}

TemporarySibling::TemporarySibling(TemporarySibling&& other) noexcept
    : m_path(std::exchange(other.m_path, std::wstring())),
      m_target(std::move(other.m_target)),
      m_file(std::move(other.m_file)),
      m_cleanup(std::move(other.m_cleanup)) {}

TemporarySibling::~TemporarySibling() = default;

unsigned long TemporarySibling::ReplaceTarget() {
    if (const unsigned long error = m_file.RenameOver(PathForCalls(FullPathOf(m_target)));
        error != ERROR_SUCCESS) {
        return error;
    }
    m_cleanup.reset();
    return ERROR_SUCCESS;
}

}  // namespace qeb
