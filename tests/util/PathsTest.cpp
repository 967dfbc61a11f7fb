#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <algorithm>
#include <cstdlib>

#include "support/Scratch.h"
#include "util/InterruptCleanup.h"
#include "util/Paths.h"
#include "util/TemporarySibling.h"

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

TEST(PathsTest, ShellCombinationAndFullForms) {
    const struct {
        const wchar_t* directory;
        const wchar_t* name;
        const wchar_t* combined;
    } cases[] = {{L"C:", L"x", L"C:\\x"},
                 {L"C:\\a\\.\\b\\..", L"f", L"C:\\a\\f"},
                 {L"C:\\a\\", L"f", L"C:\\a\\f"},
                 {L"\\\\srv\\share", L"f", L"\\\\srv\\share\\f"}};
    for (const auto& row : cases) {
        EXPECT_EQ(CombinePathAsShell(row.directory, row.name), std::wstring(row.combined));
    }
    const std::wstring near = L"C:\\" + std::wstring(250, L'd');
    EXPECT_EQ(CombinePathAsShell(near, L"12345"), near + L"\\12345");
    EXPECT_EQ(CombinePathAsShell(near, L"123456"), std::nullopt);
    EXPECT_EQ(ExtendedLengthPath(L"C:\\a\\..\\b"), L"\\\\?\\C:\\b");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\srv\\share\\x"), L"\\\\?\\UNC\\srv\\share\\x");
    EXPECT_EQ(WithoutExtendedPrefix(L"\\\\?\\UNC\\srv\\share\\x"), L"\\\\srv\\share\\x");
}

// A temporary file goes with a run that the console ends; the handler's removal, seen here.
TEST(PathsTest, TheConsolesCleanUpRemovesTemporaryFiles) {
    test::ScratchFolder scratch(test::CurrentTestName());
    std::optional<TemporarySibling> temporary;
    ASSERT_EQ(TemporarySibling::Create(scratch / L"target.txt",
                                       [](const std::wstring& path) -> unsigned long {
                                           test::WriteBytes(path, "half a copy");
                                           return 0;
                                       },
                                       temporary),
              0u);
    EXPECT_TRUE(InterruptCleanup::RemoveRegisteredFiles());
    EXPECT_EQ(test::ListTree(scratch.Path()), std::vector<std::wstring>{});
}

// Wine delivers no Ctrl+C to a process group; the handler is called as the console would.
TEST(PathsTest, TheFirstInterruptCancelsTheRunInsteadOfEndingIt) {
    int cancels = 0;
    {
        const InterruptCancels cancelling([&cancels] { ++cancels; });
        InterruptCleanup::HandleControl(0);  // CTRL_C_EVENT
    }
    EXPECT_EQ(cancels, 1);
    EXPECT_TRUE(InterruptCleanup::Requested());
}

TEST(PathsTest, ModuleDirectory) {
    EXPECT_EQ(GetModuleDirectory(), test::ModuleDirectory());
}

}  // namespace
}  // namespace qeb
