#include "app/WelcomeDialog.h"

#include "base/Utf.h"
#include "help/HelpMenu.h"
#include "help/ResourceModule.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/WelcomeDialog.h"

namespace qm::app {

namespace {
constexpr int kBannerIconSize = 24;
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
        helpButton_.SetIcon(IDI_HELP, kHelpIconSize, kHelpIconSize, module);
        helpButton_.iconMargin = 2;
        helpButton_.iconGap = 3;
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
    banner_.SetIcon(IconHandle(static_cast<HICON>(::LoadImageW(module, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                               ::GetSystemMetrics(SM_CXICON),
                                                               ::GetSystemMetrics(SM_CYICON), 0))),
                    kBannerIconSize, kBannerIconSize);
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
