#include "util/FileDigest.h"

#include <windows.h>

#include <vector>

#include "util/UniqueOwner.h"

namespace qeb {
namespace {

constexpr DWORD kBlockSize = 1 << 20;

}  // namespace

unsigned long DigestFile(const std::wstring& path, FileDigest& digest) {
    // Others may go on writing and deleting: the digest is of what this reading saw.
    const UniqueFileHandle file(::CreateFileW(
        path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        return ::GetLastError();
    }
    Sha256 hash;
    std::vector<unsigned char> block(kBlockSize);
    std::uint64_t size = 0;
    for (;;) {
        DWORD read = 0;
        if (!::ReadFile(file.Get(), block.data(), kBlockSize, &read, nullptr)) {
            return ::GetLastError();
        }
        if (read == 0) {
            break;
        }
        hash.Add(block.data(), read);
        size += read;
    }
    digest.size = size;
    digest.sha256 = hash.Finish();
    return ERROR_SUCCESS;
}

}  // namespace qeb
