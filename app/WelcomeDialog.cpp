#include "app/WelcomeDialog.h"

#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "controls/ControlFont.h"
#include "help/HelpMenu.h"
#include "help/ResourceModule.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/WelcomeDialog.h"

namespace qm::app {

namespace {
constexpr int kBannerIconSize = 24;  // pixels at 100%
constexpr int kHelpIconSize = 16;
// The wizard pages' headings: their dialogs' font (Tahoma), heavy, in the pages' blue.
constexpr wchar_t kPagesFont[] = L"Tahoma";
constexpr COLORREF kHeadingColour = RGB(50, 100, 150);
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
    MakeHeading();
    PlacePrompt();

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

void WelcomeDialog::MakeHeading() {
    if (!heading_.Attach(::GetDlgItem(Window(), IDC_WELCOME_HEADING))) return;
    // The dialog's own font is of the same size; the pages' face is taken at that size.
    LOGFONTW font = controls::WithWeight(controls::FontDescriptionOf(Window()), FW_HEAVY);
    lstrcpynW(font.lfFaceName, kPagesFont, LF_FACESIZE);
    heading_.SetFont(font);
    heading_.textColour = kHeadingColour;
}

void WelcomeDialog::PlacePrompt() {
    // The text's box is sized for the longest language; in a shorter one the prompt follows the
    // text by one empty line, as the text's own paragraphs follow each other.
    const HWND text = ::GetDlgItem(Window(), IDC_WELCOME_TEXT);
    const HWND prompt = ::GetDlgItem(Window(), IDC_WELCOME_PROMPT);
    if (!text || !prompt) return;
    RECT box{}, promptBox{};
    ::GetWindowRect(text, &box);
    ::GetWindowRect(prompt, &promptBox);
    ::MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&box), 2);
    ::MapWindowPoints(HWND_DESKTOP, Window(), reinterpret_cast<POINT*>(&promptBox), 2);
    const int textHeight = controls::TextHeightIn(text, box.right - box.left);
    const int lineHeight = controls::TextHeightIn(text, box.right - box.left, L"X");
    if (textHeight <= 0 || lineHeight <= 0) return;
    const int promptTop = box.top + textHeight + lineHeight;
    if (promptTop >= promptBox.top) return;  // no room to win: the template's places stand
    ::SetWindowPos(text, nullptr, 0, 0, box.right - box.left, textHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::SetWindowPos(prompt, nullptr, promptBox.left, promptTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
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
