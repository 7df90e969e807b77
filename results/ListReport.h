// The results list saved as a file: each row's record, found by the row's path, as a CSV table
// (base/ShortcutReport.h) in the rows' order. Window-free.
#pragma once

#include "wizard/ResultStore.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::results {

// Reads the target a shortcut file stores; false when it cannot.
using ReadTarget = std::function<bool(const std::string& shortcutPath, std::string& target)>;

// The file's text: the byte-order mark, the header and one record per row whose path has a
// record in `store`. The target is the one the row was made from: the search's, or the stored
// one (read with `readTarget`) when the search gave none.
std::string ListReportText(const std::vector<std::string>& rowPaths, const wizard::ResultStore& store,
                           const ReadTarget& readTarget);

}  // namespace qm::results
