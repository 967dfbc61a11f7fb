// Path questions and output-directory creation on wide paths, used unchanged.
// A missing path is no failure; other status failures raise filesystem_error.
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace qeb {

bool IsDirectory(const std::wstring& path);
bool PathExists(const std::wstring& path);

// True when the path names a link (junction, symbolic link, mount point: a reparse point
// whose tag is a name surrogate): the entry itself, not what it leads to.
bool IsLink(const std::wstring& path);

// True when the directory is there afterwards and was there or its last level
// was created here; creation failures raise filesystem_error.
bool EnsureDirectory(const std::wstring& path);

// The value of SystemRoot, or empty when it is not set.
std::wstring GetSystemRoot();

// The shell's combination of a directory and a name (PathCombineW): "." and ".." parts
// resolved, a bare drive given its backslash; nullopt when the result would take 260
// characters or more.
std::optional<std::wstring> CombinePathAsShell(const std::wstring& directory,
                                               const std::wstring& name);

// The full path as the system makes it from a relative one, without asking the file system;
// empty when none can be made.
std::wstring FullPathOf(const std::wstring& path);

// The full path in the extended-length form (\\?\ or \\?\UNC\), which takes no path
// limit; empty when no full path can be made.
std::wstring ExtendedLengthPath(const std::wstring& path);

// The form in which a path goes to the system: as it is while it is short, the extended-length
// form where it reaches the limit of a directory's path (MAX_PATH - 12) or passes it. That form
// works whether or not the system's long-path policy is on.
std::wstring PathForCalls(const std::wstring& path);

// The path without an extended-length prefix (\\?\ or \\?\UNC\).
std::wstring WithoutExtendedPrefix(const std::wstring& path);

// Directory of the running executable, however long its path.
std::wstring GetModuleDirectory();

// Calls read(buffer, size) with ever larger buffers until the text fits; read follows
// GetModuleFileNameW: it returns the length, size itself when it had to cut, 0 on failure.
std::wstring ReadWholeText(const std::function<unsigned long(wchar_t*, unsigned long)>& read);

}  // namespace qeb
