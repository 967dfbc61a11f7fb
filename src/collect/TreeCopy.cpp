#include "collect/TreeCopy.h"

#include <windows.h>

#include <boost/algorithm/string/erase.hpp>
#include <boost/filesystem.hpp>
#include <boost/format.hpp>
#include <optional>
#include <unordered_set>
#include <vector>

#include "MessageCatalog.h"
#include "collect/FileCopy.h"
#include "util/Console.h"
#include "util/DirectoryWalk.h"
#include "util/FileIdentity.h"
#include "util/Messages.h"
#include "util/OutputProtection.h"
#include "util/PathText.h"
#include "util/Paths.h"

namespace qeb {
namespace fs = boost::filesystem;

namespace {

struct LogExpressions {
    boost::wregex eventLog{L".*\\\\Log\\\\NtEventLog\\.db$"};
    boost::wregex vmViewer{L".*\\\\Log\\\\(VMInventoryLog.db|VMPerfLog.db)$"};
    boost::wregex instanceLevel{L".*\\\\Instance"};
};

struct TreeCopyJob {
    const std::wstring source;
    const std::wstring destinationRoot;
    const std::wstring base;
    const FilterList& include;
    const FilterList& exclude;
    int eventLog;
    int vmViewer;
    const TreeCopyHooks& hooks;
    LogExpressions expressions{};
    FileCopier copier{};
    // The target directory that the last entry made sure of, and whether it may be written.
    std::wstring ensuredDirectory{};
    bool ensuredIsSafe = true;
    // Target directories known to be no link: made here, or found to be plain directories.
    std::unordered_set<std::wstring> safeDirectories{};
    // The collection root, which the walk must not enter when it lies inside the source.
    std::optional<FileIdentity> collectionRoot{};
    bool rootMayBeInsideSource = false;
    unsigned long stoppedBy = 0;
};

void ReportFailure(const std::exception& error) {
    PrintNarrowLine(error.what());
    ::OutputDebugStringA(error.what());
}

std::wstring SystemText(unsigned long error) {
    return TrimLineEnd(GetSystemErrorText(error));
}

// The same exception, with the same text, as the file-system library's own operation.
[[noreturn]] void ThrowFileError(const char* operation, DWORD error, const std::wstring& first,
                                 const std::wstring& second) {
    const boost::system::error_code code(static_cast<int>(error), boost::system::system_category());
    throw fs::filesystem_error(operation, first, second, code);
}

bool PassesFilters(const TreeCopyJob& job, const std::wstring& path, bool isDirectory) {
    if (!job.include.empty()) {
        return MatchesAnyFilter(job.include, path, isDirectory);
    }
    return job.exclude.empty() || !MatchesAnyFilter(job.exclude, path, isDirectory);
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
    std::vector<std::wstring> checked;
    for (std::wstring level = directory;
         level.size() > job.destinationRoot.size() && !job.safeDirectories.count(level);
         level = DirectoryOf(level)) {
        if (::GetFileAttributesW(PathForCalls(level).c_str()) != INVALID_FILE_ATTRIBUTES) {
            if (IsLink(level)) {
                return false;
            }
            checked.push_back(level);
        }
    }
    job.safeDirectories.insert(checked.begin(), checked.end());
    return true;
}

// Makes the missing levels down to `directory`, each protected as every output is. A level
// that exists as a file raises the library's error, as its own creation would.
void MakeTargetLevels(const std::wstring& directory) {
    std::vector<std::wstring> missing;
    for (std::wstring level = directory; !level.empty() && !IsDirectory(PathForCalls(level));
         level = DirectoryOf(level)) {
        missing.push_back(level);
        if (DirectoryOf(level) == level) {
            break;
        }
    }
    for (auto level = missing.rbegin(); level != missing.rend(); ++level) {
        if (!OutputProtection::Get().CreateDirectory(PathForCalls(*level)) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS) {
            const boost::system::error_code code(static_cast<int>(::GetLastError()),
                                                 boost::system::system_category());
            throw fs::filesystem_error("boost::filesystem::create_directories", *level, code);
        }
    }
}

// A directory that did not exist below a safe one is simply made; anything else takes the
// full check. Nothing is made through a link.
void EnsureTargetDirectory(TreeCopyJob& job, const std::wstring& directory) {
    job.ensuredDirectory = directory;
    job.ensuredIsSafe = true;
    if (job.safeDirectories.count(DirectoryOf(directory)) &&
        OutputProtection::Get().CreateDirectory(PathForCalls(directory))) {
        job.safeDirectories.insert(directory);
        return;
    }
    if (!IsSafeTargetDirectory(job, directory)) {
        job.ensuredIsSafe = false;
        return;
    }
    MakeTargetLevels(directory);
    job.safeDirectories.insert(directory);
}

// Whether files may be copied into `directory`, made when missing. The walk lists a
// directory's files one after another, so this is decided once for all of them.
bool PrepareFileDirectory(TreeCopyJob& job, const std::wstring& directory) {
    if (directory != job.ensuredDirectory) {
        job.ensuredDirectory = directory;
        job.ensuredIsSafe = IsSafeTargetDirectory(job, directory);
        if (job.ensuredIsSafe) {
            MakeTargetLevels(directory);
        }
    }
    return job.ensuredIsSafe;
}

// The walk must not copy the collection it fills: a directory of the source that is the
// collection root, however spelled, is left out with everything below it.
bool IsCollectionRoot(const TreeCopyJob& job, const std::wstring& path) {
    return job.collectionRoot && job.rootMayBeInsideSource &&
           IdentifyFile(PathForCalls(path)) == job.collectionRoot;
}

void CopyFileEntry(TreeCopyJob& job, const std::wstring& path, const std::wstring& target,
                   std::uint64_t size) {
    if (job.hooks.checkRoom) {
        if (const unsigned long refused = job.hooks.checkRoom(size); refused != 0) {
            job.stoppedBy = refused;
            PrintLine(LoadMessage(msg::kCopyStoppedVolumeFull, target.c_str(),
                                  SystemText(refused).c_str()));
            return;
        }
    }
    if (!PrepareFileDirectory(job, DirectoryOf(target))) {
        PrintLine(LoadMessage(msg::kFileCopyFailed, path.c_str(), target.c_str()));
        return;
    }
    const FileCopyOutcome outcome = job.copier.Copy(PathForCalls(path), PathForCalls(target));
    switch (outcome.kind) {
        case FileCopyOutcome::Kind::Copied:
            if (job.hooks.onCopied) {
                job.hooks.onCopied();
            }
            return;
        case FileCopyOutcome::Kind::SourceMissing:
        case FileCopyOutcome::Kind::TargetKept:
            PrintLine(LoadMessage(msg::kFileCopyFailed, path.c_str(), target.c_str()));
            return;
        case FileCopyOutcome::Kind::Failed:
            break;
    }
    if (IsVolumeFull(outcome.error)) {
        job.stoppedBy = outcome.error;
        PrintLine(LoadMessage(msg::kCopyStoppedVolumeFull, target.c_str(),
                              SystemText(outcome.error).c_str()));
        return;
    }
    ThrowFileError("boost::filesystem::copy_file", outcome.error, path, target);
}

// The walk has already told each entry's kind and size.
WalkNext CopyEntry(TreeCopyJob& job, const WalkEntry& entry) {
    if (entry.IsLink()) {
        return WalkNext::SkipChildren;  // links are not followed, nor copied
    }
    const std::wstring path = JoinPath(job.source, entry.relative);
    const bool isDirectory = entry.IsDirectory();
    if (isDirectory && IsCollectionRoot(job, path)) {
        return WalkNext::SkipChildren;
    }
    const bool instanceLevelFile =
        !isDirectory && boost::regex_match(DirectoryOf(path), job.expressions.instanceLevel);
    if (!instanceLevelFile && !PassesFilters(job, path, isDirectory)) {
        return WalkNext::Continue;  // what lies below is judged by itself
    }
    const std::wstring target =
        JoinPath(job.destinationRoot, StripBasePath(fs::path(path), fs::path(job.base)));
    if (isDirectory) {
        EnsureTargetDirectory(job, target);
    } else if (!IsUnwantedLog(job, path)) {
        CopyFileEntry(job, path, target, entry.Size());
    }
    return job.stoppedBy != 0 ? WalkNext::Stop : WalkNext::Continue;
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
    FileCopier copier;
    const FileCopyOutcome outcome =
        copier.Copy(PathForCalls(source.wstring()), PathForCalls(target.wstring()));
    if (outcome.kind == FileCopyOutcome::Kind::Failed) {
        ThrowFileError("boost::filesystem::copy_file", outcome.error, source.wstring(),
                       target.wstring());
    }
    return outcome.kind == FileCopyOutcome::Kind::Copied;
}

TreeCopyResult CopyDirectoryTree(const fs::path& source, const fs::path& destinationRoot,
                                 const fs::path& base, const FilterList& include,
                                 const FilterList& exclude, int eventLog, int vmViewer,
                                 const TreeCopyHooks& hooks) {
    if (!PrepareRoots(source, destinationRoot)) {
        return TreeCopyResult{};
    }
    TreeCopyJob job{source.wstring(), destinationRoot.wstring(),
                    base.wstring(),   include,
                    exclude,          eventLog,
                    vmViewer,         hooks};
    job.safeDirectories.insert(job.destinationRoot);
    job.collectionRoot = IdentifyFile(job.destinationRoot);
    // Only then is every directory of the source worth asking; links are not entered anyway.
    const std::wstring resolvedRoot = ResolvedPath(job.destinationRoot);
    const std::wstring resolvedSource = ResolvedPath(job.source);
    job.rootMayBeInsideSource = resolvedRoot.empty() || resolvedSource.empty() ||
                                IsSameOrBelow(resolvedRoot, resolvedSource);
    DirectoryWalk::Run(
        ExtendedLengthPath(job.source),
        [&job](const WalkEntry& entry) {
            try {
                return CopyEntry(job, entry);
            } catch (const fs::filesystem_error& error) {
                ReportFailure(error);
                return WalkNext::Continue;
            }
        },
        [&job](const std::wstring& relative, unsigned long error) {
            const std::wstring folder = JoinPath(job.source, relative);
            PrintLine(
                LoadMessage(msg::kFolderNotListed, folder.c_str(), SystemText(error).c_str()));
        });
    return TreeCopyResult{true, job.stoppedBy};
}

}  // namespace qeb
