// Listings and reads as Windows gives them where Wine cannot: a folder that cannot be listed,
// entries that are reparse points of a chosen tag, and a file whose reads a byte-range lock
// refuses. Replaces the listing and source calls (util/DirectoryWalk.h, util/SourceFile.h)
// while the object lives; names are matched at the end of a path, letter case and all.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "util/DirectoryWalk.h"
#include "util/SourceFile.h"

namespace qeb::test {

class FileSystemSeams {
public:
    FileSystemSeams();
    ~FileSystemSeams();
    FileSystemSeams(const FileSystemSeams&) = delete;
    FileSystemSeams& operator=(const FileSystemSeams&) = delete;

    struct Opened {
        std::wstring path;
        DWORD share;
        DWORD flags;
    };
    // How every source was opened.
    const std::vector<Opened>& SourcesOpened() const;

    void RefuseListing(const std::wstring& folder, DWORD error);
    void TagEntry(const std::wstring& name, DWORD reparseTag);
    void LockReads(const std::wstring& name);

private:
    ListingCalls m_listing;
    SourceCalls m_source;
};

}  // namespace qeb::test
