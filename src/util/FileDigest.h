// The size and SHA-256 of a file as one reading finds it, for the record of what a run wrote.
#pragma once

#include <cstdint>
#include <string>

#include "util/Sha256.h"

namespace qeb {

struct FileDigest {
    std::uint64_t size = 0;
    Sha256Digest sha256{};
};

// The Win32 error when the file cannot be opened or read; a link is not followed.
unsigned long DigestFile(const std::wstring& path, FileDigest& digest);

}  // namespace qeb
