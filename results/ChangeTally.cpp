#include "results/ChangeTally.h"

#include <algorithm>

namespace qm::results {

void ChangeTally::Note(changes::ChangeAction action, std::size_t files) {
    if (files == 0) return;
    const auto known = std::find_if(counts_.begin(), counts_.end(), [&](const auto& each) { return each.first == action; });
    if (known == counts_.end())
        counts_.emplace_back(action, files);
    else
        known->second += files;
}

std::string ChangeTally::LinkText(const TextOfKey& text) const {
    std::string parts;
    for (const auto& [action, count] : counts_) {
        const char* key = action == changes::ChangeAction::Retarget ? "_QM_UndoRetargeted"
                          : action == changes::ChangeAction::Repair ? "_QM_UndoRepaired"
                          : action == changes::ChangeAction::Delete ? "_QM_UndoDeleted"
                                                                    : "_QM_UndoRestored";
        if (!parts.empty()) parts += ", ";
        parts += FillPlaceholders(text(key), {{"count", std::to_string(count)}});
    }
    return parts.empty() ? std::string() : FillPlaceholders(text("_QM_UndoLink"), {{"changes", parts}});
}

}  // namespace qm::results
