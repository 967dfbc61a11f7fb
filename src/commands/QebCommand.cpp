#include "commands/QebCommand.h"

#include <windows.h>

#include <shlobj.h>

#include <boost/format.hpp>

#include "MessageCatalog.h"
#include "collect/RegistryLookup.h"
#include "commands/CommandChecks.h"
#include "commands/CommandResults.h"
#include "commands/InventoryPhase.h"
#include "util/Console.h"
#include "util/FileIdentity.h"
#include "util/Messages.h"
#include "util/OutputPlace.h"
#include "util/PathText.h"
#include "util/Paths.h"
#include "util/ProtectedTree.h"
#include "util/StatusLine.h"

namespace qeb {
namespace {

const wchar_t kDataRootExcludePattern[] = L".*\\\\%1%\\\\";
const wchar_t kInstancePattern[] = L".*\\\\Instance\\\\%1%\\\\";

std::wstring VersionFolderName(int version) {
    return (boost::wformat(L"QEBW%1%") % version).str();
}

// The machine-wide application data folder; empty when the shell cannot give it.
std::wstring CommonDataFolder() {
    wchar_t path[MAX_PATH] = {};
    if (FAILED(
            ::SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) {
        return {};
    }
    return path;
}

bool IsSourceInCollection(const std::wstring& productDirectory, const std::wstring& dataRoot,
                          const std::wstring& collectionRoot) {
    const std::wstring root = ResolvedPathOfPlace(collectionRoot);
    for (const std::wstring& source : {JoinPath(productDirectory, L"Environment\\Config"), dataRoot,
                                       JoinPath(productDirectory, L"Environment\\Instance")}) {
        if (PathExists(source) && IsSameOrBelow(ResolvedPathOfPlace(source), root)) {
            return true;
        }
    }
    return false;
}

// A collection root that someone made a link would have the copy write wherever it points,
// as administrator. An earlier collection is protected as a new one before anything is
// written into it, and what an ended run left behind is removed.
bool PrepareCollectionRoot(const std::wstring& collectionRoot) {
    if (IsLink(collectionRoot)) {
        return false;
    }
    if (!IsDirectory(collectionRoot)) {
        return PrepareOutputDirectory(collectionRoot);
    }
    return ProtectExistingTree(collectionRoot) == 0 && HoldOutputPath(collectionRoot) == 0;
}

ResultCode ReportCopyFailure(const std::wstring& source) {
    PrintLine(LoadMessage(msg::kCopyFailed, source.c_str()));
    return kTreeCopyFailed;
}

}  // namespace

ResultCode CQebCommand::Execute() {
    return HelpOrRun([this] { return Run(); });
}

ResultCode CQebCommand::Usage() {
    return PrintUsage(msg::kUsageQeb);
}

ResultCode CQebCommand::CheckOptions() const {
    if (const ResultCode invalid = CheckDestination(m_strDest, DestinationUse::Path);
        invalid != kSuccess) {
        return invalid;
    }
    if (m_nProduct == 0) {
        PrintLine(LoadMessage(msg::kParameterInvalid, L"-product:"));
        return kInvalidArgument;
    }
    return kSuccess;
}

ResultCode CQebCommand::Run() {
    if (const ResultCode invalid = CheckOptions(); invalid != kSuccess) {
        return invalid;
    }
    const std::wstring commonData = CommonDataFolder();
    if (commonData.empty()) {
        PrintLine(L"%ALLUSERSPROFILE%へのアクセスに失敗しました。");
        return kStandardException;
    }
    const std::wstring versionFolder = VersionFolderName(m_nProduct);
    const std::wstring dataRoot = JoinPath(JoinPath(commonData, L"Velmora"), versionFolder);
    const std::wstring productDirectory = GetProductDirectory(m_nProduct);
    const std::wstring collectionRoot = JoinPath(m_strDest, versionFolder);
    if (productDirectory.empty()) {
        PrintLine(LoadMessage(msg::kProductNotInstalled, m_nProduct));
        return kProductNotInstalled;
    }
    // A source that is the collection root or lies below it would be copied onto itself: every
    // live file replaced by its own copy, and the collection written into the product.
    if (IsSourceInCollection(productDirectory, dataRoot, collectionRoot)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, collectionRoot.c_str()));
        return kCannotMake;
    }
    // Instance names are expressions: one that forms none ends the run before anything is
    // made or copied, on the exception path.
    FilterList included;
    FilterList ignored;
    BuildFilterList(m_vecInstances, included, kInstancePattern);
    BuildFilterList(m_vecIgnore, ignored, kInstancePattern);
    if (!PrepareOutputDirectory(m_strDest)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, m_strDest.c_str()));
        return kCannotMake;
    }
    // Nothing is made for a product without its configuration.
    const std::wstring configDirectory = JoinPath(productDirectory, L"Environment\\Config");
    if (!IsDirectory(configDirectory)) {
        PrintLine(LoadMessage(msg::kPathNotFound, configDirectory.c_str()));
        return kPathNotFound;
    }
    if (!PrepareCollectionRoot(collectionRoot)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, collectionRoot.c_str()));
        return kCannotMake;
    }
    if (const ResultCode failed =
            CopyProductTrees(productDirectory, dataRoot, collectionRoot, included, ignored);
        failed != kSuccess) {
        return failed;
    }
    WarnAboutMissingInstances(productDirectory, collectionRoot);
    return RunInventoryPhase(collectionRoot);
}

ResultCode CQebCommand::CopyProductTrees(const std::wstring& productDirectory,
                                         const std::wstring& dataRoot,
                                         const std::wstring& collectionRoot,
                                         const FilterList& included,
                                         const FilterList& ignored) const {
    const FilterList none;
    // Files copied so far over all three trees, and the tree being copied, for the console.
    int copied = 0;
    const std::wstring* tree = nullptr;
    TreeCopyHooks hooks;
    hooks.checkRoom = m_checkRoom;
    hooks.onCopied = [&copied, &tree] {
        ++copied;
        StatusLine::Get().Update(
            [&] { return LoadMessage(msg::kProgressCopy, copied, tree->c_str()); });
    };
    // A full volume ends the copy with its own line; its error is the result.
    const auto copy = [&](const std::wstring& source, const std::wstring& base,
                          const FilterList& include, const FilterList& exclude, int eventLog,
                          int vmViewer) -> ResultCode {
        tree = &source;
        const TreeCopyResult result = CopyDirectoryTree(source, collectionRoot, base, include,
                                                        exclude, eventLog, vmViewer, hooks);
        if (!result) {
            return ReportCopyFailure(source);
        }
        return result.stoppedBy != 0 ? HresultFromWin32(result.stoppedBy) : kSuccess;
    };
    const std::wstring configDirectory = JoinPath(productDirectory, L"Environment\\Config");
    if (const ResultCode failed = copy(configDirectory, productDirectory, none, none, 1, 0);
        failed != kSuccess) {
        return failed;
    }

    if (IsDirectory(dataRoot)) {
        FilterList excluded;
        BuildFilterList({L"DAT", L"Temp", L"Environment"}, excluded, kDataRootExcludePattern);
        if (const ResultCode failed = copy(dataRoot, dataRoot, none, excluded, 1, 0);
            failed != kSuccess) {
            return failed;
        }
    } else {
        PrintLine(LoadMessage(msg::kPathNotFound, dataRoot.c_str()));
    }

    const std::wstring instanceDirectory = JoinPath(productDirectory, L"Environment\\Instance");
    if (!IsDirectory(instanceDirectory)) {
        PrintLine(LoadMessage(msg::kPathNotFound, instanceDirectory.c_str()));
        return kPathNotFound;
    }
    return copy(instanceDirectory, productDirectory, included, ignored, m_bEventLog, m_bVmViewer);
}

void CQebCommand::WarnAboutMissingInstances(const std::wstring& productDirectory,
                                            const std::wstring& collectionRoot) const {
    const std::wstring instanceDirectory = JoinPath(productDirectory, L"Environment\\Instance");
    const std::wstring copiedInstances =
        JoinPath(collectionRoot, StripBasePath(instanceDirectory, productDirectory));
    for (const std::wstring& name : m_vecInstances) {
        if (!IsDirectory(JoinPath(copiedInstances, name))) {
            PrintLine(LoadMessage(msg::kInstanceMissing, name.c_str()));
        }
    }
}

}  // namespace qeb
