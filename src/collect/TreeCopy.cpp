#include "collect/TreeCopy.h"

#include <windows.h>

#include <boost/algorithm/string/erase.hpp>
#include <boost/filesystem.hpp>
#include <boost/format.hpp>
#include <optional>
#include <unordered_set>
#include <vector>

#include "MessageCatalog.h"
#include "util/Console.h"
#include "util/FileIdentity.h"
#include "util/InterruptCleanup.h"
#include "util/Messages.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/TemporarySibling.h"

namespace qeb {
namespace fs = boost::filesystem;

namespace {

struct LogExpressions {
    boost::wregex eventLog{L".*\\\\Log\\\\NtEventLog\\.db$"};
    boost::wregex vmViewer{L".*\\\\Log\\\\(VMInventoryLog.db|VMPerfLog.db)$"};
    boost::wregex instanceLevel{L".*\\\\Instance"};
};

struct TreeCopyJob {
    const fs::path& destinationRoot;
    const fs::path& base;
    const FilterList& include;
    const FilterList& exclude;
    int eventLog;
    int vmViewer;
    const CopiedFileNotice& onCopied;
    LogExpressions expressions;
    // The target directory that the last entry made sure of, and whether it may be written.
    std::wstring ensuredDirectory{};
    bool ensuredIsSafe = true;
    // Target directories known to be no link: made here, or found to be plain directories.
    std::unordered_set<std::wstring> safeDirectories{};
    // The collection root, which the walk must not enter when it lies inside the source.
    std::optional<FileIdentity> collectionRoot{};
    bool rootMayBeInsideSource = false;
};

void ReportFailure(const std::exception& error) {
    PrintNarrowLine(error.what());
    ::OutputDebugStringA(error.what());
}

bool PassesFilters(const TreeCopyJob& job, const fs::path& path, bool isDirectory) {
    if (!job.include.empty()) {
        return MatchesAnyFilter(job.include, path.wstring(), isDirectory);
    }
    return job.exclude.empty() || !MatchesAnyFilter(job.exclude, path.wstring(), isDirectory);
}

bool IsUnwantedLog(const TreeCopyJob& job, const std::wstring& text) {
    if (!job.eventLog && boost::regex_search(text, job.expressions.eventLog)) {
        return true;
    }
    return !job.vmViewer && boost::regex_search(text, job.expressions.vmViewer);
}

// Whether anything written into `directory` stays below the collection root: no directory
// between it and the root may be a link that someone placed there, pointing elsewhere.
// Levels that do not exist yet will be made here, which makes them safe.
bool IsSafeTargetDirectory(TreeCopyJob& job, const std::wstring& directory) {
    const std::wstring root = job.destinationRoot.wstring();
    std::vector<std::wstring> checked;
    for (std::wstring level = directory;
         level.size() > root.size() && !job.safeDirectories.count(level);
         level = DirectoryOf(level)) {
        const DWORD attributes = ::GetFileAttributesW(level.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES) {
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                return false;
            }
            checked.push_back(level);
        }
    }
    job.safeDirectories.insert(checked.begin(), checked.end());
    return true;
}

// A directory that did not exist below a safe one is simply made; anything else takes the
// full check. Nothing is made through a link.
bool EnsureTargetDirectory(TreeCopyJob& job, const std::wstring& directory) {
    job.ensuredDirectory = directory;
    job.ensuredIsSafe = true;
    if (job.safeDirectories.count(DirectoryOf(directory)) &&
        ::CreateDirectoryW(directory.c_str(), nullptr)) {
        job.safeDirectories.insert(directory);
        return true;
    }
    if (!IsSafeTargetDirectory(job, directory)) {
        job.ensuredIsSafe = false;
        return false;
    }
    if (!::CreateDirectoryW(directory.c_str(), nullptr)) {
        EnsureDirectory(directory);
    }
    job.safeDirectories.insert(directory);
    return true;
}

// Whether files may be copied into `directory`, made when missing. The walk lists a
// directory's files one after another, so this is decided once for all of them.
bool PrepareFileDirectory(TreeCopyJob& job, const std::wstring& directory) {
    if (directory != job.ensuredDirectory) {
        job.ensuredDirectory = directory;
        job.ensuredIsSafe = IsSafeTargetDirectory(job, directory);
        if (job.ensuredIsSafe) {
            EnsureDirectory(directory);
        }
    }
    return job.ensuredIsSafe;
}

// The walk must not copy the collection it fills: a directory of the source that is the
// collection root, however spelled or linked, is left out with everything below it.
bool IsCollectionRoot(const TreeCopyJob& job, const fs::directory_entry& entry) {
    if (!job.collectionRoot || !fs::is_directory(entry.status())) {
        return false;
    }
    if (!job.rootMayBeInsideSource && !IsReparsePoint(entry.path().wstring())) {
        return false;
    }
    return IdentifyFile(entry.path().wstring()) == job.collectionRoot;
}

// The walk has already told each entry's kind: only links and the like are asked again.
void CopyEntry(TreeCopyJob& job, const fs::directory_entry& entry) {
    const fs::path& path = entry.path();
    const fs::file_status status = entry.status();
    const bool isDirectory = fs::is_directory(status);
    const bool instanceLevelFile =
        fs::is_regular_file(status) &&
        boost::regex_match(path.parent_path().wstring(), job.expressions.instanceLevel);
    if (!instanceLevelFile && !PassesFilters(job, path, isDirectory)) {
        return;
    }
    const fs::path target = JoinPath(job.destinationRoot.wstring(), StripBasePath(path, job.base));
    if (isDirectory) {
        EnsureTargetDirectory(job, target.wstring());
        return;
    }
    if (IsUnwantedLog(job, path.wstring())) {
        return;
    }
    if (!PrepareFileDirectory(job, target.parent_path().wstring()) ||
        !CopyFileOverwrite(path, target)) {
        PrintLine(
            LoadMessage(msg::kFileCopyFailed, path.wstring().c_str(), target.wstring().c_str()));
    } else if (job.onCopied) {
        job.onCopied();
    }
}

// The same exception, with the same text, as the file-system library's own operation.
[[noreturn]] void ThrowFileError(const char* operation, DWORD error, const fs::path& first,
                                 const fs::path& second = fs::path()) {
    const boost::system::error_code code(static_cast<int>(error), boost::system::system_category());
    if (second.empty()) {
        throw fs::filesystem_error(operation, first, code);
    }
    throw fs::filesystem_error(operation, first, second, code);
}

// A hard link shares its attributes with the other names of its file, which may lie
// anywhere on the volume.
bool IsHardLinked(const fs::path& file) {
    const std::optional<unsigned long> names = CountFileNames(file.wstring());
    return !names || *names > 1;
}

// A copy over an earlier one is stopped when the console ends the run, so that its temporary
// file can be removed before the process goes.
DWORD CALLBACK StopWhenInterrupted(LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER, LARGE_INTEGER,
                                   DWORD, DWORD, HANDLE, HANDLE, LPVOID) {
    return InterruptCleanup::Requested() ? PROGRESS_CANCEL : PROGRESS_CONTINUE;
}

// The earlier copy stays until the new one is whole; then the new one takes its place as a
// directory entry, so that a link planted there is replaced instead of written through.
bool ReplaceFile(const fs::path& source, const fs::path& target, DWORD attributes) {
    const bool isLink = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!isLink && (attributes & FILE_ATTRIBUTE_READONLY) != 0 && IsHardLinked(target)) {
        return false;  // clearing read-only would change the other names' file too
    }
    std::optional<TemporarySibling> copy;
    const DWORD copyError = TemporarySibling::Create(
        target.wstring(),
        [&source](const std::wstring& path) -> unsigned long {
            return ::CopyFileExW(source.c_str(), path.c_str(), &StopWhenInterrupted, nullptr,
                                 nullptr, COPY_FILE_FAIL_IF_EXISTS)
                       ? ERROR_SUCCESS
                       : ::GetLastError();
        },
        copy);
    if (copyError != ERROR_SUCCESS) {
        ThrowFileError("boost::filesystem::copy_file", copyError, source, target);
    }
    const bool clearsReadOnly = !isLink && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
    if (!isLink &&
        !::SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
        return false;
    }
    if (const DWORD moveError = copy->ReplaceTarget(); moveError != ERROR_SUCCESS) {
        // The earlier copy stays as it was, read-only included.
        if (clearsReadOnly) {
            ::SetFileAttributesW(target.c_str(), attributes);
        }
        ThrowFileError("boost::filesystem::remove", moveError, target);
    }
    return true;
}

// False when the source is unusable or the destination root cannot be made.
bool PrepareRoots(const fs::path& source, const fs::path& destinationRoot) {
    try {
        if (!fs::is_directory(source)) {
            return false;
        }
        if (!PathExists(destinationRoot.wstring())) {
            EnsureDirectory(destinationRoot.wstring());
        }
        return true;
    } catch (const fs::filesystem_error& error) {
        ReportFailure(error);
        return false;
    }
}

}  // namespace

void BuildFilterList(const std::vector<std::wstring>& names, FilterList& list,
                     const std::wstring& pattern) {
    for (const std::wstring& name : names) {
        list.emplace_back((boost::wformat(pattern) % name).str());
    }
}

bool MatchesAnyFilter(const FilterList& list, const fs::path& path) {
    return !list.empty() && MatchesAnyFilter(list, path.wstring(), fs::is_directory(path));
}

bool MatchesAnyFilter(const FilterList& list, std::wstring text, bool isDirectory) {
    if (isDirectory) {
        text += L'\\';
    }
    for (const boost::wregex& expression : list) {
        if (boost::regex_search(text, expression)) {
            return true;
        }
    }
    return false;
}

std::wstring StripBasePath(const fs::path& path, const fs::path& base) {
    return boost::algorithm::erase_first_copy(path.wstring(), base.wstring());
}

bool CopyFileOverwrite(const fs::path& source, const fs::path& target) {
    // Where no target exists this is all the copy there is.
    if (::CopyFileW(source.c_str(), target.c_str(), TRUE)) {
        return true;
    }
    if (!fs::exists(source)) {
        return false;
    }
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            return false;
        }
        fs::copy_file(source, target);
        return true;
    }
    return ReplaceFile(source, target, attributes);
}

bool CopyDirectoryTree(const fs::path& source, const fs::path& destinationRoot,
                       const fs::path& base, const FilterList& include, const FilterList& exclude,
                       int eventLog, int vmViewer, const CopiedFileNotice& onCopied) {
    if (!PrepareRoots(source, destinationRoot)) {
        return false;
    }
    TreeCopyJob job{destinationRoot, base, include, exclude, eventLog, vmViewer, onCopied, {}};
    job.safeDirectories.insert(destinationRoot.wstring());
    job.collectionRoot = IdentifyFile(destinationRoot.wstring());
    // Only then is every directory of the source worth asking; else only links can lead there.
    const std::wstring resolvedRoot = ResolvedPath(destinationRoot.wstring());
    const std::wstring resolvedSource = ResolvedPath(source.wstring());
    job.rootMayBeInsideSource = resolvedRoot.empty() || resolvedSource.empty() ||
                                IsSameOrBelow(resolvedRoot, resolvedSource);
    for (fs::recursive_directory_iterator it(source), end; it != end; ++it) {
        try {
            if (IsCollectionRoot(job, *it)) {
                it.disable_recursion_pending();
                continue;
            }
            CopyEntry(job, *it);
        } catch (const fs::filesystem_error& error) {
            ReportFailure(error);
        }
    }
    return true;
}

}  // namespace qeb
