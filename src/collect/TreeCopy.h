// Copies one directory tree below a destination root, keeping each entry's
// position relative to a base directory, with include/exclude filters and the
// log-database switches. A file that fails is reported and the walk goes on; so does a folder
// that cannot be listed. A full destination volume ends the copy.
#pragma once

#include <boost/filesystem/path.hpp>
#include <boost/regex.hpp>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qeb {

using FilterList = std::vector<boost::wregex>;

// Appends one expression per name, made by putting the name unescaped in place
// of %1% in the pattern; a name that forms no valid expression throws regex_error.
void BuildFilterList(const std::vector<std::wstring>& names, FilterList& list,
                     const std::wstring& pattern);

// True when an expression is found anywhere in the path's text; an existing
// directory is tested with a trailing backslash.
bool MatchesAnyFilter(const FilterList& list, const boost::filesystem::path& path);
// The same for a path whose kind is already known.
bool MatchesAnyFilter(const FilterList& list, std::wstring text, bool isDirectory);

// The path's text without the first occurrence of the base's text.
std::wstring StripBasePath(const boost::filesystem::path& path,
                           const boost::filesystem::path& base);

// Copies one file, replacing an existing target even when it is read-only.
// False when the source is missing or the target's attributes cannot be written.
bool CopyFileOverwrite(const boost::filesystem::path& source,
                       const boost::filesystem::path& target);

struct TreeCopyHooks {
    // Told after each file that arrived, for the progress line.
    std::function<void()> onCopied;
    // Asked before each file with its size: a Win32 error stops the copy as a full volume
    // would (ERROR_DISK_FULL for a volume that is to keep room free), 0 lets it go on.
    std::function<unsigned long(std::uint64_t size)> checkRoom;
};

struct TreeCopyResult {
    bool walked = false;          // false: no usable source, or no destination root
    unsigned long stoppedBy = 0;  // the volume had no room: the Win32 error that ended the copy
    explicit operator bool() const { return walked; }
};

TreeCopyResult CopyDirectoryTree(const boost::filesystem::path& source,
                                 const boost::filesystem::path& destinationRoot,
                                 const boost::filesystem::path& base, const FilterList& include,
                                 const FilterList& exclude, int eventLog, int vmViewer,
                                 const TreeCopyHooks& hooks = {});

}  // namespace qeb
