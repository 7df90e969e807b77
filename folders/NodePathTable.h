// The folder page's table of node paths: each drive or folder node's full path, found by index
// (the node's item data) and by exact text. The text lookup is a hash index, so adding the
// children of a large folder stays linear.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm::folders {

class NodePathTable {
public:
    static constexpr std::int32_t kAbsent = -1;

    void Clear();
    std::size_t Size() const { return paths_.size(); }
    const std::string& At(std::int32_t index) const { return paths_[static_cast<std::size_t>(index)]; }

    // The index of an entry equal to `path` (exact, case-sensitive), or kAbsent.
    std::int32_t Find(std::string_view path) const;
    // Appends `path` unless the table holds it already; the new index, or kAbsent when it was known.
    std::int32_t AddIfNew(std::string_view path);
    // Appends `path` without making it findable: a node of its own that shows a folder the
    // tree also holds elsewhere (a usual place), and that listings must not take for known.
    std::int32_t AddUnlisted(std::string_view path);

private:
    // A deque keeps its elements in place as it grows, so the index may point into them.
    std::deque<std::string> paths_;
    std::unordered_map<std::string_view, std::int32_t> index_;
};

}  // namespace qm::folders
