// The outcome of the last scan: one record per broken shortcut the search reported, in the order
// of the reports. Written only by the scan worker while a scan runs, read by the results page
// after the worker's last write; so it has no lock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qm::wizard {

struct BrokenShortcut {
    std::string name;    // the shortcut file's own name with its extension (UTF-8)
    std::string folder;  // the folder that holds it; full path = folder + '\\' + name
    std::string target;  // the target path the search judged missing (UTF-8); may be empty
    std::string reason;  // why the search judged it broken: the engine's reason name
};

class ResultStore {
public:
    // Drops every record of the previous scan; keeps the room for the next one.
    void Clear() { records_.clear(); }
    void Append(BrokenShortcut record) { records_.push_back(std::move(record)); }
    std::size_t Count() const { return records_.size(); }
    const BrokenShortcut& At(std::size_t index) const { return records_.at(index); }

private:
    std::vector<BrokenShortcut> records_;
};

// The process-wide store.
ResultStore& TheResultStore();

}  // namespace qm::wizard
