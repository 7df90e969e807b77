// The rows of the results list, kept by row id: each row's record and the texts it shows, and an
// index by the shortcut's path. The list view holds only each row's id (its item data), icon and
// tick, in the list's order, and asks for the texts when it draws them. Window-free.
#pragma once

#include "base/IgnoreList.h"
#include "base/UsualPlaceTable.h"
#include "results/TargetExplanation.h"
#include "wizard/ResultStore.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qm::results {

// The columns by their index in the list; the list shows the location second (kColumnOrder).
enum Column : int { kNameColumn = 0, kFolderColumn = 1, kTargetFolderColumn = 2, kSuggestionColumn = 3, kLocationColumn = 4 };
inline constexpr int kColumnCount = 5;
inline constexpr std::array<int, kColumnCount> kColumnOrder = {kNameColumn, kLocationColumn, kFolderColumn,
                                                               kTargetFolderColumn, kSuggestionColumn};

// The usual place that holds a shortcut and its name as the Location column shows it; both
// empty outside every usual place.
struct RowLocation {
    std::optional<UsualPlace> place;
    std::string name;
};
RowLocation LocationOf(const std::vector<UsualPlaceFolder>& places, std::string_view shortcutPath, const TextOfKey& text);

// A row's id, the list item's data. 0 stands for no row.
using RowId = std::intptr_t;

struct ResultRow {
    wizard::BrokenShortcut record;
    std::optional<UsualPlace> place;  // the usual place the shortcut is in
    std::array<std::string, kColumnCount> texts;  // as shown, UTF-8
    // The row's shortcut path: its folder column, a backslash, its name column.
    std::string Path() const { return wizard::BrokenShortcut::ShortcutPath(texts[kFolderColumn], texts[kNameColumn]); }
};

class ResultRows {
public:
    // A new row for `record`, showing `targetFolder`, `suggestionCell` and `location`; its id is new.
    RowId Add(const wizard::BrokenShortcut& record, std::string targetFolder, std::string suggestionCell,
              RowLocation location = {});
    void Remove(RowId id);
    void Clear();

    std::size_t Size() const { return rows_.size(); }
    const ResultRow* Find(RowId id) const;
    const std::string* Text(RowId id, int column) const;
    void SetText(RowId id, int column, std::string text);
    // The rows that show the shortcut `path`, in no particular order (the list has the order).
    std::vector<RowId> WithPath(const std::string& path) const;
    bool AnyCertainSuggestion() const;

    // The row's shortcut now opens `newTarget`: nothing is missing, nothing to suggest.
    void ShowRetargeted(RowId id, const std::string& newTarget, std::string targetFolder);
    // The row's shortcut file as it is now (size, last write time): it changed by the page's hand.
    void NoteFile(RowId id, std::uint64_t size, std::uint64_t writeTime);
    // The row's shortcut is broken again, as `record` says (an undone re-target or repair).
    void ShowBroken(RowId id, const wizard::BrokenShortcut& record, std::string targetFolder, std::string suggestionCell);

private:
    void Unindex(RowId id, const std::string& path);

    RowId lastId_ = 0;  // ids count up and are never used twice, so a stale id finds nothing
    std::unordered_map<RowId, ResultRow> rows_;
    std::unordered_map<std::string, std::vector<RowId>> byPath_;
};

// The target folder a row shows: of the target given, "" when there is none.
std::string TargetFolderOf(const std::string& target);

// What the row of a shortcut that an undo put back shows while it is broken again: the scan's
// record (`scanned`) when the scan listed it, else one made of the file's path and the target it
// stores, which is missing; with the folder of the record's target, or of the stored one.
struct RestoredRow {
    wizard::BrokenShortcut record;
    std::string targetFolder;
};
RestoredRow RestoredRowOf(const wizard::BrokenShortcut* scanned, const std::string& path, const std::string& storedTarget);

// How many of the store's records the ignore list leaves out.
std::size_t CountIgnored(const wizard::ResultStore& store, const IgnoreList& ignored);
// The store's records that `before` left out and `after` no longer does, in the store's order.
std::vector<const wizard::BrokenShortcut*> NoLongerIgnored(const wizard::ResultStore& store, const IgnoreList& before,
                                                           const IgnoreList& after);

// The line under the list on what the scan covered: the broken shortcuts it found among the
// shortcuts it checked, in how many folders, and (only when any) how many of them the ignore
// list leaves out of the list.
std::string CoverageLine(const wizard::ScanCoverage& coverage, std::size_t broken, std::size_t leftOut,
                         const TextOfKey& text);

}  // namespace qm::results
