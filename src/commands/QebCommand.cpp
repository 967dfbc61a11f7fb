#include "commands/QebCommand.h"

#include <windows.h>

#include <shlobj.h>

#include <boost/format.hpp>

#include "MessageCatalog.h"
#include "collect/RegistryLookup.h"
#include "collect/TreeCopy.h"
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
    for (const std::wstring& source :
         {JoinPath(productDirectory, L"Environment\\Config"), dataRoot,
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
    if (IsReparsePoint(collectionRoot)) {
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
    if (!PrepareOutputDirectory(m_strDest)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, m_strDest.c_str()));
        return kCannotMake;
    }
    if (!PrepareCollectionRoot(collectionRoot)) {
        PrintLine(LoadMessage(msg::kDirectoryCreateFailed, collectionRoot.c_str()));
        return kCannotMake;
    }
    if (const ResultCode failed = CopyProductTrees(productDirectory, dataRoot, collectionRoot);
        failed != kSuccess) {
        return failed;
    }
    WarnAboutMissingInstances(productDirectory, collectionRoot);
    return RunInventoryPhase(collectionRoot);
}

ResultCode CQebCommand::CopyProductTrees(const std::wstring& productDirectory,
                                         const std::wstring& dataRoot,
                                         const std::wstring& collectionRoot) const {
    const FilterList none;
    // Files copied so far over all three trees, and the tree being copied, for the console.
    int copied = 0;
    const std::wstring* tree = nullptr;
    const CopiedFileNotice onCopied = [&copied, &tree] {
        ++copied;
        StatusLine::Get().Update(
            [&] { return LoadMessage(msg::kProgressCopy, copied, tree->c_str()); });
    };
    const std::wstring configDirectory = JoinPath(productDirectory, L"Environment\\Config");
    tree = &configDirectory;
    if (!IsDirectory(configDirectory)) {
        PrintLine(LoadMessage(msg::kPathNotFound, configDirectory.c_str()));
        return kPathNotFound;
    }
    if (!CopyDirectoryTree(configDirectory, collectionRoot, productDirectory, none, none, 1, 0,
                           onCopied)) {
        return ReportCopyFailure(configDirectory);
    }

    if (IsDirectory(dataRoot)) {
        FilterList excluded;
        BuildFilterList({L"DAT", L"Temp", L"Environment"}, excluded, kDataRootExcludePattern);
        tree = &dataRoot;
        if (!CopyDirectoryTree(dataRoot, collectionRoot, dataRoot, none, excluded, 1, 0,
                               onCopied)) {
            return ReportCopyFailure(dataRoot);
        }
    } else {
        PrintLine(LoadMessage(msg::kPathNotFound, dataRoot.c_str()));
    }

    const std::wstring instanceDirectory = JoinPath(productDirectory, L"Environment\\Instance");
    if (!IsDirectory(instanceDirectory)) {
        PrintLine(LoadMessage(msg::kPathNotFound, instanceDirectory.c_str()));
        return kPathNotFound;
    }
    FilterList included;
    FilterList ignored;
    BuildFilterList(m_vecInstances, included, kInstancePattern);
    BuildFilterList(m_vecIgnore, ignored, kInstancePattern);
    tree = &instanceDirectory;
    if (!CopyDirectoryTree(instanceDirectory, collectionRoot, productDirectory, included, ignored,
                           m_bEventLog, m_bVmViewer, onCopied)) {
        return ReportCopyFailure(instanceDirectory);
    }
    return kSuccess;
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
