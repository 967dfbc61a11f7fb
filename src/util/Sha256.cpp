#include "util/Sha256.h"

#include <windows.h>

#include <bcrypt.h>

#include <stdexcept>
#include <utility>

namespace qeb {
namespace {

void Check(NTSTATUS status, const char* call) {
    if (!BCRYPT_SUCCESS(status)) {
        throw std::runtime_error(std::string(call) + " failed for SHA-256");
    }
}

// One provider for the whole process: opening it is the expensive part.
BCRYPT_ALG_HANDLE Provider() {
    static const BCRYPT_ALG_HANDLE provider = [] {
        BCRYPT_ALG_HANDLE handle = nullptr;
        Check(::BCryptOpenAlgorithmProvider(&handle, BCRYPT_SHA256_ALGORITHM, nullptr, 0),
              "BCryptOpenAlgorithmProvider");
        return handle;
    }();
    return provider;
}

BCRYPT_HASH_HANDLE NewHash() {
    BCRYPT_HASH_HANDLE hash = nullptr;
    Check(::BCryptCreateHash(Provider(), &hash, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
    return hash;
}

}  // namespace

Sha256::Sha256() : m_hash(NewHash()) {}

Sha256::~Sha256() {
    if (m_hash != nullptr) {
        ::BCryptDestroyHash(m_hash);
    }
}

void Sha256::Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ULONG piece = size > 0x40000000 ? 0x40000000 : static_cast<ULONG>(size);
        Check(::BCryptHashData(m_hash, const_cast<PUCHAR>(bytes), piece, 0), "BCryptHashData");
        bytes += piece;
        size -= piece;
    }
}

Sha256Digest Sha256::Finish() {
    Sha256Digest digest{};
    Check(::BCryptFinishHash(m_hash, digest.data(), static_cast<ULONG>(digest.size()), 0),
          "BCryptFinishHash");
    // A finished hash object takes no more data.
    ::BCryptDestroyHash(std::exchange(m_hash, nullptr));
    m_hash = NewHash();
    return digest;
}

}  // namespace qeb
