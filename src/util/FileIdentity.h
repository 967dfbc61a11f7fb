// Which file or directory a path names, whatever way it is spelled or linked: the volume's
// serial number and the file index, how many names it has, and the path the system
// resolves it to.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qeb {

struct FileIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;

    bool operator==(const FileIdentity& other) const {
        return volume == other.volume && index == other.index;
    }
    bool operator<(const FileIdentity& other) const {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
};

// Follows links; nullopt when the path cannot be opened.
std::optional<FileIdentity> IdentifyFile(const std::wstring& path);

// How many names (hard links) the file has; nullopt when the path cannot be opened.
std::optional<unsigned long> CountFileNames(const std::wstring& path);

// The path with links, short names and other spellings resolved; empty when it cannot be.
std::wstring ResolvedPath(const std::wstring& path);

// The same for a path whose last levels may not exist yet: its deepest existing directory
// resolved, the rest appended; the full path as given when nothing of it can be resolved.
std::wstring ResolvedPathOfPlace(const std::wstring& path);

// Whether `inner` is `outer` or lies below it, comparing without regard to letter case.
bool IsSameOrBelow(const std::wstring& inner, const std::wstring& outer);

}  // namespace qeb
