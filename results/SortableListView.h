// The results list: a report-view list view taken over by subclassing. A click on a column
// header (the reflected LVN_COLUMNCLICK) sorts all rows by that column, in the direction of the
// one flag the list keeps for all its columns; the flag starts at 1 (descending) and flips after
// every sort. The rows' texts come from the owner, which keeps them by each row's id (the item
// data): the sort reads them there, so it costs n log n comparisons and no message per row. The
// context-menu key and Shift+F10 ask the owner for its context menu (WM_CONTEXTMENU with the
// keyboard's position, -1). Screen readers read its rows with their ticks.
#pragma once

#include "controls/AccessibleListView.h"

#include <commctrl.h>

#include <cstdint>
#include <functional>
#include <string>

namespace qm::results {

class SortableListView : public controls::AccessibleListView {
public:

    // The text a row shows in a column, by the row's id; null when there is no such row.
    using RowTextSource = std::function<const std::string*(LPARAM rowId, int column)>;
    void SetRowTextSource(RowTextSource source) { rowTexts_ = std::move(source); }

    // Sorts by `column` as a header click does (and flips the flag).
    void SortByColumn(int column);
    int Direction() const noexcept { return direction_; }

    // The header item's sort kind (its lParam).
    void SetSortKind(int column, int kind);
    int SortKind(int column) const;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RowTextSource rowTexts_;
    int direction_ = 1;
    UINT menuKeyDown_ = 0;  // the context-menu key whose press was served
};

}  // namespace qm::results
