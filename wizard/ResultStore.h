// The outcome of the last scan: one record per broken shortcut the search reported, in the order
// of the reports, with where its target went once the scan looked for that. Written only by the
// scan worker while a scan runs, read by the results page after the worker's last write; so it
// has no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qm::wizard {

struct BrokenShortcut {
    std::string name;    // the shortcut file's own name with its extension (UTF-8)
    std::string folder;  // the folder that holds it; full path = folder + '\\' + name
    std::string target;  // the target path the search judged missing (UTF-8); may be empty
    std::string reason;  // why the search judged it broken: the engine's reason name

    // Where the target went, from the search for moved targets after the scan (UTF-8, each empty
    // when that search did not run or found nothing). Initialised here so that a record written
    // with the four fields above alone is complete.
    std::string goneKind{};       // "ItemNotInFolder", "FolderGone" or "MissingOnShare"
    std::string goneName{};       // the missing item's own name
    std::string goneFolder{};     // the folder it is no longer in, the folder that is gone, or the share
    std::string suggestion{};     // the suggested new target path
    std::string confidence{};     // "Certain" (repaired without asking), "Possible", or ""
    bool targetIsFolder = false;  // the missing target was a folder, not a file

    // The shortcut file as the search listed it before reading it: its size and last write time
    // (a FILETIME's value), both 0 when unknown. A file still of this size and time is the one
    // the search read, so the results page need not read it again.
    std::uint64_t fileSize = 0;
    std::uint64_t fileWriteTime = 0;
};

class ResultStore {
public:
    // Drops every record of the previous scan; keeps the room for the next one.
    void Clear() { records_.clear(); }
    void Append(BrokenShortcut record) { records_.push_back(std::move(record)); }
    std::size_t Count() const { return records_.size(); }
    const BrokenShortcut& At(std::size_t index) const { return records_.at(index); }
    BrokenShortcut& At(std::size_t index) { return records_.at(index); }

private:
    std::vector<BrokenShortcut> records_;
};

// The process-wide store.
ResultStore& TheResultStore();

}  // namespace qm::wizard
