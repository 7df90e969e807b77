#include "folders/CheckTreeView.h"

#include "controls/HighContrast.h"

#include <oleacc.h>
#include <windowsx.h>

namespace qm::folders {

long CheckTreeView::AccessibleRole() const { return ROLE_SYSTEM_OUTLINE; }
std::wstring CheckTreeView::AccessibleName() const { return controls::LabelBefore(Window()); }

void CheckTreeView::SetBackground(COLORREF colour) {
    background_ = colour;
    ApplyBackground();
}

void CheckTreeView::ApplyBackground() const {
    // -1: the system's window colour.
    const COLORREF colour = controls::HighContrastOn() || background_ == CLR_NONE ? static_cast<COLORREF>(-1) : background_;
    ::SendMessageW(Window(), TVM_SETBKCOLOR, 0, static_cast<LPARAM>(colour));
}

LRESULT CheckTreeView::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_SETTINGCHANGE || message == WM_SYSCOLORCHANGE) ApplyBackground();
    if (message == WM_LBUTTONDOWN) {
        TVHITTESTINFO hit{};
        hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(Window(), TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
        if (item && (hit.flags & TVHT_ONITEMSTATEICON) && onToggle) onToggle(item);
        // The control still selects, focuses and expands as usual.
    } else if (message == WM_KEYDOWN && wParam == VK_SPACE) {
        const auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(Window(), TVM_GETNEXTITEM, TVGN_CARET, 0));
        if (item && onToggle) onToggle(item);
        return 0;  // consumed
    } else if (message == WM_CHAR && wParam == L' ') {
        return 0;  // the space that toggled is no search-by-typing for the control
    }
    return CallNext(message, wParam, lParam);
}

}  // namespace qm::folders
