// Takes over an existing control window (a dialog's static or button) by subclassing it: the
// object sees the control's messages first and hands the rest to the procedure it replaced.
// The object must outlive the hook or detach first; it detaches itself when the control is
// destroyed, so a dialog may destroy its controls before or after its control objects.
#pragma once

#include "controls/AccessibleObject.h"

#include <windows.h>

namespace qm::controls {

// A hook that answers a role (AccessibleFacts) serves screen readers its own object for the
// control; the others leave them to the system's.
class ControlHook : public AccessibleFacts {
public:
    ControlHook() = default;
    virtual ~ControlHook();
    ControlHook(const ControlHook&) = delete;
    ControlHook& operator=(const ControlHook&) = delete;

    HWND Window() const noexcept { return window_; }
    bool IsAttached() const noexcept { return window_ != nullptr; }

protected:
    // Installs the hook; false when the window is missing or already taken over by this object.
    bool Hook(HWND control);
    void Unhook() noexcept;

    // The control's messages; call CallNext for those not consumed.
    virtual LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Called once the control is being destroyed (WM_NCDESTROY), before the hook goes away.
    virtual void OnControlDestroyed() noexcept {}

    LRESULT CallNext(UINT message, WPARAM wParam, LPARAM lParam);

    // For buttons that draw themselves: their own highlight and check drawing would reach the
    // parent as owner-draw requests (BM_SETSTATE, BM_SETCHECK: consumed, answer 0), and the
    // dialog manager's default-button style change must keep the owner-drawn type (BM_SETSTYLE:
    // wParam adjusted, passed on). True when the message is consumed.
    static bool KeepButtonOwnerDrawn(UINT message, WPARAM& wParam) noexcept {
        if (message == BM_SETSTATE || message == BM_SETCHECK) return true;
        if (message == BM_SETSTYLE) wParam = (wParam & ~WPARAM(BS_TYPEMASK)) | BS_OWNERDRAW;
        return false;
    }

    // Serves WM_PAINT (between BeginPaint and EndPaint) and WM_PRINTCLIENT (into the given DC)
    // through the control's one painting routine, so a test renders what the screen shows.
    template <typename PaintFn>
    LRESULT ServePaint(UINT message, WPARAM wParam, PaintFn&& paint) {
        if (message == WM_PRINTCLIENT) {
            paint(reinterpret_cast<HDC>(wParam));
            return 0;
        }
        PAINTSTRUCT paintStruct;
        HDC dc = ::BeginPaint(window_, &paintStruct);
        paint(dc);
        ::EndPaint(window_, &paintStruct);
        return 0;
    }

    // Invalidates the control and the part of its parent beneath it, so a control that paints
    // no background of its own is redrawn over a fresh parent background.
    void InvalidateWithParent() const noexcept;
    RECT ClientRect() const noexcept;

private:
    LRESULT ServeAccessible(WPARAM wParam);

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                      DWORD_PTR self);
    HWND window_ = nullptr;
    AccessibleLink accessible_;  // made at a reader's first question
};

// Whether the client-area point packed in a mouse message's lParam lies in `rect`.
bool IsInside(const RECT& rect, LPARAM pointLParam) noexcept;

}  // namespace qm::controls
