// The welcome dialog shown before the wizard while "showstartup" is nonzero: a banner with the
// program's name, a short introduction, and a box that switches the dialog off (or on again)
// for later starts, written the moment it is clicked.
#pragma once

#include "controls/ModalDialog.h"
#include "controls/SkinnedButton.h"
#include "controls/SkinnedStatic.h"

namespace qm::app {

// Shows the welcome dialog modally, owned by `owner`, and returns when it has been closed; may
// raise ComponentError. The program passes WelcomeDialog::Show, a test its own stand-in.
using WelcomeDialogEntry = void (*)(HWND owner);

class WelcomeDialog : public controls::ModalDialog {
public:
    // Runs the dialog modally, owned by `owner`; the wizard's welcome entry.
    static void Show(HWND owner);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;

private:
    void MakeBanner(HINSTANCE module);
    void MakeHeading();
    void PlacePrompt();

    HWND alwaysShow_ = nullptr;
    controls::SkinnedStatic banner_;
    controls::SkinnedStatic heading_;
    controls::SkinnedButton helpButton_;
};

}  // namespace qm::app
