// Makes the place of a run's output safe before anything is written there. Every existing
// directory from the volume root down to it, as the operator named it and as the system
// resolves it, is opened once without delete sharing and held until the process ends, so
// that nobody can rename or replace a level and put a link in its place; no level of the
// resolved path may be a link. Levels that are missing are made with OutputProtection and
// held as well.
#pragma once

#include <cstddef>
#include <string>

namespace qeb {

// What is held stays held while this object lives: for the whole of one command.
class ScopedOutputHolds {
public:
    ScopedOutputHolds();
    ~ScopedOutputHolds();
    ScopedOutputHolds(const ScopedOutputHolds&) = delete;
    ScopedOutputHolds& operator=(const ScopedOutputHolds&) = delete;

private:
    std::size_t m_heldBefore;
};

// The Win32 error that stopped the holding, 0 when every existing level is held.
unsigned long HoldOutputPath(const std::wstring& directory);

// Holds the path and makes the missing levels protected. True when the directory is there;
// false when it cannot be held or made. A path that names a file raises filesystem_error, as
// EnsureDirectory does.
bool PrepareOutputDirectory(const std::wstring& directory);

}  // namespace qeb
