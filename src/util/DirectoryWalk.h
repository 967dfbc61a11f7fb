// A walk through everything below a directory: each entry in the order in which the system
// lists its directory, each directory before its contents. Links (reparse points whose tag is a
// name surrogate) are named but never entered. A directory that cannot be listed, or whose
// listing fails part way, is told with its error and the walk goes on with its siblings.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

namespace qeb {

struct WalkEntry {
    const std::wstring& relative;  // below the root, with backslashes
    const WIN32_FIND_DATAW& data;

    bool IsDirectory() const { return (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0; }
    bool IsLink() const;
    std::uint64_t Size() const;
    std::uint64_t LastWrite() const;  // FILETIME, UTC
};

// The listing calls, which tests replace to make a directory fail.
struct ListingCalls {
    HANDLE(WINAPI* findFirst)
    (LPCWSTR pattern, FINDEX_INFO_LEVELS level, LPVOID data, FINDEX_SEARCH_OPS search,
     LPVOID filter, DWORD flags);
    BOOL(WINAPI* findNext)(HANDLE search, LPWIN32_FIND_DATAW data);
};
ListingCalls& TheListingCalls();

// What the walk does after an entry: go on (into it, for a directory), stay out of the
// directory, or end.
enum class WalkNext { Continue, SkipChildren, Stop };

class DirectoryWalk {
public:
    using Visitor = std::function<WalkNext(const WalkEntry& entry)>;
    // `relative` is empty for the root itself.
    using FailureNotice = std::function<void(const std::wstring& relative, unsigned long error)>;

    // `root` as the system is to be given it: in the extended-length form for a tree that may
    // be deeper than the path limit.
    static void Run(const std::wstring& root, const Visitor& visit, const FailureNotice& failed);
};

}  // namespace qeb
