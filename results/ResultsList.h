// The results page's list, its rows kept in two halves that this keeps together: the list view
// holds each row's id (its item data), icon and tick, in the list's order; ResultRows holds each
// row's record and texts by id, which the list asks for when it draws them (LPSTR_TEXTCALLBACKW)
// and sorts by. Rows are addressed by their place in the list, as the page and its tests see
// them.
#pragma once

#include "base/UsualPlaceTable.h"
#include "changes/UndoChange.h"
#include "controls/ListView.h"
#include "results/IconCache.h"
#include "results/ResultRows.h"
#include "results/SortableListView.h"
#include "wizard/ResultStore.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qm::results {

class ResultsList {
public:
    // Takes over the list view: its rows' texts come from here, its image list is the icons'.
    void Attach(HWND list);
    // Makes the icons again at the size for the list's DPI, after it moved to another monitor.
    void FollowDpi();
    HWND Window() const { return view_.Window(); }
    SortableListView& Sortable() { return list_; }
    const controls::ListView& View() const { return view_; }

    int Count() const { return view_.Count(); }
    std::string Text(int row, int column) const;
    // The row's shortcut: folder, backslash, name ("\" for a row that is not there).
    std::string Path(int row) const;
    std::vector<std::string> Paths(const std::vector<int>& rows) const;
    const wizard::BrokenShortcut* Record(int row) const;
    // 0 for a row that is not there: no row has that id.
    RowId IdOf(int row) const { return view_.Data(row); }
    // The explanation of the row's shortcut, for the line under the list and the row's tip.
    std::string Explanation(int row) const;
    // The first row showing the shortcut `path`; -1 when none does.
    int Find(const std::string& path) const;
    bool AnyCertainSuggestion() const { return rows_.AnyCertainSuggestion(); }
    int ImageCount() const { return icons_.Count(); }

    // Empties the list for a fill of `expected` rows; the Location column names `places`.
    void Clear(std::vector<UsualPlaceFolder> places, std::size_t expected);
    // Adds a row for `record` at `row`, showing `targetFolder` as its target's folder; -1 when the
    // list refused it.
    int Insert(int row, const wizard::BrokenShortcut& record, const std::string& targetFolder);
    // Adds a row for `record` at `row` with the target it shows (TargetToShow); -1 when the file
    // is no longer a shortcut or the list refused it.
    int InsertRecord(int row, const wizard::BrokenShortcut& record);
    // The row's shortcut opens `newTarget` now, changed by the page's hand (not since the scan).
    void ShowRetargeted(int row, const std::string& newTarget);
    // A row whose file changed since the scan shows the rule's judgement of it now.
    void RefreshChanged(int row);
    // The rows of what an undo put back: a restored shortcut is broken again, so its row comes
    // back with the scan's record from `store` (or the row it kept shows that record again); a
    // shortcut that works after the undo (an undone undo of a re-target or repair) keeps the row
    // it has, showing its new target folder. The rows of files the undo removed go.
    void PutBack(const changes::UndoResult& result, const wizard::ResultStore& store);

    // The notifications of the rows' half (rows deleted, texts and tips drawn): true when one is
    // served and answered in `result`; false for the others, and for a row deleted, which goes
    // on as unserved.
    bool OnNotify(const NMHDR& header, LRESULT& result);

private:
    int IconSize() const;  // pixels, for the list's DPI
    SortableListView list_;
    controls::ListView view_;  // the same list: its rows, ticks and images
    IconCache icons_;
    ResultRows rows_;
    std::vector<UsualPlaceFolder> places_;  // as found at the last fill
};

}  // namespace qm::results
