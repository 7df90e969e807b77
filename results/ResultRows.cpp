#include "results/ResultRows.h"

#include "base/PathSplit.h"
#include "results/TargetExplanation.h"

#include <algorithm>

namespace qm::results {

RowLocation LocationOf(const std::vector<UsualPlaceFolder>& places, std::string_view shortcutPath, const TextOfKey& text) {
    RowLocation location;
    location.place = PlaceHolding(places, shortcutPath);
    if (location.place) location.name = text(TraitsOf(*location.place).languageKey);
    return location;
}

RowId ResultRows::Add(const wizard::BrokenShortcut& record, std::string targetFolder, std::string suggestionCell,
                      RowLocation location) {
    const RowId id = ++lastId_;
    ResultRow& row = rows_[id];
    row.record = record;
    row.place = location.place;
    row.texts = {record.name, record.folder, std::move(targetFolder), std::move(suggestionCell), std::move(location.name)};
    byPath_[row.Path()].push_back(id);
    return id;
}

void ResultRows::Unindex(RowId id, const std::string& path) {
    const auto indexed = byPath_.find(path);
    if (indexed == byPath_.end()) return;
    std::vector<RowId>& ids = indexed->second;
    ids.erase(std::remove(ids.begin(), ids.end(), id), ids.end());
    if (ids.empty()) byPath_.erase(indexed);
}

void ResultRows::Remove(RowId id) {
    const auto found = rows_.find(id);
    if (found == rows_.end()) return;
    Unindex(id, found->second.Path());
    rows_.erase(found);
}

void ResultRows::Clear() {
    rows_.clear();
    byPath_.clear();
}

const ResultRow* ResultRows::Find(RowId id) const {
    const auto found = rows_.find(id);
    return found == rows_.end() ? nullptr : &found->second;
}

const std::string* ResultRows::Text(RowId id, int column) const {
    const ResultRow* row = Find(id);
    return row && column >= 0 && column < kColumnCount ? &row->texts[column] : nullptr;
}

void ResultRows::SetText(RowId id, int column, std::string text) {
    const auto found = rows_.find(id);
    if (found == rows_.end() || column < 0 || column >= kColumnCount) return;
    ResultRow& row = found->second;
    const bool moves = column == kNameColumn || column == kFolderColumn;
    if (moves) Unindex(id, row.Path());
    row.texts[column] = std::move(text);
    if (moves) byPath_[row.Path()].push_back(id);
}

std::vector<RowId> ResultRows::WithPath(const std::string& path) const {
    const auto indexed = byPath_.find(path);
    return indexed == byPath_.end() ? std::vector<RowId>() : indexed->second;
}

bool ResultRows::AnyCertainSuggestion() const {
    return std::any_of(rows_.begin(), rows_.end(), [](const auto& each) { return HasCertainSuggestion(each.second.record); });
}

void ResultRows::ShowRetargeted(RowId id, const std::string& newTarget, std::string targetFolder) {
    const auto found = rows_.find(id);
    if (found == rows_.end()) return;
    ResultRow& row = found->second;
    row.texts[kTargetFolderColumn] = std::move(targetFolder);
    row.texts[kSuggestionColumn].clear();
    row.record.target = newTarget;
    row.record.goneKind = wizard::GoneKind::Retargeted;
    row.record.suggestion.clear();
    row.record.confidence = wizard::Confidence::None;
}

void ResultRows::NoteFile(RowId id, std::uint64_t size, std::uint64_t writeTime) {
    const auto found = rows_.find(id);
    if (found == rows_.end()) return;
    found->second.record.fileSize = size;
    found->second.record.fileWriteTime = writeTime;
}

void ResultRows::ShowBroken(RowId id, const wizard::BrokenShortcut& record, std::string targetFolder,
                            std::string suggestionCell) {
    const auto found = rows_.find(id);
    if (found == rows_.end()) return;
    ResultRow& row = found->second;
    row.texts[kTargetFolderColumn] = std::move(targetFolder);
    row.texts[kSuggestionColumn] = std::move(suggestionCell);
    row.record = record;
}

std::string TargetFolderOf(const std::string& target) { return target.empty() ? std::string() : PathFolder(target); }

RestoredRow RestoredRowOf(const wizard::BrokenShortcut* scanned, const std::string& path, const std::string& storedTarget) {
    RestoredRow row{scanned ? *scanned : wizard::BrokenShortcut{PathFileName(path), PathFolder(path), storedTarget, "TargetMissing"},
                    {}};
    row.targetFolder = TargetFolderOf(row.record.target.empty() ? storedTarget : row.record.target);
    return row;
}

std::string CoverageLine(const wizard::ScanCoverage& coverage, std::size_t broken, std::size_t leftOut,
                         const TextOfKey& text) {
    const std::string folders = std::to_string(coverage.folders);
    std::string line =
        coverage.shortcuts
            ? FillPlaceholders(text("_QM_Searched"), {{"broken", std::to_string(broken)},
                                                      {"checked", std::to_string(*coverage.shortcuts)},
                                                      {"folders", folders}})
            : FillPlaceholders(text("_QM_SearchedFolders"), {{"broken", std::to_string(broken)}, {"folders", folders}});
    if (leftOut > 0) line.append(" ").append(FillPlaceholders(text("_QM_IgnoredLeftOut"), {{"count", std::to_string(leftOut)}}));
    return line;
}

std::size_t CountIgnored(const wizard::ResultStore& store, const IgnoreList& ignored) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) count += ignored.Ignores(store.At(i).Path()) ? 1 : 0;
    return count;
}

std::vector<const wizard::BrokenShortcut*> NoLongerIgnored(const wizard::ResultStore& store, const IgnoreList& before,
                                                           const IgnoreList& after) {
    std::vector<const wizard::BrokenShortcut*> back;
    for (std::size_t i = 0; i < store.Count(); ++i) {
        const std::string path = store.At(i).Path();
        if (before.Ignores(path) && !after.Ignores(path)) back.push_back(&store.At(i));
    }
    return back;
}

}  // namespace qm::results
