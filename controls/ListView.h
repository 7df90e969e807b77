// A report-view list view, written once: its columns, rows and their texts (UTF-8), the tick
// boxes and the small image list. It does not own the window; who destroys the image list is
// said when the list is given it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace qm::controls {

// Who destroys a list's image list.
enum class ImageListOwner {
    List,    // the list view, when it is destroyed; the caller keeps no owner of its own
    Caller,  // the caller, after the list view; the list only borrows it (LVS_SHAREIMAGELISTS)
};

class ListView {
public:
    ListView() = default;
    explicit ListView(HWND list) { Attach(list); }
    void Attach(HWND list);
    HWND Window() const noexcept { return list_; }

    void AddExtendedStyle(DWORD styles) const;
    // Images the list owned before are destroyed once it lets them go.
    void SetSmallImages(HIMAGELIST images, ImageListOwner owner) const;
    // False when the list refused the column.
    bool InsertColumn(int index, const std::string& title, int width) const;
    int ColumnWidth(int index) const;
    // Every column's width, in column order.
    std::vector<long> ColumnWidths() const;
    // Sets the widths of the first columns, as many as both have.
    void SetColumnWidths(const std::vector<long>& widths) const;
    // Widens (or, when negative, narrows) the columns together by `pixels`, each by its share
    // of their width: the list grew, and its columns share the new room.
    void GrowColumns(long pixels) const;

    int Count() const;
    // The new row's index, -1 when the list refused it. `image` -1: none.
    int InsertRow(int row, const std::string& text, int image = -1, LPARAM data = 0) const;
    // A row whose texts the list asks its owner for when it draws them (LPSTR_TEXTCALLBACKW),
    // every column of `columns` so marked. Sent straight to the list view's own procedure, past
    // every subclass of the list, since it is sent once per row: each pass through a subclass
    // chain looks the chain up in a window property, under Wine a round trip to the server.
    int InsertTextCallbackRow(int row, int columns, int image, LPARAM data) const;
    void SetText(int row, int column, const std::string& text) const;
    std::string Text(int row, int column) const;
    void SetImage(int row, int image) const;
    int Image(int row) const;
    // The row's item data; 0 when there is no such row.
    LPARAM Data(int row) const;
    // The row with this item data; -1 when none has it.
    int FindData(LPARAM data) const;
    void DeleteRow(int row) const;
    // Deletes the rows from the bottom up, so that each index still names its row when its turn
    // comes; the order given does not matter.
    void DeleteRows(std::vector<int> rows) const;
    void DeleteAll() const;
    void Redraw(int row) const;

    // The first selected row; -1 when none is.
    int Selected() const;
    // Selects and focuses the row and scrolls it into view.
    void Select(int row) const;

    // A row is ticked only when its tick box shows the tick (state image 2): one without any
    // tick box image (0) is not.
    bool IsTicked(int row) const;
    void SetTicked(int row, bool ticked) const;
    // The ticked rows, top down.
    std::vector<int> TickedRows() const;

private:
    HWND list_ = nullptr;
    WNDPROC listProcedure_ = nullptr;  // the list view class's own
};

}  // namespace qm::controls
