// The wizard run in-process through the program's own start-up, with the recording stand-in
// of the components' DLL beside this test program (folder "app-double"). A thread timer,
// which every message loop dispatches, plays the user: it inspects the windows of this thread
// and closes them.
#include "app/Startup.h"
#include "app/WelcomeHook.h"
#include "app/WizardSheet.h"

#include "ProgramDriver.h"

#include "base/Utf.h"
#include "host/ComponentError.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <functional>
#include <string>

namespace qm::app {
namespace {

using test::IsWizard;

struct ThreadWindows {
    HWND wizard = nullptr;      // visible or not
    HWND messageBox = nullptr;  // visible dialogs without a tab control
};

ThreadWindows FindThreadWindows() {
    ThreadWindows found;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            auto& found = *reinterpret_cast<ThreadWindows*>(context);
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            if (std::wstring(name) != L"#32770") return TRUE;
            if (IsWizard(window)) {
                found.wizard = window;
            } else if (::IsWindowVisible(window)) {
                found.messageBox = window;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Calls `step` from the running message loop every 20 ms until it answers true.
std::function<bool()> g_step;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (g_step && g_step()) {
        ::KillTimer(nullptr, id);
        g_step = nullptr;
    }
}

void WriteSettings(int showStartup) {
    std::string ini = "[common]\r\nlangfile=%ModulePath%\\English.lng\r\nxmlfile=%ModulePath%\\Common.xml\r\n";
    ini += "EnableSkin=0\r\n[Vaultdesk]\r\nvd_backup_dir=%TempDirectory%\r\n";
    ini += "[quillmend_module]\r\nxmlfile=%ModulePath%\\QuillMend.xml\r\nshowstartup=" + std::to_string(showStartup) + "\r\n";
    test::WriteFile(test::TestFolder() + L"\\config.ini", ini);
}

int RunWith(std::function<bool()> step) {
    EXPECT_TRUE(test::WaitUntilNoInstanceRuns());
    g_step = std::move(step);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &OnTimer);
    const int code = RunProgram(::GetModuleHandleW(nullptr), "", SW_SHOWNORMAL);
    ::KillTimer(nullptr, timer);
    g_step = nullptr;
    return code;
}

TEST(WizardSheet, ComesUpCentredWithIconsAndMinimiseBoxAndAnswersTheNextPageMessage) {
    WriteSettings(0);
    bool checked = false;
    const int code = RunWith([&] {
        HWND wizard = FindThreadWindows().wizard;
        if (!wizard || !::IsWindowVisible(wizard)) return false;

        EXPECT_EQ(test::WindowText(wizard), L"_QM_Mainname");
        EXPECT_TRUE(::GetWindowLongPtrW(wizard, GWL_STYLE) & WS_MINIMIZEBOX);
        const struct {
            WPARAM which;
            int size;
        } icons[] = {{ICON_BIG, ::GetSystemMetrics(SM_CXICON)}, {ICON_SMALL, ::GetSystemMetrics(SM_CXSMICON)}};
        for (const auto& icon : icons) {
            HICON handle = reinterpret_cast<HICON>(::SendMessageW(wizard, WM_GETICON, icon.which, 0));
            EXPECT_NE(handle, nullptr) << icon.which;
            ICONINFO info{};
            if (handle && ::GetIconInfo(handle, &info)) {
                BITMAP bitmap{};
                ::GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(bitmap), &bitmap);
                EXPECT_EQ(bitmap.bmWidth, icon.size) << icon.which;
                if (info.hbmColor) ::DeleteObject(info.hbmColor);
                if (info.hbmMask) ::DeleteObject(info.hbmMask);
            }
        }

        RECT area{}, rect{};
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
        ::GetWindowRect(wizard, &rect);
        EXPECT_NEAR((rect.left + rect.right) / 2, (area.left + area.right) / 2, 1);
        EXPECT_NEAR((rect.top + rect.bottom) / 2, (area.top + area.bottom) / 2, 1);
        // Moved, hidden and shown again: it stays where it was put.
        ::SetWindowPos(wizard, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        ::ShowWindow(wizard, SW_HIDE);
        ::ShowWindow(wizard, SW_SHOWNA);
        ::GetWindowRect(wizard, &rect);
        EXPECT_EQ(rect.left, 10);
        EXPECT_EQ(rect.top, 20);

        HWND tabs = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETTABCONTROL, 0, 0));
        EXPECT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
        for (LRESULT page = 1; page <= 3; ++page) {
            EXPECT_EQ(::SendMessageW(wizard, WM_WIZARD_NEXT_PAGE, 0, 0), 0);
            EXPECT_EQ(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0), page);
        }
        EXPECT_EQ(::SendMessageW(wizard, WM_WIZARD_NEXT_PAGE, 0, 0), -1);
        EXPECT_EQ(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 3);
        checked = true;
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_TRUE(checked);
    EXPECT_EQ(code, kExitCancel);
}

// What the welcome entry saw when it was called.
struct WelcomeCall {
    int calls = 0;
    bool wizardExisted = false;
    bool wizardWasVisible = true;
};
WelcomeCall g_welcome;

TEST(WizardSheet, WelcomeDialogComesBeforeTheWizardIsVisibleAndOnlyWhenAskedFor) {
    SetWelcomeDialog([](HWND) {
        ++g_welcome.calls;
        HWND wizard = FindThreadWindows().wizard;
        g_welcome.wizardExisted = wizard != nullptr;
        g_welcome.wizardWasVisible = wizard && ::IsWindowVisible(wizard);
    });
    for (int showStartup : {1, 0}) {
        SCOPED_TRACE(showStartup);
        g_welcome = {};
        WriteSettings(showStartup);
        const int code = RunWith([] {
            HWND wizard = FindThreadWindows().wizard;
            if (!wizard || !::IsWindowVisible(wizard)) return false;
            ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        });
        EXPECT_EQ(code, kExitCancel);
        EXPECT_EQ(g_welcome.calls, showStartup);
        if (showStartup) {
            EXPECT_TRUE(g_welcome.wizardExisted);
            EXPECT_FALSE(g_welcome.wizardWasVisible);
        }
    }
    SetWelcomeDialog(nullptr);
}

TEST(WizardSheet, AFailureInsideTheSheetsInitialisationIsShownAndEndsWithItsOwnCode) {
    SetWelcomeDialog([](HWND) { throw host::ComponentError(E_FAIL, "the welcome dialog failed"); });
    WriteSettings(1);
    std::wstring shown;
    bool wizardVisible = true;
    const int code = RunWith([&] {
        const ThreadWindows windows = FindThreadWindows();
        if (!windows.messageBox) return false;
        shown = test::MessageBoxText(windows.messageBox);
        wizardVisible = windows.wizard && ::IsWindowVisible(windows.wizard);
        ::PostMessageW(windows.messageBox, WM_COMMAND, IDOK, 0);
        return true;
    });
    SetWelcomeDialog(nullptr);
    EXPECT_EQ(code, 3);
    EXPECT_NE(shown.find(L"the welcome dialog failed"), std::wstring::npos) << Narrow(shown);
    EXPECT_FALSE(wizardVisible);
}

}  // namespace
}  // namespace qm::app
