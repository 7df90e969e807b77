#include "help/SupportDialog.h"

#include "help/MailtoLink.h"
#include "help/ResourceModule.h"
#include "help/ShellOpen.h"
#include "help/WebAddresses.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/SupportDialog.h"

namespace qm::help {

std::string SupportMailLink() {
    return BuildMailtoLink(kSupportMailAddress, host::Text("_QM_039"), host::Text("_Support_EmailBody"));
}

INT_PTR SupportDialog::Show(HWND owner) {
    SupportDialog dialog;
    return dialog.Run(IDD_SUPPORT, owner, ResourceModule());
}

BOOL SupportDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    const auto& language = host::TheComponents().language;
    language.TranslateWindow(Window());
    emailLink_.Attach(::GetDlgItem(Window(), IDC_SUPPORT_EMAIL));
    // Once more with the link attached, so it measures the display text, not the key.
    language.TranslateWindow(Window());
    return TRUE;
}

bool SupportDialog::OnCommand(WORD id, WORD code, HWND control) {
    if (id == IDC_SUPPORT_EMAIL && code == BN_CLICKED) {
        ShellOpen(Window(), SupportMailLink());
        return true;
    }
    if (id == IDOK || id == IDCANCEL) return false;  // the default closes the dialog
    INT_PTR ignored = 0;
    return ReflectToChild(WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control), ignored);
}

bool SupportDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) {
    return ReflectToChild(message, wParam, lParam, result);
}

}  // namespace qm::help
