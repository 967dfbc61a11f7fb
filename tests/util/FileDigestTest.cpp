#include <gtest/gtest.h>

#include "archive/ArchiveTexts.h"
#include "support/Scratch.h"
#include "util/FileDigest.h"

namespace qeb {
namespace {

// FIPS 180-2's examples; a missing file gives its Win32 error.
TEST(FileDigestTest, SizeAndDigestOfWhatIsThere) {
    test::ScratchFolder scratch(test::CurrentTestName());
    for (const auto& [bytes, sha256] :
         {std::pair<std::string, const char*>{
              "abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
          {std::string(1000000, 'a'),
           "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"}}) {
        test::WriteText(scratch / L"f.bin", bytes);
        FileDigest digest;
        ASSERT_EQ(DigestFile(scratch / L"f.bin", digest), 0u);
        EXPECT_EQ(digest.size, bytes.size());
        EXPECT_EQ(HexDigest(digest.sha256), sha256);
    }
    FileDigest missing;
    EXPECT_EQ(DigestFile(scratch / L"missing.bin", missing), 2u);
}

}  // namespace
}  // namespace qeb
