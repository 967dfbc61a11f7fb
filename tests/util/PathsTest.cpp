#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <algorithm>
#include <cstdlib>

#include "support/Scratch.h"
#include "util/Paths.h"

namespace qeb {
namespace {

TEST(PathsTest, QuestionsAboutPaths) {
    test::ScratchFolder scratch(test::CurrentTestName());
    test::WriteText(scratch / L"file.txt", "x");
    EXPECT_TRUE(PathExists(scratch / L"file.txt"));
    EXPECT_FALSE(IsDirectory(scratch / L"file.txt"));
    EXPECT_TRUE(IsDirectory(scratch.Path()));
    EXPECT_FALSE(PathExists(scratch / L"missing"));
    EXPECT_FALSE(IsDirectory(scratch / L"missing\\deeper"));
    EXPECT_FALSE(PathExists(L"Q:\\no\\such\\drive"));
}

TEST(PathsTest, EnsureDirectory) {
    test::ScratchFolder scratch(test::CurrentTestName());
    EXPECT_TRUE(EnsureDirectory(scratch.Path()));
    EXPECT_TRUE(EnsureDirectory(scratch / L"a\\b\\c"));
    EXPECT_TRUE(IsDirectory(scratch / L"a\\b\\c"));
    test::WriteText(scratch / L"file", "x");
    EXPECT_THROW(EnsureDirectory(scratch / L"file"), boost::filesystem::filesystem_error);
    EXPECT_THROW(EnsureDirectory(scratch / L"file\\sub"), boost::filesystem::filesystem_error);
    EXPECT_THROW(EnsureDirectory(L""), boost::filesystem::filesystem_error);
}

TEST(PathsTest, SystemRoot) {
    const std::wstring saved = GetSystemRoot();
    ASSERT_FALSE(saved.empty());
    _wputenv_s(L"SystemRoot", L"D:\\Win");
    EXPECT_EQ(GetSystemRoot(), L"D:\\Win");
    _wputenv_s(L"SystemRoot", L"");
    EXPECT_EQ(GetSystemRoot(), L"");
    _wputenv_s(L"SystemRoot", saved.c_str());
}

// The executable's directory must come out whole, however long its path.
TEST(PathsTest, ReadWholeTextGrowsUntilTheTextFits) {
    const std::wstring longPath = L"C:\\" + std::wstring(600, L'd') + L"\\QebInfo.exe";
    int calls = 0;
    const std::wstring read = ReadWholeText([&](wchar_t* buffer, unsigned long size) {
        ++calls;
        const size_t copied = std::min<size_t>(longPath.size(), size);
        std::copy_n(longPath.begin(), copied, buffer);
        return static_cast<unsigned long>(copied);  // cut: the size itself
    });
    EXPECT_EQ(read, longPath);
    EXPECT_EQ(calls, 3);
    EXPECT_EQ(ReadWholeText([](wchar_t*, unsigned long) { return 0ul; }), L"");
}

TEST(PathsTest, ModuleDirectory) {
    EXPECT_EQ(GetModuleDirectory(), test::ModuleDirectory());
}

}  // namespace
}  // namespace qeb
