// The results list's order of two rows, and Explorer's parameters for a shortcut's folder.
#include "results/RowOrder.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#endif

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

// Explorer splits its parameters at commas outside quotes and its command line at spaces: the
// path must come through whole both ways. The system's own splitting is the oracle for spaces.
TEST(RowOrder, ExplorerGetsTheShortcutPathWhole) {
    for (const std::wstring path : {L"C:\\Old, new\\My app, v2.lnk", L"D:\\x.lnk", L"\\\\server\\share, a\\b c.lnk",
                                    L"C:\\\u65E5\u672C \u00E4\\%TEMP%;x.lnk"}) {
        const std::wstring parameters = ExplorerSelectParameters(path);
        int outside = 0;
        bool quoted = false;
        for (wchar_t c : parameters) {
            if (c == L'"') quoted = !quoted;
            if (c == L',' && !quoted) ++outside;
        }
        EXPECT_EQ(outside, 2) << "only /e and /select end at a comma";
#ifdef _WIN32
        int count = 0;
        wchar_t** arguments = ::CommandLineToArgvW((L"explorer.exe " + parameters).c_str(), &count);
        ASSERT_NE(arguments, nullptr);
        EXPECT_EQ(count, 2);
        if (count == 2) {
            EXPECT_EQ(std::wstring(arguments[1]), L"/e,/select," + path);
        }
        ::LocalFree(arguments);
#endif
    }
}

}  // namespace
}  // namespace qm::results
