#include <windows.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include "collect/TreeCopy.h"
#include "support/Scratch.h"

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

}  // namespace
}  // namespace qeb
