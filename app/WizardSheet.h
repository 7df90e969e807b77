// The wizard: a modeless property sheet in wizard mode with the folder, scan, results and
// finish pages, its handling of its own commands, and the private message that moves it on.
#pragma once

#include "app/FinishPage.h"
#include "app/WelcomeDialog.h"
#include "controls/AnchoredLayout.h"
#include "folders/FolderPage.h"
#include "results/ResultsPage.h"
#include "scan/ScanPage.h"
#include "ui/MessageLoop.h"
#include "ui/WizardMessages.h"
#include "host/WizardLayoutStore.h"
#include "wizard/WizardState.h"

#include <windows.h>
#include <prsht.h>

#include <vector>

namespace qm::app {

using ui::WM_WIZARD_FIT_PAGE;
using ui::WM_WIZARD_NEXT_PAGE;

// Quit codes of the wizard's message loop.
inline constexpr int kExitOk = 1;
inline constexpr int kExitCancel = 2;
// A command line the program does not understand (after a message saying why).
inline constexpr int kExitBadCommandLine = 1;

class WizardSheet : public ui::MessageFilter, public ui::IdleHandler {
public:
    // The pages look up their titles here. `showWelcome` runs while the sheet initialises and
    // "showstartup" is nonzero; a null entry shows nothing. With `scanFolders` the wizard
    // starts on the scan page with them as the roots, without the welcome dialog; Back shows
    // them ticked on the folder page.
    explicit WizardSheet(WelcomeDialogEntry showWelcome, std::vector<std::string> scanFolders = {});
    ~WizardSheet();
    WizardSheet(const WizardSheet&) = delete;
    WizardSheet& operator=(const WizardSheet&) = delete;

    // Creates the sheet window (not yet shown) at the size the user left it last time, fitted
    // to the screen; null when it cannot be created.
    HWND Create();
    HWND Window() const { return window_; }
    // What the pages hand on to each other.
    wizard::WizardState& State() { return state_; }
    // The sheet object of a sheet window this class made; null for any other window.
    static WizardSheet* OfWindow(HWND window);

    bool PreTranslateMessage(MSG& message) override;
    void OnIdle() override {}

private:
    static int CALLBACK SheetCallback(HWND window, UINT message, LPARAM lParam);
    static LRESULT CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                      UINT_PTR id, DWORD_PTR self);
    void OnInitialized(HWND window);
    std::optional<LRESULT> HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Close(int quitCode);
    void CentreOnce();
    LRESULT MoveToNextPage();
    // The sheet grows from the size its pages' templates give it, never below it: its
    // buttons keep to the edges they are near, the pages fill the page area.
    void StartLayout();
    void RestoreLayout();
    void SaveLayout();
    void LayOut(const RECT& client);
    void FitPage(HWND page) const;
    // Moved to a monitor of another DPI (WM_DPICHANGED).
    void FollowDpi(const RECT& suggested);

    WelcomeDialogEntry showWelcome_ = nullptr;
    std::vector<std::string> scanFolders_;
    HWND window_ = nullptr;
    PROPSHEETHEADERW header_{};
    std::vector<HPROPSHEETPAGE> pages_;
    wizard::WizardState state_;  // what the pages hand on; made before them, gone after them
    folders::FolderPage folderPage_{state_.roots};
    scan::ScanPage scanPage_{state_};
    results::ResultsPage resultsPage_{state_.findings};
    FinishPage finishPage_;
    bool centred_ = false;
    controls::AnchoredLayout layout_;
    controls::Box pageArea_;     // where the pages lie at the starting size
    controls::Extent minimum_;   // the window's starting size
    host::WizardLayout saved_;   // as read at the start
};

// Builds and runs the wizard on the calling (main) thread; returns the loop's exit code, or 0
// when the sheet window cannot be created. `commandLine` (without the program's name) may ask
// for a scan of folders (app/CommandLine.h); one it does not understand is refused with a
// message and kExitBadCommandLine.
int Run(const char* commandLine, int showCommand, WelcomeDialogEntry showWelcome);

}  // namespace qm::app
