#include "controls/Reflection.h"

namespace qm::controls {
namespace {

// The control a message names, or null when it names none.
HWND ControlOf(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        return reinterpret_cast<HWND>(lParam);  // null for menus and accelerators
    case WM_NOTIFY:
        return reinterpret_cast<const NMHDR*>(lParam)->hwndFrom;
    case WM_PARENTNOTIFY:
        return LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY ? reinterpret_cast<HWND>(lParam) : nullptr;
    case WM_DRAWITEM:
        return wParam ? reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)->hwndItem : nullptr;  // 0: a menu
    case WM_MEASUREITEM:
        return wParam ? ::GetDlgItem(dialog, static_cast<int>(reinterpret_cast<const MEASUREITEMSTRUCT*>(lParam)->CtlID))
                      : nullptr;
    case WM_COMPAREITEM:
        return reinterpret_cast<const COMPAREITEMSTRUCT*>(lParam)->hwndItem;
    case WM_DELETEITEM:
        return reinterpret_cast<const DELETEITEMSTRUCT*>(lParam)->hwndItem;
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
        return reinterpret_cast<HWND>(lParam);
    default:
        return nullptr;
    }
}

// Messages whose result a dialog procedure returns directly instead of in DWLP_MSGRESULT.
bool ReturnsResultDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

}  // namespace

std::optional<LRESULT> ReflectToControl(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = ControlOf(dialog, message, wParam, lParam);
    if (!control || control == dialog || !::IsWindow(control)) return std::nullopt;
    return ::SendMessageW(control, kReflectedMessageBase + message, wParam, lParam);
}

INT_PTR DialogAnswer(HWND dialog, UINT message, LRESULT answer) {
    if (ReturnsResultDirectly(message)) return static_cast<INT_PTR>(answer);
    ::SetWindowLongPtrW(dialog, DWLP_MSGRESULT, answer);
    return TRUE;
}

}  // namespace qm::controls
