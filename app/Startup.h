// The program's start-up and shutdown: the single-instance guard, COM, the host components in
// their fixed order, the wizard, and the teardown in its fixed order.
#pragma once

#include "app/WelcomeDialog.h"

#include <windows.h>

namespace qm::app {

// Runs the program and returns the process exit code: 0 when another copy runs (its window is
// brought to the front), a component cannot be created or the XML library is missing; the
// wizard's quit code (1 or 2) after it ran; kExitComponentFailure after a component operation
// failed, when the settings file cannot be used, or when COM cannot be initialised for the
// calling thread (each shown in a message box).
// `showWelcome` is the welcome dialog the wizard shows first (null: none).
int RunProgram(HINSTANCE instance, const char* commandLine, int showCommand,
               WelcomeDialogEntry showWelcome = &WelcomeDialog::Show);

// Releases the process-wide component references in the teardown order.
void ReleaseComponents();

}  // namespace qm::app
