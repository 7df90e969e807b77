#include "controls/ModalDialog.h"

#include "controls/HighContrast.h"
#include "controls/Placement.h"
#include "controls/Reflection.h"

#include <utility>

namespace qm::controls {

INT_PTR ModalDialog::Run(int templateId, HWND owner, HINSTANCE module) {
    failure_ = nullptr;
    const INT_PTR result = ::DialogBoxParamW(module ? module : ::GetModuleHandleW(nullptr),
                                             MAKEINTRESOURCEW(templateId), owner, &ModalDialog::Procedure,
                                             reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
    if (failure_) std::rethrow_exception(std::exchange(failure_, nullptr));
    return result;
}

INT_PTR CALLBACK ModalDialog::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    ModalDialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<ModalDialog*>(lParam);
        self->window_ = window;
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
    } else {
        self = reinterpret_cast<ModalDialog*>(::GetWindowLongPtrW(window, DWLP_USER));
    }
    if (!self) return FALSE;
    try {
        return self->Dispatch(message, wParam, lParam);
    } catch (...) {
        // Keep the first failure; the dialog ends and Run raises it on the caller's side.
        if (!self->failure_) self->failure_ = std::current_exception();
        ::EndDialog(window, -1);
        return TRUE;
    }
}

INT_PTR ModalDialog::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    ForwardColourChanges(window_, message, wParam, lParam);
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND: {
            const WORD id = LOWORD(wParam);
            if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
            if (id == IDOK || id == IDCANCEL) {
                End(id);
                return TRUE;
            }
            break;
        }
        default:
            break;
    }
    INT_PTR result = 0;
    if (OnMessage(message, wParam, lParam, result)) return result;
    return FALSE;
}

bool ModalDialog::ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) const {
    const std::optional<LRESULT> answer = ReflectToControl(window_, message, wParam, lParam);
    if (!answer) return false;
    result = DialogAnswer(window_, message, *answer);
    return true;
}

void CentreDialog(HWND dialog) {
    HWND owner = ::GetWindow(dialog, GW_OWNER);
    const bool usableOwner = owner && ::IsWindowVisible(owner) && !::IsIconic(owner);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    ::GetMonitorInfoW(::MonitorFromWindow(usableOwner ? owner : dialog, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const Box workArea{monitor.rcWork.left, monitor.rcWork.top, monitor.rcWork.right, monitor.rcWork.bottom};
    Box over = workArea;
    RECT ownerRect{};
    if (usableOwner && ::GetWindowRect(owner, &ownerRect))
        over = Box{ownerRect.left, ownerRect.top, ownerRect.right, ownerRect.bottom};
    RECT frame{};
    ::GetWindowRect(dialog, &frame);
    const Position at = CentredInside(frame.right - frame.left, frame.bottom - frame.top, over, workArea);
    ::SetWindowPos(dialog, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace qm::controls
