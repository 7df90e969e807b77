#include "results/ResultsList.h"

#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "host/Components.h"
#include "results/ShortcutActions.h"
#include "results/TargetExplanation.h"

namespace qm::results {

void ResultsList::Attach(HWND list) {
    list_.Attach(list);
    view_.Attach(list);
    list_.SetRowTextSource([this](LPARAM id, int column) { return rows_.Text(id, column); });
    view_.SetSmallImages(icons_.Create(IconSize()), controls::ImageListOwner::List);
}

void ResultsList::FollowDpi() {
    view_.SetSmallImages(icons_.Remake(IconSize()), controls::ImageListOwner::List);  // the old list goes
}

int ResultsList::IconSize() const { return ScaleToDpi(16, WindowDpi(view_.Window())); }

std::string ResultsList::Text(int row, int column) const {
    const std::string* text = rows_.Text(IdOf(row), column);
    return text ? *text : std::string();
}

std::string ResultsList::Path(int row) const {
    const ResultRow* found = rows_.Find(IdOf(row));
    return found ? found->Path() : "\\";
}

std::vector<std::string> ResultsList::Paths(const std::vector<int>& rows) const {
    std::vector<std::string> paths;
    for (const int row : rows) paths.push_back(Path(row));
    return paths;
}

const wizard::BrokenShortcut* ResultsList::Record(int row) const {
    const ResultRow* found = rows_.Find(IdOf(row));
    return found ? &found->record : nullptr;
}

std::string ResultsList::Explanation(int row) const {
    const ResultRow* found = rows_.Find(IdOf(row));
    return found ? ExplanationLine(found->record, host::Text, found->place) : std::string();
}

// Asks the list only for the rows the index names: asking it for each row's id would make an
// undo of many files on a long list take minutes.
int ResultsList::Find(const std::string& path) const {
    int first = -1;
    for (const RowId id : rows_.WithPath(path)) {
        const int at = view_.FindData(id);
        if (at >= 0 && (first < 0 || at < first)) first = at;
    }
    return first;
}

void ResultsList::Clear(std::vector<UsualPlaceFolder> places, std::size_t expected) {
    view_.DeleteAll();
    icons_.Clear();
    rows_.Clear();
    places_ = std::move(places);
    ListView_SetItemCount(Window(), static_cast<int>(expected));
}

int ResultsList::Insert(int row, const wizard::BrokenShortcut& record, const std::string& targetFolder) {
    const RowId id = rows_.Add(record, targetFolder, SuggestionCell(record, host::Text),
                               LocationOf(places_, record.Path(), host::Text));
    // Every column's text comes from the rows when the list draws it.
    const int inserted = view_.InsertTextCallbackRow(row, kColumnCount, icons_.IconFor(record.name), id);
    if (inserted < 0) rows_.Remove(id);
    return inserted;
}

int ResultsList::InsertRecord(int row, const wizard::BrokenShortcut& record) {
    const std::optional<std::string> target = TargetToShow(record);
    return target ? Insert(row, record, TargetFolderOf(*target)) : -1;
}

void ResultsList::ShowRetargeted(int row, const std::string& newTarget) {
    const std::string path = Path(row);
    rows_.ShowRetargeted(IdOf(row), newTarget, TargetFolderOf(newTarget));
    NoteFileNow(rows_, IdOf(row));  // changed here, not since the scan
    view_.SetImage(row, icons_.IconFor(path));
    view_.Redraw(row);
}

void ResultsList::RefreshChanged(int row) {
    const wizard::BrokenShortcut* shown = Record(row);
    if (!shown || !ChangedSinceScan(*shown)) return;
    const host::ShortcutJudgement now = JudgeNow({shown->Path()}).front();
    if (now.verdict == host::ShortcutVerdict::Unreadable) {
        rows_.ShowBroken(IdOf(row), *shown, Text(row, kTargetFolderColumn), Text(row, kSuggestionColumn));
        return;
    }
    rows_.ShowBroken(IdOf(row), Rejudged(*shown, now), TargetFolderOf(now.target), std::string());
    view_.Redraw(row);
}

void ResultsList::PutBack(const changes::UndoResult& result, const wizard::ResultStore& store) {
    for (const std::string& path : result.removed)
        if (const int row = Find(path); row >= 0) view_.DeleteRow(row);
    // Restored last file first: put back in the batch's own order.
    for (auto it = result.restored.rbegin(); it != result.restored.rend(); ++it) {
        const std::string& path = *it;
        std::string target;
        if (!changes::ReadShortcutTarget(path, target)) continue;
        const int row = Find(path);
        if (!target.empty() && PathPresent(target)) {
            if (row >= 0) {
                rows_.SetText(IdOf(row), kTargetFolderColumn, TargetFolderOf(target));
                view_.Redraw(row);
            }
            continue;
        }
        const RestoredRow restored = RestoredRowOf(store.Find(path), path, target);
        if (row < 0) {
            Insert(Count(), restored.record, restored.targetFolder);
            continue;
        }
        rows_.ShowBroken(IdOf(row), restored.record, restored.targetFolder, SuggestionCell(restored.record, host::Text));
        view_.Redraw(row);
    }
}

bool ResultsList::OnNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case LVN_DELETEITEM:
        // Whoever removes a row (Delete, a repair, an undo), its record goes with it.
        rows_.Remove(reinterpret_cast<const NMLISTVIEW&>(header).lParam);
        return false;
    case LVN_DELETEALLITEMS:
        // Every record goes at once, and the list sends no LVN_DELETEITEM for each row.
        rows_.Clear();
        result = TRUE;
        return true;
    case LVN_GETDISPINFOW: {
        // The list draws a row's text: it lends a buffer for it.
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            const std::string* text = rows_.Text(info.item.lParam, info.item.iSubItem);
            const std::wstring wide = text ? Widen(*text) : std::wstring();
            ::lstrcpynW(info.item.pszText, wide.c_str(), info.item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPW: {
        // The list lends its buffer for the tip; it already holds the row's own text when that
        // is cut off, which the explanation replaces.
        auto& tip = const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header));
        const std::wstring text = Widen(Explanation(tip.iItem));
        if (!text.empty() && tip.pszText && tip.cchTextMax > 0) ::lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

}  // namespace qm::results
