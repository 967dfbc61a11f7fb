// SHA-256 from the system's cryptography (CNG), for files of any size fed in pieces.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace qeb {

using Sha256Digest = std::array<unsigned char, 32>;

class Sha256 {
public:
    // Throws std::runtime_error when the system offers no SHA-256.
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void Add(const void* data, std::size_t size);
    // The digest of everything added since construction or the last Finish.
    Sha256Digest Finish();

private:
    void* m_hash = nullptr;
};

}  // namespace qeb
