#include "folders/NodePathTable.h"

namespace qm::folders {

void NodePathTable::Clear() {
    index_.clear();
    paths_.clear();
}

std::int32_t NodePathTable::Find(std::string_view path) const {
    const auto found = index_.find(path);
    return found == index_.end() ? kAbsent : found->second;
}

std::int32_t NodePathTable::AddIfNew(std::string_view path) {
    if (Find(path) != kAbsent) return kAbsent;
    const auto index = static_cast<std::int32_t>(paths_.size());
    const std::string& stored = paths_.emplace_back(path);
    index_.emplace(stored, index);
    return index;
}

std::int32_t NodePathTable::AddUnlisted(std::string_view path) {
    paths_.emplace_back(path);
    return static_cast<std::int32_t>(paths_.size() - 1);
}

}  // namespace qm::folders
