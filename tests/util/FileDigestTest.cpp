#include <gtest/gtest.h>

#include <windows.h>

#include "support/Scratch.h"
#include "util/FileDigest.h"

namespace qeb {
namespace {

std::string Hex(const Sha256Digest& digest) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const unsigned char byte : digest) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

// FIPS 180-2's examples.
TEST(FileDigestTest, SizeAndDigestOfWhatIsThere) {
    test::ScratchFolder scratch(test::CurrentTestName());
    const struct {
        std::string bytes;
        const char* sha256;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& file : cases) {
        test::WriteText(scratch / L"f.bin", file.bytes);
        FileDigest digest;
        ASSERT_EQ(DigestFile(scratch / L"f.bin", digest), 0u);
        EXPECT_EQ(digest.size, file.bytes.size());
        EXPECT_EQ(Hex(digest.sha256), file.sha256);
    }
    FileDigest missing;
    EXPECT_EQ(DigestFile(scratch / L"missing.bin", missing),
              static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
}

}  // namespace
}  // namespace qeb
