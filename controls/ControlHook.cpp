#include "controls/ControlHook.h"

#include <commctrl.h>
#include <windowsx.h>

namespace qm::controls {

namespace {
// One subclass id for every hook object: the object pointer travels in the reference data.
constexpr UINT_PTR kHookId = 0x514D;  // "QM"
}  // namespace

ControlHook::~ControlHook() { Unhook(); }

bool ControlHook::Hook(HWND control) {
    if (!control || !::IsWindow(control) || window_) return false;
    if (!::SetWindowSubclass(control, &ControlHook::Procedure, kHookId, reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = control;
    return true;
}

void ControlHook::Unhook() noexcept {
    if (accessible_) *accessible_ = nullptr;  // a reader's object outlives the control
    accessible_.reset();
    if (!window_) return;
    ::RemoveWindowSubclass(window_, &ControlHook::Procedure, kHookId);
    window_ = nullptr;
}

LRESULT ControlHook::CallNext(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::DefSubclassProc(window_, message, wParam, lParam);
}

RECT ControlHook::ClientRect() const noexcept {
    RECT rect{};
    if (window_) ::GetClientRect(window_, &rect);
    return rect;
}

void ControlHook::InvalidateWithParent() const noexcept {
    if (!window_) return;
    if (HWND parent = ::GetParent(window_)) {
        RECT rect{};
        ::GetWindowRect(window_, &rect);
        ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
        ::InvalidateRect(parent, &rect, TRUE);
    }
    ::InvalidateRect(window_, nullptr, TRUE);
}

LRESULT ControlHook::ServeAccessible(WPARAM wParam) {
    if (!accessible_) accessible_ = std::make_shared<const AccessibleFacts*>(this);
    return ServeAccessibleObject(window_, wParam, accessible_);
}

LRESULT CALLBACK ControlHook::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                        DWORD_PTR selfData) {
    auto* self = reinterpret_cast<ControlHook*>(selfData);
    if (message == WM_NCDESTROY) {
        if (self->accessible_) *self->accessible_ = nullptr;
        self->accessible_.reset();
        self->OnControlDestroyed();
        ::RemoveWindowSubclass(window, &ControlHook::Procedure, kHookId);
        self->window_ = nullptr;
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
    // Nothing thrown below a window procedure may leave it: a failed drawing step leaves the
    // control as the system would draw it.
    try {
        if (message == WM_GETOBJECT && static_cast<LONG>(lParam) == OBJID_CLIENT && self->AccessibleRole() != 0) {
            if (const LRESULT served = self->ServeAccessible(wParam)) return served;
        }
        return self->OnMessage(message, wParam, lParam);
    } catch (...) {
        return ::DefSubclassProc(window, message, wParam, lParam);
    }
}

bool IsInside(const RECT& rect, LPARAM pointLParam) noexcept {
    POINT point{GET_X_LPARAM(pointLParam), GET_Y_LPARAM(pointLParam)};
    return ::PtInRect(&rect, point) != FALSE;
}

}  // namespace qm::controls
