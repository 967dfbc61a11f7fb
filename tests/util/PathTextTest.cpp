#include <gtest/gtest.h>

#include "util/PathText.h"

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

}  // namespace
}  // namespace qeb
