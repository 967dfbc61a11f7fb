#include <gtest/gtest.h>

#include <initializer_list>
#include <regex>
#include <stdexcept>
#include <string>

#include "inventory/InventoryPattern.h"

namespace qeb {
namespace {

std::wstring DeepPath(int levels) {
    std::wstring path = L"C:\\Install";
    for (int level = 0; level < levels; ++level) {
        path += L"\\dir" + std::to_wstring(level);
    }
    return path;
}

// Each of these took seconds or longer per path with a backtracking search.
TEST(InventoryPatternTest, NestedRepetitionsFindTheirMatchesWithoutBacktracking) {
    const InventoryPattern backup = InventoryPattern::ForIgnore(L"(.*\\\\)*Backup\\\\");
    EXPECT_FALSE(backup.Backtracks());
    EXPECT_TRUE(backup.FoundIn(DeepPath(25) + L"\\Backup\\old.jar"));
    EXPECT_FALSE(backup.FoundIn(DeepPath(25) + L"\\Backups\\old.jar"));

    const InventoryPattern ext = InventoryPattern::ForExtension(L"(x+x+)+y");
    EXPECT_FALSE(ext.FoundIn(std::wstring(40, L'x')));
    EXPECT_TRUE(ext.FoundIn(L"a." + std::wstring(40, L'x') + L"Y"));
}

// Ordinary patterns, and costly ones just within the bound, are accepted and found as before;
// ^ and \b still see the text before the match, also in a lookahead.
TEST(InventoryPatternTest, PatternsWithinTheBoundFindTheirMatches) {
    struct Case {
        bool extension;
        const wchar_t* pattern;
        const wchar_t* found;
        const wchar_t* missed;
    };
    for (const Case& c : std::initializer_list<Case>{
             {false, L"\\\\Backup\\\\", L"C:\\I\\Backup\\a.jar", L"C:\\I\\Backups\\a.jar"},
             {false, L"\\\\Temp\\\\", L"C:\\Temp\\a", L"C:\\Tempo\\a"},
             {false, L"(.*\\\\)*Backup\\\\", L"C:\\I\\Backup\\a", L"C:\\I\\Backup"},
             {false, L"\\\\(Backup|Temp|Old)[0-9]*\\\\", L"C:\\Old12\\a", L"C:\\Older\\a"},
             {false, L"\\\\Log\\\\[0-9]{8}\\\\", L"C:\\Log\\20261209\\a", L"C:\\Log\\2026120\\a"},
             {false, L"[0-9]{4}-[0-9]{2}-[0-9]{2}", L"C:\\2026-12-09.log", L"C:\\2026-1-09.log"},
             {false, L"^C:\\\\Program Files\\\\Velmora\\\\QEB8\\\\Server\\\\(Backup|Temp|Log)\\\\",
              L"C:\\Program Files\\Velmora\\QEB8\\Server\\Log\\a",
              L"D:\\C:\\Program Files\\Velmora\\QEB8\\Server\\Log\\a"},
             {false, L"\\bBackup\\b", L"C:\\Backup\\a", L"C:\\OldBackup\\a"},
             {false, L"^(?=.*\\\\Temp\\\\).*\\.tmp$", L"C:\\Temp\\a.tmp", L"C:\\Tmp\\a.tmp"},
             {false, L"a(?=\\B)c", L"C:\\xac", L"C:\\xa c"},
             {false, L"(?:.?){170}Z", L"C:\\Z", L"C:\\z"},
             {false, L"(?:(?:.?){13}){13}Z", L"C:\\Z", L"C:\\z"},
             {true, L"exe", L"setup.EXE", L"exe.txt"},
             {true, L"dll", L"a.dll", L"a.dl"},
             {true, L"jar", L"lib.jar", L"lib.jar.bak"},
             {true, L"conf", L"x.conf", L"x.config"},
             {true, L"(dll|exe)", L"a.Exe", L"a.ex"},
             {true, L"txt$", L"a.txt", L"a.txt.old"}}) {
        const InventoryPattern pattern = c.extension ? InventoryPattern::ForExtension(c.pattern)
                                                     : InventoryPattern::ForIgnore(c.pattern);
        EXPECT_TRUE(pattern.FoundIn(c.found)) << c.pattern;
        EXPECT_FALSE(pattern.FoundIn(c.missed)) << c.pattern;
    }
}

TEST(InventoryPatternTest, BackReferencesMatchAndARunawaySearchStops) {
    const InventoryPattern pair = InventoryPattern::ForIgnore(L"(ab)\\1");
    EXPECT_TRUE(pair.Backtracks());
    EXPECT_TRUE(pair.FoundIn(L"C:\\x\\abab\\y"));
    EXPECT_FALSE(pair.FoundIn(L"C:\\x\\abAB\\y"));
    EXPECT_TRUE(InventoryPattern::ForExtension(L"(J)\\1").FoundIn(L"lib.jJ"));

    const InventoryPattern runaway = InventoryPattern::ForIgnore(L"(x+x+)+\\1y");
    EXPECT_THROW(runaway.FoundIn(std::wstring(40, L'x')), std::runtime_error);
}

TEST(InventoryPatternTest, InvalidPatternsStayInvalid) {
    // Numbers longer than any pattern can use are refused before the library's parser
    // overflows on them.
    for (const wchar_t* pattern :
         {L"(", L"[", L"a{2,1}", L"\\2(a)", L"(a\\1)", L"(a)\\99999999999999999999",
          L"a{1,99999999999999999999}", L"(a)\\c\\\\99999999999999999999"}) {
        EXPECT_THROW(InventoryPattern::ForIgnore(pattern), std::regex_error) << pattern;
    }
    EXPECT_THROW(InventoryPattern::ForExtension(L"dl(l"), std::regex_error);
    // Patterns whose search of a longest path could cost more than the bound allows: counts of
    // optional content, nested counts, lookaheads that repeat, long back-reference patterns.
    for (const wchar_t* pattern :
         {L"(?:.?){9000}Z", L"(?:.?){180}Z", L"(?:(?:.?){20}){20}Z", L"(?:(?=.*a).)*Z",
          L"(?:(?=.?).?){8}Z", L"(.*)(.*)\\1\\2\\1\\2\\1\\2Z"}) {
        EXPECT_THROW(InventoryPattern::ForIgnore(pattern), std::regex_error) << pattern;
        EXPECT_THROW(InventoryPattern::ForExtension(pattern), std::regex_error) << pattern;
    }
}

}  // namespace
}  // namespace qeb
