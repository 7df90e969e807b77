#include "controls/AccessibleListView.h"

#include "base/win/SystemText.h"

#include <commctrl.h>
#include <oleacc.h>

#include <iterator>

namespace qm::controls {

long AccessibleListView::AccessibleRole() const { return ROLE_SYSTEM_LIST; }
std::wstring AccessibleListView::AccessibleName() const {
    // A dialog whose list comes first names it with its title.
    std::wstring label = LabelBefore(Window());
    return label.empty() ? WindowText(::GetParent(Window())) : label;
}

int AccessibleListView::AccessibleItemCount() const { return ListView_GetItemCount(Window()); }
long AccessibleListView::AccessibleItemRole(int) const { return ROLE_SYSTEM_LISTITEM; }

std::wstring AccessibleListView::AccessibleItemName(int item) const {
    wchar_t text[1024] = {};
    ListView_GetItemText(Window(), item - 1, 0, text, static_cast<int>(std::size(text)));
    return text;
}

long AccessibleListView::AccessibleItemState(int item) const {
    const int row = item - 1;
    const UINT state = ListView_GetItemState(Window(), row, LVIS_SELECTED | LVIS_FOCUSED);
    long answer = STATE_SYSTEM_SELECTABLE | STATE_SYSTEM_FOCUSABLE;
    if (state & LVIS_SELECTED) answer |= STATE_SYSTEM_SELECTED;
    if ((state & LVIS_FOCUSED) && ::GetFocus() == Window()) answer |= STATE_SYSTEM_FOCUSED;
    // The tick boxes are the list's state images: 2 is ticked.
    if ((ListView_GetExtendedListViewStyle(Window()) & LVS_EX_CHECKBOXES) && ListView_GetCheckState(Window(), row))
        answer |= STATE_SYSTEM_CHECKED;
    RECT visible{};
    if (!ListView_GetItemRect(Window(), row, &visible, LVIR_BOUNDS)) answer |= STATE_SYSTEM_INVISIBLE;
    return answer;
}

bool AccessibleListView::AccessibleItemPlace(int item, RECT& screen) const {
    if (!ListView_GetItemRect(Window(), item - 1, &screen, LVIR_BOUNDS)) return false;
    ::MapWindowPoints(Window(), HWND_DESKTOP, reinterpret_cast<POINT*>(&screen), 2);
    return true;
}

}  // namespace qm::controls
