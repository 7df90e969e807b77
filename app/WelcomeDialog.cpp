#include "app/WelcomeDialog.h"

#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "help/HelpMenu.h"
#include "help/ResourceModule.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/WelcomeDialog.h"

namespace qm::app {

namespace {
constexpr int kBannerIconSize = 24;  // pixels at 100%
constexpr int kHelpIconSize = 16;
}  // namespace

void WelcomeDialog::Show(HWND owner) {
    WelcomeDialog dialog;
    dialog.Run(IDD_WELCOME, owner, help::ResourceModule());
}

BOOL WelcomeDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    host::TheComponents().language.TranslateWindow(Window());
    const HINSTANCE module = help::ResourceModule();
    MakeBanner(module);

    if (helpButton_.Attach(::GetDlgItem(Window(), IDC_WELCOME_HELP))) {
        const UINT dpi = WindowDpi(Window());
        helpButton_.SetIcon(IDI_HELP, ScaleToDpi(kHelpIconSize, dpi), ScaleToDpi(kHelpIconSize, dpi), module);
        helpButton_.iconMargin = ScaleToDpi(2, dpi);
        helpButton_.iconGap = ScaleToDpi(3, dpi);
        helpButton_.captionColour = RGB(0, 0, 0);
        helpButton_.UseNormalWeight();
    }

    alwaysShow_ = ::GetDlgItem(Window(), IDC_WELCOME_ALWAYS_SHOW);
    ::CheckDlgButton(Window(), IDC_WELCOME_ALWAYS_SHOW, BST_CHECKED);
    return TRUE;
}

void WelcomeDialog::MakeBanner(HINSTANCE module) {
    if (!banner_.Attach(::GetDlgItem(Window(), IDC_WELCOME_BANNER))) return;
    banner_.style = controls::SkinnedStatic::kStretchedBitmap | controls::SkinnedStatic::kIconLeft;
    banner_.SetBitmap(GdiObject(::LoadImageW(module, MAKEINTRESOURCEW(IDB_BANNER), IMAGE_BITMAP, 0, 0, 0)));
    const UINT dpi = WindowDpi(Window());
    const int iconSize = ScaleToDpi(kBannerIconSize, dpi);
    banner_.SetIcon(LoadIconAtSize(module, IDI_PROGRAM, iconSize), iconSize, iconSize);
    banner_.iconMargin = ScaleToDpi(banner_.iconMargin, dpi);
    banner_.iconGap = ScaleToDpi(banner_.iconGap, dpi);
    banner_.textColour = RGB(255, 255, 255);
    banner_.noPrefix = true;
    ::SetWindowTextW(banner_.Window(), Widen(host::Text("_QM_Mainname")).c_str());
}

bool WelcomeDialog::OnCommand(WORD id, WORD code, HWND) {
    switch (id) {
        case IDC_WELCOME_CONTINUE:
            if (code != BN_CLICKED) return false;
            End(IDC_WELCOME_CONTINUE);
            return true;
        case IDC_WELCOME_ALWAYS_SHOW:
            if (code != BN_CLICKED) return false;
            host::TheComponents().config.SetInt("quillmend_module", "showstartup",
                                                ::SendMessageW(alwaysShow_, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0);
            return true;
        case IDC_WELCOME_HELP:
            help::ShowWelcomeHelpMenu(Window(), helpButton_.Window());
            return true;
        default:
            return false;
    }
}

}  // namespace qm::app
