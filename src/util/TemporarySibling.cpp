#include "util/TemporarySibling.h"

#include <windows.h>

#include <iterator>
#include <utility>

#include "util/InterruptCleanup.h"
#include "util/PathText.h"
#include "util/Paths.h"

namespace qeb {
namespace {

constexpr int kNamesToTry = 1000;
const wchar_t kPrefix[] = L"~QebInfo-";
const wchar_t kSuffix[] = L".tmp";

std::wstring CandidateName(const std::wstring& target, int attempt) {
    const std::wstring path =
        JoinPath(DirectoryOf(target), kPrefix + std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                          std::to_wstring(attempt) + kSuffix);
    return path.size() < MAX_PATH ? path : ExtendedLengthPath(path);
}

}  // namespace

unsigned long TemporarySibling::Create(
    const std::wstring& target, const std::function<unsigned long(const std::wstring&)>& create,
    std::optional<TemporarySibling>& temporary) {
    temporary.reset();
    unsigned long error = ERROR_FILE_EXISTS;
    for (int attempt = 0; attempt < kNamesToTry; ++attempt) {
        const std::wstring path = CandidateName(target, attempt);
        if (path.empty()) {
            return ERROR_FILENAME_EXCED_RANGE;
        }
        error = create(path);
        if (error == ERROR_SUCCESS) {
            temporary.emplace(TemporarySibling(path, target));
            return ERROR_SUCCESS;
        }
        if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
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

TemporarySibling::TemporarySibling(std::wstring path, std::wstring target)
    : m_path(std::move(path)),
      m_target(std::move(target)),
      m_cleanup(std::make_unique<InterruptCleanup>(m_path)) {}

TemporarySibling::TemporarySibling(TemporarySibling&& other) noexcept
    : m_path(std::exchange(other.m_path, std::wstring())),
      m_target(std::move(other.m_target)),
      m_cleanup(std::move(other.m_cleanup)) {}

TemporarySibling::~TemporarySibling() {
    if (!m_path.empty()) {
        // A copy of a read-only file is read-only too, and could not be deleted so.
        ::SetFileAttributesW(m_path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(m_path.c_str());
    }
}

unsigned long TemporarySibling::ReplaceTarget() {
    if (!::MoveFileExW(m_path.c_str(), m_target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return ::GetLastError();
    }
    m_path.clear();
    m_cleanup.reset();
    return ERROR_SUCCESS;
}

}  // namespace qeb
