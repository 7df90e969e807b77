// The results list's order of two rows, and Explorer's parameters for a shortcut's folder.
#include "results/RowOrder.h"

#include <gtest/gtest.h>

namespace qm::results {
namespace {

TEST(RowOrder, TextNumbersAndOtherKindsInBothDirections) {
    const struct {
        int kind;
        const char* first;
        const char* second;
        int ascending;  // direction 0; direction 1 gives the opposite
    } cases[] = {
        {kSortAsText, "C:\\a", "C:\\b", -1},
        {kSortAsText, "C:\\b", "C:\\a", 1},
        {kSortAsText, "same", "same", 0},
        {kSortAsText, "B", "a", -1},             // byte order: capitals first, not case-blind
        {kSortAsText, "z", "\xC3\xA9", -1},      // é (U+00E9) after every ASCII letter
        {kSortAsText, "\xC3\xA9", "\xE7\x9B\xAE", -1},  // code point order through UTF-8
        {kSortAsText, "C:", "C:\\x", -1},        // a prefix first
        {kSortAsNumber, "9", "10", -1},
        {kSortAsNumber, "2.5", "2.50", 0},
        {kSortAsNumber, "x", "1", -1},           // no number reads as 0
        {7, "a", "b", 0},
        {-1, "b", "a", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CompareRowTexts(c.kind, c.first, c.second, 0), c.ascending) << c.kind << " " << c.first << " " << c.second;
        EXPECT_EQ(CompareRowTexts(c.kind, c.first, c.second, 1), -c.ascending) << c.kind << " " << c.first << " " << c.second;
    }
}

TEST(RowOrder, ExplorerGetsTheShortcutPathQuoted) {
    EXPECT_EQ(ExplorerSelectParameters(L"C:\\Old, new\\My app, v2.lnk"), L"/e,/select,\"C:\\Old, new\\My app, v2.lnk\"");
    EXPECT_EQ(ExplorerSelectParameters(L"D:\\x.lnk"), L"/e,/select,\"D:\\x.lnk\"");
}

}  // namespace
}  // namespace qm::results
