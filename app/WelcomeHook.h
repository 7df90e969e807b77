// The call point through which the wizard shows the welcome dialog while it initialises.
// The welcome dialog's module installs its entry with SetWelcomeDialog before the wizard
// runs; while none is installed, a nonzero "showstartup" shows nothing.
#pragma once

#include <windows.h>

namespace qm::app {

// Shows the welcome dialog modally, owned by `owner`, and returns when it has been closed.
using WelcomeDialogEntry = void (*)(HWND owner);

void SetWelcomeDialog(WelcomeDialogEntry entry) noexcept;
// Calls the installed entry (which may raise ComponentError); does nothing without one.
void ShowWelcomeDialog(HWND owner);

}  // namespace qm::app
