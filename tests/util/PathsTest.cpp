#include <gtest/gtest.h>

#include <boost/filesystem.hpp>
#include <algorithm>
#include <cstdlib>

#include "support/OutputCallRecorder.h"
#include "support/Scratch.h"
#include "util/InterruptCleanup.h"
#include "util/Paths.h"
#include "util/TemporarySibling.h"
#include "util/UniqueOwner.h"
#include "util/WholeFileWriter.h"

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
    const std::wstring nearLimit = L"C:\\" + std::wstring(250, L'd');
    EXPECT_EQ(CombinePathAsShell(nearLimit, L"12345"), nearLimit + L"\\12345");
    EXPECT_EQ(CombinePathAsShell(nearLimit, L"123456"), std::nullopt);
    EXPECT_EQ(ExtendedLengthPath(L"C:\\a\\..\\b"), L"\\\\?\\C:\\b");
    EXPECT_EQ(ExtendedLengthPath(L"\\\\srv\\share\\x"), L"\\\\?\\UNC\\srv\\share\\x");
    EXPECT_EQ(WithoutExtendedPrefix(L"\\\\?\\UNC\\srv\\share\\x"), L"\\\\srv\\share\\x");
}

// A temporary file goes with a run that the console ends; the handler's removal, seen here.
TEST(PathsTest, TheConsolesCleanUpRemovesTemporaryFiles) {
    test::ScratchFolder scratch(test::CurrentTestName());
    std::optional<TemporarySibling> temporary;
    PendingFileOptions options;
    options.share = FILE_SHARE_DELETE;
    ASSERT_EQ(TemporarySibling::Create(scratch / L"target.txt", options, temporary), 0u);
    ASSERT_TRUE(temporary->Handle() != INVALID_HANDLE_VALUE);
    EXPECT_TRUE(InterruptCleanup::RemoveRegisteredFiles());
    temporary.reset();
    EXPECT_EQ(test::ListTree(scratch.Path()), std::vector<std::wstring>{});
}

// A virus scanner or indexer that opens a new output refuses its move for a moment: the move
// through the file's own handle is tried again for about two seconds, then reported, with the
// earlier file as it was. A temporary name that another process left pending deletion is passed
// over, not waited on.
TEST(PathsTest, AMoveThatAScannerRefusesIsTriedAgain) {
    test::ScratchFolder scratch(test::CurrentTestName());
    const std::wstring target = scratch / L"archive.zip.sha256";
    test::WriteBytes(target, "earlier");
    const std::wstring pending =
        scratch / (L"~QebInfo-" + std::to_wstring(::GetCurrentProcessId()) + L"-0.tmp");
    test::WriteBytes(pending, "");
    UniqueFileHandle doomed(::CreateFileW(pending.c_str(), DELETE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    FILE_DISPOSITION_INFO disposition{TRUE};
    ASSERT_TRUE(::SetFileInformationByHandle(doomed.Get(), FileDispositionInfo, &disposition,
                                             sizeof disposition));
    const struct {
        int refusals;
        DWORD error;
        const char* written;
        WholeFileWriter::Step failedStep;
        const char* content;
    } runs[] = {{3, ERROR_SHARING_VIOLATION, "new", WholeFileWriter::Step::None, "new"},
                {1000, ERROR_ACCESS_DENIED, "newer", WholeFileWriter::Step::Replace, "new"}};
    for (const auto& run : runs) {
        test::OutputFaults faults;
        faults.failingRenames = run.refusals;
        faults.renameError = run.error;
        const test::OutputCallRecorder recorder(faults);
        const DWORD start = ::GetTickCount();
        const WholeFileWriter::Failure failure = WholeFileWriter().WriteWhole(target, run.written);
        EXPECT_EQ(failure.step, run.failedStep);
        const auto renames = recorder.CallsOf(test::RecordedCall::Kind::Rename);
        EXPECT_EQ(renames.size(), std::min<size_t>(run.refusals + 1, 20));
        EXPECT_EQ(renames.back().path, target);
        if (failure) {
            EXPECT_EQ(failure.error, run.error);
            EXPECT_GE(::GetTickCount() - start, 1500u);
        }
        EXPECT_EQ(test::ReadBytes(target), run.content);
    }
    doomed.Reset();
    EXPECT_EQ(test::ListTree(scratch.Path()), std::vector<std::wstring>{L"archive.zip.sha256"});
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
