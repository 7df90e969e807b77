#include "help/AboutDialog.h"

#include "ui/PathMacros.h"
#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "controls/ControlFont.h"
#include "help/ResourceModule.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/AboutDialog.h"

namespace qm::help {

namespace {
constexpr COLORREF kNoticePanel = RGB(255, 255, 208);
constexpr LONG kNoticeFontHeight = 11;  // pixels at 100%, like the inset
constexpr int kNoticeInset = 7;
}  // namespace

INT_PTR AboutDialog::Show(HWND owner) {
    AboutDialog dialog;
    return dialog.Run(IDD_ABOUT, owner, ResourceModule());
}

BOOL AboutDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    host::TheComponents().language.TranslateWindow(Window());

    const std::string program = ui::GetModulePath();
    const std::string nameAndVersion =
        ui::GetVersionString(program, "ProductName") + " " + ui::GetVersionString(program, "ProductVersion");
    ::SetDlgItemTextW(Window(), IDC_ABOUT_NAME_VERSION, Widen(nameAndVersion).c_str());
    ::SetDlgItemTextW(Window(), IDC_ABOUT_COPYRIGHT, Widen(ui::GetVersionString(program, "LegalCopyright")).c_str());

    if (notice_.Attach(::GetDlgItem(Window(), IDC_ABOUT_NOTICE))) {
        const UINT dpi = WindowDpi(Window());
        LOGFONTW font = controls::WithWeight(controls::FontDescriptionOf(Window()), 0);
        font.lfHeight = ScaleToDpi(kNoticeFontHeight, dpi);
        notice_.SetFont(font);
        notice_.style = controls::SkinnedStatic::kGradient;
        notice_.colour1 = kNoticePanel;
        notice_.colour2 = kNoticePanel;
        notice_.insetX = ScaleToDpi(kNoticeInset, dpi);
        notice_.insetY = ScaleToDpi(kNoticeInset, dpi);
    }
    return TRUE;
}

}  // namespace qm::help
