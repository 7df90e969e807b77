// The base of the program's small modal dialogs: binds the object to its window at
// WM_INITDIALOG (from the creation parameter, never earlier), routes commands and messages to
// small virtual handlers, and keeps exceptions from crossing the dialog procedure: a handler
// that throws ends the dialog, and Run raises the same exception again once the dialog is gone.
#pragma once

#include <windows.h>

#include <exception>

namespace qm::controls {

class ModalDialog {
public:
    ModalDialog() = default;
    virtual ~ModalDialog() = default;
    ModalDialog(const ModalDialog&) = delete;
    ModalDialog& operator=(const ModalDialog&) = delete;

    // Shows the dialog template `templateId` of `module` (the program when null) modally,
    // owned by `owner`; returns the value it was closed with.
    INT_PTR Run(int templateId, HWND owner, HINSTANCE module = nullptr);

    HWND Window() const noexcept { return window_; }

protected:
    // WM_INITDIALOG; TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog() = 0;
    // WM_COMMAND; false leaves it to the default (IDOK closes with 1, IDCANCEL with 2).
    virtual bool OnCommand(WORD id, WORD code, HWND control) { return false; }
    // Any other message; true when handled, with the dialog procedure's answer in `result`.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) { return false; }

    void End(INT_PTR result) const noexcept { ::EndDialog(window_, result); }

    // Sends a message about a child control back to that control (controls/Reflection.h), as
    // the controls that draw themselves expect; false when the message concerns no child.
    bool ReflectToChild(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) const;

private:
    static INT_PTR CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
    std::exception_ptr failure_;
};

// Centres the dialog over its owner, or over the work area when the owner is missing, hidden
// or minimised, and keeps it inside the work area.
void CentreDialog(HWND dialog);

}  // namespace qm::controls
