#include <gtest/gtest.h>

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
}

}  // namespace
}  // namespace qeb
