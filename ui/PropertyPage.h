// The base of every wizard page: binds the page object to its dialog at WM_INITDIALOG (from
// PROPSHEETPAGE.lParam, never earlier), hands the page's own messages to small virtual
// handlers, answers property-sheet notifications only when they come from the page itself
// or from the sheet, reflects every other child-control message back to the control
// (controls/Reflection.h), and keeps exceptions from crossing the dialog procedure. A page
// that becomes active asks the sheet to give it the size of the sheet's page area
// (WM_WIZARD_FIT_PAGE), since the sheet creates each page at its template's size.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <optional>
#include <string>

namespace qm::ui {

class PropertyPage {
public:
    // `title` is the tab caption; with PSP_HASHELP the wizard's Help button is enabled.
    PropertyPage(int templateId, std::string title, bool hasHelp);
    virtual ~PropertyPage() = default;
    PropertyPage(const PropertyPage&) = delete;
    PropertyPage& operator=(const PropertyPage&) = delete;

    // The page record the sheet turns into a page (CreatePropertySheetPageW). The record
    // points at this object, which must stay where it is while the sheet lives.
    HPROPSHEETPAGE CreatePage();

    HWND Window() const { return window_; }
    HWND Sheet() const { return window_ ? ::GetParent(window_) : nullptr; }
    int TemplateId() const { return templateId_; }
    const std::wstring& Title() const { return title_; }

protected:
    // WM_INITDIALOG. TRUE lets the dialog manager set the focus.
    virtual BOOL OnInitDialog() { return TRUE; }
    // Any other message, before reflection; true when handled, with its result.
    virtual bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) { return false; }
    // A property-sheet notification (PSN_*) from the page or the sheet. The default answers
    // 0 to the standard notifications and leaves PSN_GETOBJECT unhandled (nullopt).
    virtual std::optional<LRESULT> OnSheetNotify(const NMHDR& header);

    // Places the page's controls for its client area `client`: called whenever the page's size
    // changes (the wizard resized, or shown at another scale). The default leaves them be.
    virtual void LayOut(const RECT& client) {}

    // Wizard buttons are set by posting to the sheet, never by sending.
    void SetWizardButtons(DWORD buttons) const;

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static UINT CALLBACK PageCallback(HWND window, UINT message, LPPROPSHEETPAGEW page);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    std::wstring title_;
    bool hasHelp_;
    HWND window_ = nullptr;
};

}  // namespace qm::ui
