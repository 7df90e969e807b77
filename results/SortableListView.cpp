#include "results/SortableListView.h"

#include "controls/Reflection.h"
#include "results/RowOrder.h"

namespace qm::results {
namespace {

struct SortContext {
    const SortableListView::RowTextSource* texts;
    int column;
    int kind;
    int direction;
};

int CALLBACK CompareRows(LPARAM first, LPARAM second, LPARAM context) {
    const SortContext& sort = *reinterpret_cast<const SortContext*>(context);
    const std::string* a = (*sort.texts)(first, sort.column);
    const std::string* b = (*sort.texts)(second, sort.column);
    if (!a || !b) return 0;
    return CompareRowTexts(sort.kind, *a, *b, sort.direction);
}

}  // namespace

void SortableListView::SetSortKind(int column, int kind) {
    HDITEMW item{};
    item.mask = HDI_LPARAM;
    item.lParam = kind;
    ::SendMessageW(ListView_GetHeader(Window()), HDM_SETITEMW, column, reinterpret_cast<LPARAM>(&item));
}

int SortableListView::SortKind(int column) const {
    HDITEMW item{};
    item.mask = HDI_LPARAM;
    if (!::SendMessageW(ListView_GetHeader(Window()), HDM_GETITEMW, column, reinterpret_cast<LPARAM>(&item))) return -1;
    return static_cast<int>(item.lParam);
}

void SortableListView::SortByColumn(int column) {
    if (rowTexts_) {
        SortContext sort{&rowTexts_, column, SortKind(column), direction_};
        ::SendMessageW(Window(), LVM_SORTITEMS, reinterpret_cast<WPARAM>(&sort), reinterpret_cast<LPARAM>(CompareRows));
    }
    direction_ = direction_ == 1 ? 0 : 1;
}

LRESULT SortableListView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        // The context-menu key and Shift+F10 ask the owner for the menu of the selected row.
        if (wParam == VK_APPS || (wParam == VK_F10 && (::GetKeyState(VK_SHIFT) & 0x8000))) {
            menuKeyDown_ = static_cast<UINT>(wParam);
            ::SendMessageW(::GetParent(Window()), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Window()), -1);
            return 0;
        }
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        // Its release is ours too: F10 let go would otherwise open the window's menu.
        if (wParam == menuKeyDown_) {
            menuKeyDown_ = 0;
            return 0;
        }
        break;
    default:
        break;
    }
    if (message == controls::kReflectedMessageBase + WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->code == LVN_COLUMNCLICK) {
            const auto* click = reinterpret_cast<const NMLISTVIEW*>(lParam);
            if (click->iItem == -1) SortByColumn(click->iSubItem);
            return 0;
        }
    }
    return CallNext(message, wParam, lParam);
}

}  // namespace qm::results
