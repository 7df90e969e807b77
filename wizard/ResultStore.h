// The outcome of the last scan (part of wizard/WizardState.h): one record per broken shortcut the
// search reported, in the order of the reports, with where its target went once the scan looked
// for that. Written only by the scan worker while a scan runs, read by the results page after the
// worker's last write; so it has no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::wizard {

// Where a broken shortcut's target went, as the search for moved targets found it; the
// component names each kind, and only the scan page reads those names.
enum class GoneKind {
    Unknown,          // the search did not run or found nothing
    ItemNotInFolder,  // goneName is no longer in goneFolder
    FolderGone,       // the folder goneFolder no longer exists
    MissingOnShare,   // goneName is missing on the location goneFolder
    Retargeted,       // nothing is gone any more: the results page gave the shortcut a new target
};
GoneKind GoneKindOfName(std::string_view name);  // Unknown for a name it does not know

// How sure the search for moved targets is of its suggestion.
enum class Confidence {
    None,      // no suggestion
    Possible,  // asked about before it is used
    Certain,   // repaired without asking
};
Confidence ConfidenceOfName(std::string_view name);  // None for a name it does not know
std::string_view ConfidenceName(Confidence confidence);  // "Certain", "Possible", ""

struct BrokenShortcut {
    std::string name;    // the shortcut file's own name with its extension (UTF-8)
    std::string folder;  // the folder that holds it
    std::string target;  // the target path the search judged missing (UTF-8); may be empty
    std::string reason;  // why the search judged it broken: the engine's reason name

    // Where the target went, from the search for moved targets after the scan (UTF-8, each empty
    // when that search did not run or found nothing). Initialised here so that a record written
    // with the four fields above alone is complete.
    GoneKind goneKind = GoneKind::Unknown;
    std::string goneName{};       // the missing item's own name
    std::string goneFolder{};     // the folder it is no longer in, the folder that is gone, or the share
    std::string suggestion{};     // the suggested new target path
    Confidence confidence = Confidence::None;
    bool targetIsFolder = false;  // the missing target was a folder, not a file

    // The shortcut file as the search listed it before reading it: its size and last write time
    // (a FILETIME's value), both 0 when unknown. A file still of this size and time is the one
    // the search read, so the results page need not read it again.
    std::uint64_t fileSize = 0;
    std::uint64_t fileWriteTime = 0;

    // The shortcut's full path: its folder, one backslash, its name.
    std::string Path() const { return ShortcutPath(folder, name); }
    static std::string ShortcutPath(std::string_view folder, std::string_view name);
};

// What a scan covered: the folders it searched, and the shortcuts it read and judged (nullopt
// when the file finder could not say).
struct ScanCoverage {
    std::uint64_t folders = 0;
    std::optional<std::uint64_t> shortcuts = 0;
};

class ResultStore {
public:
    // Drops every record of the previous scan and what it covered; keeps the room for the next.
    void Clear() {
        records_.clear();
        coverage_ = {};
    }
    void Append(BrokenShortcut record) { records_.push_back(std::move(record)); }
    std::size_t Count() const { return records_.size(); }
    const BrokenShortcut& At(std::size_t index) const { return records_.at(index); }
    BrokenShortcut& At(std::size_t index) { return records_.at(index); }
    // The first record of the shortcut `path`; null when there is none.
    const BrokenShortcut* Find(std::string_view path) const;

    void SetCoverage(const ScanCoverage& coverage) { coverage_ = coverage; }
    const ScanCoverage& Coverage() const { return coverage_; }

private:
    std::vector<BrokenShortcut> records_;
    ScanCoverage coverage_;
};

}  // namespace qm::wizard
