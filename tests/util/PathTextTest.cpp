#include <gtest/gtest.h>

#include "util/PathText.h"
#include "util/ReparseTag.h"

namespace qeb {
namespace {

TEST(PathTextTest, JoinPutsOneSeparator) {
    EXPECT_EQ(JoinPath(L"C:\\Windows", L"System32\\"), L"C:\\Windows\\System32\\");
    EXPECT_EQ(JoinPath(L"D:\\out\\", L"system.log"), L"D:\\out\\system.log");
    EXPECT_EQ(JoinPath(L"D:/out/", L"a"), L"D:/out/a");
    EXPECT_EQ(JoinPath(L"D:", L"a"), L"D:a");
    EXPECT_EQ(JoinPath(L"D:\\out", L"\\a"), L"D:\\out\\a");
    EXPECT_EQ(JoinPath(L"", L"System32\\"), L"System32\\");
    EXPECT_EQ(JoinPath(L"D:\\out", L""), L"D:\\out");
}

TEST(PathTextTest, DirectoryOf) {
    EXPECT_EQ(DirectoryOf(L"C:\\tools\\QebInfo.exe"), L"C:\\tools");
    EXPECT_EQ(DirectoryOf(L"C:\\QebInfo.exe"), L"C:\\");
    EXPECT_EQ(DirectoryOf(L"QebInfo.exe"), L"");
}

// Only name surrogates are links (IsReparseTagNameSurrogate, winnt.h); a reparse point that
// holds the file's own data is an ordinary file to every walk.
TEST(PathTextTest, OnlyNameSurrogatesAreLinks) {
    const struct {
        std::uint32_t tag;
        bool link;
    } tags[] = {{0xA000000C, true},    // IO_REPARSE_TAG_SYMLINK
                {0xA0000003, true},    // IO_REPARSE_TAG_MOUNT_POINT: junctions, mounted volumes
                {0xA000001D, true},    // IO_REPARSE_TAG_LX_SYMLINK
                {0x80000013, false},   // IO_REPARSE_TAG_DEDUP
                {0x80000017, false},   // IO_REPARSE_TAG_WOF
                {0x9000001A, false},   // IO_REPARSE_TAG_CLOUD
                {0x9000601A, false},   // IO_REPARSE_TAG_CLOUD_6
                {0x8000001B, false},   // IO_REPARSE_TAG_APPEXECLINK
                {0x00000000, true}};   // no tag to read: Wine's links
    for (const auto& row : tags) {
        EXPECT_EQ(IsLinkReparseTag(row.tag), row.link) << std::hex << row.tag;
    }
}

}  // namespace
}  // namespace qeb
