#include "archive/FolderListing.h"

#include "util/DirectoryWalk.h"

namespace qeb {

FolderListing ListFolder(const std::wstring& folder) {
    FolderListing listing;
    DirectoryWalk::Run(
        folder,
        [&listing](const WalkEntry& entry) {
            if (entry.IsLink()) {
                listing.skipped.push_back(SkippedEntry{entry.relative, LeftOutKind::Link, 0});
                return WalkNext::SkipChildren;
            }
            const bool directory = entry.IsDirectory();
            listing.entries.push_back(FolderEntry{entry.relative, directory,
                                                  directory ? 0 : entry.Size(), entry.LastWrite()});
            return WalkNext::Continue;
        },
        // A listing that failed part way leaves what was found, and the directory is named.
        [&listing](const std::wstring& relative, unsigned long error) {
            if (relative.empty()) {
                listing.error = error;
            } else {
                listing.skipped.push_back(SkippedEntry{relative, LeftOutKind::NotListed, error});
            }
        });
    return listing;
}

}  // namespace qeb
