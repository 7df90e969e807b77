// What the results page changed during this visit, by kind, for the link under the list
// ("Undo: 3 re-targeted, 10 to the Recycle Bin"). Window-free.
#pragma once

#include "changes/BackupJournal.h"
#include "results/TargetExplanation.h"

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace qm::results {

class ChangeTally {
public:
    void Note(changes::ChangeAction action, std::size_t files);
    bool Empty() const { return counts_.empty(); }
    // The link's text, the kinds in the order they were first changed; "" when nothing was.
    std::string LinkText(const TextOfKey& text) const;

private:
    std::vector<std::pair<changes::ChangeAction, std::size_t>> counts_;
};

}  // namespace qm::results
