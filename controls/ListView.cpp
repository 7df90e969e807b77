#include "controls/ListView.h"

#include "controls/Placement.h"

#include "base/Utf.h"

#include <algorithm>

namespace qm::controls {
namespace {

constexpr UINT kTickedImage = 2;

}  // namespace

void ListView::Attach(HWND list) {
    list_ = list;
    listProcedure_ = list ? reinterpret_cast<WNDPROC>(::GetClassLongPtrW(list, GCLP_WNDPROC)) : nullptr;
}

void ListView::AddExtendedStyle(DWORD styles) const {
    ::SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);
}

void ListView::SetSmallImages(HIMAGELIST images, ImageListOwner owner) const {
    const LONG_PTR style = ::GetWindowLongPtrW(list_, GWL_STYLE);
    const LONG_PTR shared = owner == ImageListOwner::Caller ? (style | LVS_SHAREIMAGELISTS) : (style & ~LONG_PTR{LVS_SHAREIMAGELISTS});
    if (shared != style) ::SetWindowLongPtrW(list_, GWL_STYLE, shared);
    const auto replaced = reinterpret_cast<HIMAGELIST>(
        ::SendMessageW(list_, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images)));
    // The list hands back a list it owned without destroying it (images made again for another DPI).
    if (replaced && replaced != images && !(style & LVS_SHAREIMAGELISTS)) ::ImageList_Destroy(replaced);
}

bool ListView::InsertColumn(int index, const std::string& title, int width) const {
    std::wstring text = Widen(title);
    LVCOLUMNW column{};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
    column.fmt = LVCFMT_LEFT;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    return ::SendMessageW(list_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)) >= 0;
}

int ListView::ColumnWidth(int index) const { return static_cast<int>(::SendMessageW(list_, LVM_GETCOLUMNWIDTH, index, 0)); }

std::vector<long> ListView::ColumnWidths() const {
    HWND header = reinterpret_cast<HWND>(::SendMessageW(list_, LVM_GETHEADER, 0, 0));
    const int count = header ? static_cast<int>(::SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
    std::vector<long> widths;
    for (int index = 0; index < count; ++index) widths.push_back(ColumnWidth(index));
    return widths;
}

void ListView::SetColumnWidths(const std::vector<long>& widths) const {
    const std::vector<long> current = ColumnWidths();
    for (size_t index = 0; index < widths.size() && index < current.size(); ++index) {
        ::SendMessageW(list_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(widths[index], 0));
    }
}

void ListView::GrowColumns(long pixels) const {
    if (pixels == 0) return;
    const std::vector<long> widths = ColumnWidths();
    long total = 0;
    for (long width : widths) total += width;
    SetColumnWidths(SharedWidths(widths, total + pixels));
}

int ListView::Count() const { return static_cast<int>(::SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }

int ListView::InsertRow(int row, const std::string& text, int image, LPARAM data) const {
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
    item.iItem = row;
    item.pszText = wide.data();
    item.iImage = image;
    item.lParam = data;
    return static_cast<int>(::SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

int ListView::InsertTextCallbackRow(int row, int columns, int image, LPARAM data) const {
    const auto send = [this](UINT message, WPARAM wParam, LPARAM lParam) {
        return listProcedure_ ? ::CallWindowProcW(listProcedure_, list_, message, wParam, lParam)
                              : ::SendMessageW(list_, message, wParam, lParam);
    };
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = image;
    item.lParam = data;
    const int inserted = static_cast<int>(send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted < 0) return inserted;
    // A list view asks for a subitem's text only when the subitem is marked so too.
    LVITEMW subitem{};
    subitem.pszText = LPSTR_TEXTCALLBACKW;
    for (subitem.iSubItem = 1; subitem.iSubItem < columns; ++subitem.iSubItem)
        send(LVM_SETITEMTEXTW, inserted, reinterpret_cast<LPARAM>(&subitem));
    return inserted;
}

void ListView::SetText(int row, int column, const std::string& text) const {
    std::wstring wide = Widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    ::SendMessageW(list_, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

std::string ListView::Text(int row, int column) const {
    std::wstring text(32768, L'\0');
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = text.data();
    item.cchTextMax = static_cast<int>(text.size());
    ::SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
    text.resize(::wcslen(text.c_str()));
    return Narrow(text);
}

void ListView::SetImage(int row, int image) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    ::SendMessageW(list_, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
}

int ListView::Image(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = -1;
    ::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

LPARAM ListView::Data(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !::SendMessageW(list_, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

int ListView::FindData(LPARAM data) const {
    LVFINDINFOW find{};
    find.flags = LVFI_PARAM;
    find.lParam = data;
    return static_cast<int>(::SendMessageW(list_, LVM_FINDITEMW, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

void ListView::DeleteRow(int row) const { ::SendMessageW(list_, LVM_DELETEITEM, row, 0); }
void ListView::DeleteRows(std::vector<int> rows) const {
    std::sort(rows.begin(), rows.end());
    for (auto row = rows.rbegin(); row != rows.rend(); ++row) DeleteRow(*row);
}

void ListView::DeleteAll() const { ::SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0); }
void ListView::Redraw(int row) const { ::SendMessageW(list_, LVM_REDRAWITEMS, row, row); }

int ListView::Selected() const {
    return static_cast<int>(::SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::Select(int row) const {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    ::SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    ::SendMessageW(list_, LVM_ENSUREVISIBLE, row, FALSE);
}

bool ListView::IsTicked(int row) const {
    const UINT state = static_cast<UINT>(::SendMessageW(list_, LVM_GETITEMSTATE, row, LVIS_STATEIMAGEMASK));
    return (state & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(kTickedImage);
}

void ListView::SetTicked(int row, bool ticked) const {
    LVITEMW item{};
    item.stateMask = LVIS_STATEIMAGEMASK;
    item.state = INDEXTOSTATEIMAGEMASK(ticked ? kTickedImage : 1);
    ::SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

std::vector<int> ListView::TickedRows() const {
    std::vector<int> ticked;
    for (int row = 0, count = Count(); row < count; ++row)
        if (IsTicked(row)) ticked.push_back(row);
    return ticked;
}

}  // namespace qm::controls
