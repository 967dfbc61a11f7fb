// Everything below a folder that PACK archives, listed once: directories before what they
// hold, links named but not entered; other reparse points (deduplicated or cloud files) are
// files like any other.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "archive/ArchiveTexts.h"

namespace qeb {

struct FolderEntry {
    std::wstring relative;  // below the folder, with backslashes
    bool directory = false;
    std::uint64_t size = 0;
    std::uint64_t lastWrite = 0;  // FILETIME, UTC
};

struct SkippedEntry {
    std::wstring relative;
    LeftOutKind kind;
    unsigned long error = 0;  // the Win32 error, where one tells why
};

struct FolderListing {
    std::vector<FolderEntry> entries;
    std::vector<SkippedEntry> skipped;
    unsigned long error = 0;  // the folder itself could not be listed
};

// `folder` in the extended-length form, so that no depth reaches a path limit.
FolderListing ListFolder(const std::wstring& folder);

}  // namespace qeb
