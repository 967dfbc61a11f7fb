// Copies one directory tree below a destination root, keeping each entry's
// position relative to a base directory, with include/exclude filters and the
// log-database switches. A file that fails is reported and the walk goes on.
#pragma once

#include <boost/filesystem/path.hpp>
#include <boost/regex.hpp>
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

// False only when the source is no directory or the destination root cannot be
// prepared; single failed entries print a line and the walk goes on. Failures to
// list a directory during the walk throw filesystem_error.
// Told after each file that arrived, for the progress line.
using CopiedFileNotice = std::function<void()>;

bool CopyDirectoryTree(const boost::filesystem::path& source,
                       const boost::filesystem::path& destinationRoot,
                       const boost::filesystem::path& base, const FilterList& include,
                       const FilterList& exclude, int eventLog, int vmViewer,
                       const CopiedFileNotice& onCopied = {});

}  // namespace qeb
