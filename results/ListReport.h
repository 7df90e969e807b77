// The results list saved as a file: each row's record as the list shows it now (a row given a
// new target by hand with that target, its reason "Retargeted" and no suggestion), as a CSV
// table (base/ShortcutReport.h) in the rows' order. Window-free.
#pragma once

#include "wizard/ResultStore.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::results {

// Reads the target a shortcut file stores; false when it cannot.
using ReadTarget = std::function<bool(const std::string& shortcutPath, std::string& target)>;

// The reason written for a row that opens its new target.
inline constexpr const char* kRetargetedReason = "Retargeted";

// The file's text: the byte-order mark, the header and one record per row. The target is the
// one the row shows: the search's, the new one of a re-targeted row, or the stored one (read
// with `readTarget`) when the row has none.
std::string ListReportText(const std::vector<wizard::BrokenShortcut>& rows, const ReadTarget& readTarget);

}  // namespace qm::results
