#include "collect/TreeCopy.h"

#include <windows.h>

#include <boost/algorithm/string/erase.hpp>
#include <boost/filesystem.hpp>
#include <boost/format.hpp>

#include "MessageCatalog.h"
#include "util/Console.h"
#include "util/Messages.h"
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
    const fs::path& destinationRoot;
    const fs::path& base;
    const FilterList& include;
    const FilterList& exclude;
    int eventLog;
    int vmViewer;
    LogExpressions expressions;
};

void ReportFailure(const std::exception& error) {
    PrintNarrowLine(error.what());
    ::OutputDebugStringA(error.what());
}

bool PassesFilters(const TreeCopyJob& job, const fs::path& path) {
    if (!job.include.empty()) {
        return MatchesAnyFilter(job.include, path);
    }
    return job.exclude.empty() || !MatchesAnyFilter(job.exclude, path);
}

bool IsUnwantedLog(const TreeCopyJob& job, const std::wstring& text) {
    if (!job.eventLog && boost::regex_search(text, job.expressions.eventLog)) {
        return true;
    }
    return !job.vmViewer && boost::regex_search(text, job.expressions.vmViewer);
}

void CopyEntry(const TreeCopyJob& job, const fs::path& path) {
    const bool instanceLevelFile =
        boost::regex_match(path.parent_path().wstring(), job.expressions.instanceLevel) &&
        fs::is_regular_file(path);
    if (!instanceLevelFile && !PassesFilters(job, path)) {
        return;
    }
    const fs::path target = JoinPath(job.destinationRoot.wstring(), StripBasePath(path, job.base));
    if (fs::is_directory(path)) {
        EnsureDirectory(target.wstring());
        return;
    }
    if (IsUnwantedLog(job, path.wstring())) {
        return;
    }
    const fs::path parent = target.parent_path();
    if (!fs::is_directory(parent)) {
        EnsureDirectory(parent.wstring());
    }
    if (!CopyFileOverwrite(path, target)) {
        PrintLine(
            LoadMessage(msg::kFileCopyFailed, path.wstring().c_str(), target.wstring().c_str()));
    }
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
    if (list.empty()) {
        return false;
    }
    std::wstring text = path.wstring();
    if (fs::is_directory(path)) {
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
    if (!fs::exists(source)) {
        return false;
    }
    if (fs::exists(target)) {
        const DWORD attributes = ::GetFileAttributesW(target.c_str());
        if (!::SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY})) {
            return false;
        }
        fs::remove(target);
    }
    fs::copy_file(source, target);
    return true;
}

bool CopyDirectoryTree(const fs::path& source, const fs::path& destinationRoot,
                       const fs::path& base, const FilterList& include, const FilterList& exclude,
                       int eventLog, int vmViewer) {
    if (!PrepareRoots(source, destinationRoot)) {
        return false;
    }
    const TreeCopyJob job{destinationRoot, base, include, exclude, eventLog, vmViewer, {}};
    for (fs::recursive_directory_iterator it(source), end; it != end; ++it) {
        try {
            CopyEntry(job, it->path());
        } catch (const fs::filesystem_error& error) {
            ReportFailure(error);
        }
    }
    return true;
}

}  // namespace qeb
