// How the results list orders two rows, and the small text rules of the repair actions: no
// window needed, so they are unit-tested natively too.
#pragma once

#include <string>
#include <string_view>

namespace qm::results {

// What a column's header says about its texts.
enum SortKind : int { kSortAsNumber = 0, kSortAsText = 1 };

// The order of two rows by one column's texts. Text compares byte by byte (UTF-8, so in code
// point order; not a locale collation, not case-blind); numbers by the sign of their difference;
// any other kind calls every pair equal. Direction 1 sorts descending (the second row's text
// against the first's), 0 ascending.
int CompareRowTexts(int kind, std::string_view first, std::string_view second, int direction);

// Explorer's parameters that open the folder of `path` with the file selected. The path is
// quoted: Explorer splits its parameters at commas, so an unquoted "C:\a,b\x.lnk" would open
// the wrong folder.
std::wstring ExplorerSelectParameters(std::wstring_view path);

}  // namespace qm::results
