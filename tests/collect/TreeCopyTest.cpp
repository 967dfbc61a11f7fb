#include <windows.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <atomic>
#include <thread>

#include "collect/TreeCopy.h"
#include "support/ConsoleCapture.h"
#include "support/ExpectedTexts.h"
#include "support/FileSystemSeams.h"
#include "support/OutputCallRecorder.h"
#include "support/Scratch.h"
#include "util/Messages.h"

namespace qeb {
namespace {

using test::ListTree;
using test::ScratchFolder;
using test::WriteText;
using Strings = std::vector<std::wstring>;

TEST(TreeCopyTest, FilterListsSearchTheWholePathWithADirectoryBackslash) {
    ScratchFolder scratch(test::CurrentTestName());
    WriteText(scratch / L"Instance\\A\\f", "x");
    WriteText(scratch / L"Instance\\AB", "x");
    FilterList list;
    BuildFilterList({L"A"}, list, L".*\\\\Instance\\\\%1%\\\\");
    EXPECT_TRUE(MatchesAnyFilter(list, scratch / L"Instance\\A"));
    EXPECT_TRUE(MatchesAnyFilter(list, scratch / L"Instance\\A\\f"));
    EXPECT_FALSE(MatchesAnyFilter(list, scratch / L"Instance\\AB"));
    EXPECT_FALSE(MatchesAnyFilter(FilterList{}, scratch / L"Instance\\A"));
    EXPECT_THROW(BuildFilterList({L"[a"}, list, L"%1%"), boost::regex_error);
}

TEST(TreeCopyTest, StripBasePathRemovesTheFirstOccurrence) {
    EXPECT_EQ(StripBasePath(L"C:\\p\\Environment\\Config\\a.ini", L"C:\\p"),
              L"\\Environment\\Config\\a.ini");
    EXPECT_EQ(StripBasePath(L"C:\\x\\y", L"C:\\P"), L"C:\\x\\y");
}

TEST(TreeCopyTest, CopyFileOverwriteReplacesReadOnlyTargets) {
    ScratchFolder scratch(test::CurrentTestName());
    WriteText(scratch / L"source", "new");
    WriteText(scratch / L"target", "old");
    ::SetFileAttributesW((scratch / L"target").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(CopyFileOverwrite(scratch / L"source", scratch / L"target"));
    EXPECT_EQ(test::ReadBytes(scratch / L"target"), "new");
    EXPECT_FALSE(CopyFileOverwrite(scratch / L"missing", scratch / L"other"));
    EXPECT_FALSE(boost::filesystem::exists(scratch / L"other"));
}

TEST(TreeCopyTest, MissingSourceCreatesNothing) {
    ScratchFolder scratch(test::CurrentTestName());
    EXPECT_FALSE(
        CopyDirectoryTree(scratch / L"missing", scratch / L"dest", scratch.Path(), {}, {}, 1, 0));
    WriteText(scratch / L"file", "x");
    EXPECT_FALSE(
        CopyDirectoryTree(scratch / L"file", scratch / L"dest", scratch.Path(), {}, {}, 1, 0));
    EXPECT_FALSE(boost::filesystem::exists(scratch / L"dest"));
}

TEST(TreeCopyTest, CreatesTheRootAndEmptyDirectoriesThatPass) {
    ScratchFolder scratch(test::CurrentTestName());
    boost::filesystem::create_directories(scratch / L"src\\empty");
    boost::filesystem::create_directories(scratch / L"src\\DAT\\inner");
    FilterList exclude;
    BuildFilterList({L"DAT"}, exclude, L".*\\\\%1%\\\\");
    EXPECT_TRUE(CopyDirectoryTree(scratch / L"src", scratch / L"a\\b\\dest", scratch / L"src", {},
                                  exclude, 1, 0));
    EXPECT_EQ(ListTree(scratch / L"a\\b\\dest"), Strings{L"empty\\"});
}

TEST(TreeCopyTest, LogSwitchesAreCaseSensitive) {
    ScratchFolder scratch(test::CurrentTestName());
    for (const wchar_t* file : {L"A\\Log\\NtEventLog.db", L"B\\log\\NtEventLog.db",
                                L"A\\Log\\VMPerfLog.db", L"A\\Log\\VMxInventoryLog.db",
                                L"A\\Log\\VMInventoryLog_db", L"A\\Log\\NtEventLog.db.old"}) {
        WriteText(scratch / (L"src\\" + std::wstring(file)), "x");
    }
    EXPECT_TRUE(
        CopyDirectoryTree(scratch / L"src", scratch / L"dest", scratch / L"src", {}, {}, 0, 0));
    // The VM viewer expression's dots match any character.
    EXPECT_EQ(
        ListTree(scratch / L"dest"),
        (Strings{L"A\\", L"A\\Log\\", L"A\\Log\\NtEventLog.db.old", L"A\\Log\\VMxInventoryLog.db",
                 L"B\\", L"B\\log\\", L"B\\log\\NtEventLog.db"}));
}

// What Windows shows and Wine does not, through the listing and source seams: every source is
// opened sharing read, write and delete (a live log stays readable) with backup semantics; a
// folder that cannot be listed is named and its siblings still copied (the library's walk gave
// up at the first one); only name surrogates are links, so a deduplicated file is copied and a
// symbolic link is not; a read that a byte-range lock refuses costs that file one line.
TEST(TreeCopyTest, TheWalkGoesOnPastWhatItCannotRead) {
    ScratchFolder scratch(test::CurrentTestName());
    for (const wchar_t* file : {L"A\\a.ini", L"B\\b.ini", L"C\\c.ini", L"C\\dedup.dat",
                                L"C\\link.dat", L"C\\locked.db"}) {
        WriteText(scratch / (L"src\\" + std::wstring(file)), "x");
    }
    test::FileSystemSeams seams;
    seams.RefuseListing(L"B", ERROR_ACCESS_DENIED);
    seams.TagEntry(L"dedup.dat", 0x80000013);  // IO_REPARSE_TAG_DEDUP
    seams.TagEntry(L"link.dat", 0xA000000C);   // IO_REPARSE_TAG_SYMLINK
    seams.LockReads(L"locked.db");
    test::ConsoleCapture console;
    EXPECT_TRUE(
        CopyDirectoryTree(scratch / L"src", scratch / L"dest", scratch / L"src", {}, {}, 1, 0));
    EXPECT_EQ(ListTree(scratch / L"dest"),
              (Strings{L"A\\", L"A\\a.ini", L"B\\", L"C\\", L"C\\c.ini", L"C\\dedup.dat"}));
    const Strings lines = console.Lines();
    ASSERT_EQ(lines.size(), 2u);
    std::wstring refused = test::ExpectedMessage(163, scratch / L"src\\B");
    refused.replace(refused.find(L"%2!s!"), 5,
                    TrimLineEnd(GetSystemErrorText(ERROR_ACCESS_DENIED)));
    EXPECT_EQ(lines[0], refused);
    EXPECT_NE(lines[1].find(scratch / L"src\\C\\locked.db"), std::wstring::npos) << lines[1];
    ASSERT_FALSE(seams.SourcesOpened().empty());
    for (const test::FileSystemSeams::Opened& source : seams.SourcesOpened()) {
        EXPECT_EQ(source.share, DWORD{FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE});
        EXPECT_EQ(source.flags & (FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN),
                  DWORD{FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_SEQUENTIAL_SCAN});
    }
}

// The disk fills up part way: one line, the copy stops, and every file under its final name is
// whole; the error is the result.
TEST(TreeCopyTest, AFullVolumeStopsTheCopyWithNothingHalfMade) {
    ScratchFolder scratch(test::CurrentTestName());
    for (int i = 0; i < 6; ++i) {
        test::WriteBytes(scratch / (L"src\\f" + std::to_wstring(i) + L".log"),
                         test::NoiseBytes(10000));
    }
    test::OutputFaults faults;
    faults.writableBytes = 25000;
    test::ConsoleCapture console;
    const test::OutputCallRecorder recorder(faults);
    const TreeCopyResult result =
        CopyDirectoryTree(scratch / L"src", scratch / L"dest", scratch / L"src", {}, {}, 1, 0);
    EXPECT_TRUE(result);
    EXPECT_EQ(result.stoppedBy, DWORD{ERROR_DISK_FULL});
    const Strings copied = ListTree(scratch / L"dest");
    EXPECT_EQ(copied.size(), 2u);
    for (const std::wstring& file : copied) {
        EXPECT_EQ(test::ReadBytes(scratch / (L"dest\\" + file)), test::NoiseBytes(10000));
    }
    ASSERT_EQ(console.Lines().size(), 1u);
    EXPECT_EQ(console.Lines()[0].rfind(L"コピー先の空き容量がないため、コピーを中止しました。", 0),
              0u);
}

// A log that its writer keeps appending to is copied as far as it was long when opened.
TEST(TreeCopyTest, AGrowingFileIsCopiedAsFarAsItWasWhenOpened) {
    ScratchFolder scratch(test::CurrentTestName());
    const std::wstring log = scratch / L"service.log";
    const std::string start = test::NoiseBytes(4 << 20);
    test::WriteBytes(log, start);
    std::atomic<bool> done{false};
    std::thread writer([&] {
        UniqueFileHandle file(::CreateFileW(log.c_str(), FILE_APPEND_DATA,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                            nullptr, OPEN_EXISTING, 0, nullptr));
        const std::string line(4096, 'x');
        while (!done) {
            DWORD written = 0;
            ::WriteFile(file.Get(), line.data(), static_cast<DWORD>(line.size()), &written,
                        nullptr);
        }
    });
    const bool copied = CopyFileOverwrite(log, scratch / L"copy.log");
    done = true;
    writer.join();
    EXPECT_TRUE(copied);
    const std::string copy = test::ReadBytes(scratch / L"copy.log");
    EXPECT_GE(copy.size(), start.size());
    EXPECT_TRUE(test::ReadBytes(log).compare(0, copy.size(), copy) == 0);
}

}  // namespace
}  // namespace qeb
