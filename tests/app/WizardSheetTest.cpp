// The wizard run in-process through the program's own start-up, with the recording stand-in
// of the components' DLL beside this test program (folder "app-double"). A thread timer,
// which every message loop dispatches, plays the user: it inspects the windows of this thread
// and closes them.
#include "app/Startup.h"
#include "app/WizardSheet.h"

#include "ProgramDriver.h"

#include "base/Utf.h"
#include "host/ComponentError.h"
#include "tests/controls/AccessibilityWalk.h"
#include "tests/controls/WindowTestKit.h"
#include "res/dialogs/ResultsPage.h"
#include "tests/results/DialogScript.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

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

// Runs the program with `showWelcome` standing in for the welcome dialog (null: none).
int RunWith(std::function<bool()> step, WelcomeDialogEntry showWelcome = nullptr) {
    EXPECT_TRUE(test::WaitUntilNoInstanceRuns());
    g_step = std::move(step);
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &OnTimer);
    const int code = RunProgram(::GetModuleHandleW(nullptr), "", SW_SHOWNORMAL, showWelcome);
    ::KillTimer(nullptr, timer);
    g_step = nullptr;
    return code;
}

// A shortcut for the running wizard's results page to list, so that it shows a row rather than
// its box saying that nothing was found: a bare shell-link header and its terminal block.
void ListOneBrokenShortcut(HWND wizard) {
    std::string bareLink(0x4C + 4, '\0');
    const unsigned char header[20] = {0x4C, 0, 0, 0, 0x01, 0x14, 0x02, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    std::copy(std::begin(header), std::end(header), bareLink.begin());
    test::WriteFile(test::TestFolder() + L"\\Broken example.lnk", bareLink);
    WizardSheet* sheet = WizardSheet::OfWindow(wizard);
    ASSERT_NE(sheet, nullptr);
    sheet->State().findings.Append({"Broken example.lnk", Narrow(test::TestFolder()), "C:\\Old\\Program\\app.exe", "TargetMissing"});
    sheet->State().findings.SetCoverage({12, 40});
}

TEST(WizardSheet, ComesUpCentredWithIconsAndMinimiseBoxAndAnswersTheNextPageMessage) {
    WriteSettings(0);
    // The walk passes the scan page, whose scan (of nothing) finds nothing: the results page
    // then says so in a box, which is closed; its modal loop runs this step's timer too, hence
    // the guard.
    test::DialogScript closeEveryBox({});
    bool checked = false;
    bool busy = false;
    const int code = RunWith([&] {
        HWND wizard = FindThreadWindows().wizard;
        if (busy || !wizard || !::IsWindowVisible(wizard)) return false;
        busy = true;

        EXPECT_EQ(test::WindowText(wizard), L"<_QM_Mainname>");
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

// Pixels of a 32-bit top-down BMP as written by the test kit that differ from `background`;
// -1 when the file is missing or not such a bitmap.
long CountPixelsUnlike(const std::wstring& path, COLORREF background) {
    std::ifstream in(std::filesystem::path(path), std::ios::binary);
    const std::vector<char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    if (bytes.size() < sizeof file + sizeof info) return -1;
    std::memcpy(&file, bytes.data(), sizeof file);
    std::memcpy(&info, bytes.data() + sizeof file, sizeof info);
    const size_t pixels = static_cast<size_t>(info.biWidth) * static_cast<size_t>(-info.biHeight);
    if (file.bfType != 0x4D42 || info.biBitCount != 32 || info.biHeight >= 0 || pixels == 0 ||
        bytes.size() < file.bfOffBits + pixels * 4)
        return -1;
    const unsigned wanted = (GetRValue(background) << 16) | (GetGValue(background) << 8) | GetBValue(background);
    long unlike = 0;
    for (size_t i = 0; i < pixels; ++i) {
        unsigned pixel = 0;
        std::memcpy(&pixel, bytes.data() + file.bfOffBits + i * 4, 4);
        if ((pixel & 0xFFFFFF) != wanted) ++unlike;
    }
    return unlike;
}

// One picture of the sheet per page for a person to look at. The scan page comes last, so
// nothing here waits on leaving it, whatever showing it starts.
TEST(WizardSheet, ScreenshotOfEachPage) {
    WriteSettings(0);
    // The scan page, shown last, scans nothing and hands on to the results page, which says so.
    test::DialogScript closeEveryBox({});
    const struct {
        int index;
        const wchar_t* name;
    } pages[] = {{0, L"Folder"}, {2, L"Results"}, {3, L"Finish"}, {1, L"Scan"}};
    std::vector<std::wstring> written;
    bool busy = false;  // the snapshot pumps messages, this timer's among them
    const int code = RunWith([&] {
        HWND wizard = FindThreadWindows().wizard;
        if (busy || !wizard || !::IsWindowVisible(wizard)) return false;
        busy = true;
        ListOneBrokenShortcut(wizard);
        for (const auto& page : pages) {
            ::SendMessageW(wizard, PSM_SETCURSEL, page.index, 0);
            const LRESULT current = ::SendMessageW(wizard, PSM_HWNDTOINDEX,
                                                   ::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0), 0);
            EXPECT_EQ(current, page.index) << Narrow(page.name);
            testkit::PumpUntilIdle();
            written.push_back(testkit::SaveWindowSnapshot(wizard, std::wstring(L"Wizard-") + page.name));
        }
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(code, kExitCancel);
    ASSERT_EQ(written.size(), std::size(pages));
    for (const std::wstring& path : written) {
        ASSERT_FALSE(path.empty());
        std::printf("[ artifact ] %s\n", Narrow(path).c_str());
        EXPECT_GT(CountPixelsUnlike(path, ::GetSysColor(COLOR_3DFACE)), 0) << Narrow(path);
    }
}

// Every control of every page, as a screen reader reads it: a name, a role that fits it, the
// results' rows with their ticks (one of them ticked).
TEST(WizardSheet, EveryControlOfEveryPageReadsWithANameAndRole) {
    WriteSettings(0);
    test::DialogScript closeEveryBox({});
    int controls = 0, rows = 0;
    bool busy = false;
    const int code = RunWith([&] {
        HWND wizard = FindThreadWindows().wizard;
        if (busy || !wizard || !::IsWindowVisible(wizard)) return false;
        busy = true;
        ListOneBrokenShortcut(wizard);
        for (const int page : {0, 2, 3, 1}) {  // the scan page last: it scans
            ::SendMessageW(wizard, PSM_SETCURSEL, page, 0);
            testkit::PumpUntilIdle();
            // By its index: the scan page, scanning nothing, hands on to the results at once.
            HWND shown = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_INDEXTOHWND, page, 0));
            if (page == 2) ListView_SetCheckState(::GetDlgItem(shown, IDC_RESULTS_LIST), 0, TRUE);
            const testkit::AccessibilityWalk walk = testkit::WalkAccessibleControls(shown);
            for (const std::string& fault : walk.faults) ADD_FAILURE() << "page " << page << ": " << fault;
            controls += walk.controls;
            rows += walk.rows;
        }
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        return true;
    });
    EXPECT_EQ(code, kExitCancel);
    std::printf("[ readers  ] %d controls and %d list rows read on the pages\n", controls, rows);
    EXPECT_GE(controls, 15);
    EXPECT_GE(rows, 1);
}

RECT RectOf(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

// Every two visible children of `parent` lie apart.
void ExpectNoOverlap(HWND parent, const char* where) {
    std::vector<HWND> children;
    for (HWND child = ::GetWindow(parent, GW_CHILD); child; child = ::GetWindow(child, GW_HWNDNEXT)) {
        if (::IsWindowVisible(child)) children.push_back(child);
    }
    for (size_t i = 0; i < children.size(); ++i) {
        for (size_t j = i + 1; j < children.size(); ++j) {
            RECT a = RectOf(children[i]), b = RectOf(children[j]), both{};
            EXPECT_FALSE(::IntersectRect(&both, &a, &b))
                << where << ": " << ::GetDlgCtrlID(children[i]) << " and " << ::GetDlgCtrlID(children[j]);
        }
    }
}

TEST(WizardSheet, GrowsWithItsFrameTheListsWithItButNeverBelowItsStartingSize) {
    WriteSettings(0);
    test::DialogScript closeEveryBox({});
    constexpr long kWider = 240, kTaller = 160;
    bool checked = false;
    bool busy = false;
    const int code = RunWith([&] {
        HWND wizard = FindThreadWindows().wizard;
        if (busy || !wizard || !::IsWindowVisible(wizard)) return false;
        busy = true;
        ListOneBrokenShortcut(wizard);
        EXPECT_TRUE(::GetWindowLongPtrW(wizard, GWL_STYLE) & WS_THICKFRAME);
        const RECT start = RectOf(wizard);
        const long width = start.right - start.left, height = start.bottom - start.top;
        MINMAXINFO limits{};
        ::SendMessageW(wizard, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&limits));
        EXPECT_EQ(limits.ptMinTrackSize.x, width);
        EXPECT_EQ(limits.ptMinTrackSize.y, height);

        // The sheet's own buttons and the page's controls, before and after.
        HWND page = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
        const int buttons[] = {0x3023 /* Back */, 0x3024 /* Next */, IDCANCEL, IDHELP};
        std::vector<RECT> buttonsBefore;
        for (int id : buttons) buttonsBefore.push_back(RectOf(::GetDlgItem(wizard, id)));
        const RECT pageBefore = RectOf(page), treeBefore = RectOf(::GetDlgItem(page, 1007));
        const RECT noteBefore = RectOf(::GetDlgItem(page, 1006));

        ::SetWindowPos(wizard, nullptr, 0, 0, width + kWider, height + kTaller, SWP_NOMOVE | SWP_NOZORDER);
        testkit::PumpUntilIdle();
        const RECT grown = RectOf(wizard);
        EXPECT_EQ(grown.right - grown.left, width + kWider);
        for (size_t i = 0; i < std::size(buttons); ++i) {
            SCOPED_TRACE(buttons[i]);
            const RECT now = RectOf(::GetDlgItem(wizard, buttons[i]));
            EXPECT_EQ(now.bottom - grown.bottom, buttonsBefore[i].bottom - start.bottom);  // at the bottom
            EXPECT_EQ(now.right - now.left, buttonsBefore[i].right - buttonsBefore[i].left);  // not stretched
            const bool right = buttonsBefore[i].left - start.left > start.right - buttonsBefore[i].right;
            if (right) EXPECT_EQ(now.right - grown.right, buttonsBefore[i].right - start.right);
            else EXPECT_EQ(now.left - grown.left, buttonsBefore[i].left - start.left);
        }
        const RECT pageNow = RectOf(page), treeNow = RectOf(::GetDlgItem(page, 1007)), noteNow = RectOf(::GetDlgItem(page, 1006));
        EXPECT_EQ(pageNow.right - pageNow.left, pageBefore.right - pageBefore.left + kWider);
        EXPECT_EQ(pageNow.bottom - pageNow.top, pageBefore.bottom - pageBefore.top + kTaller);
        EXPECT_EQ(treeNow.right - treeNow.left, treeBefore.right - treeBefore.left + kWider);
        EXPECT_EQ(treeNow.bottom - treeNow.top, treeBefore.bottom - treeBefore.top + kTaller);
        EXPECT_EQ(noteNow.top - treeNow.bottom, noteBefore.top - treeBefore.bottom);
        ExpectNoOverlap(page, "folder page");
        ExpectNoOverlap(wizard, "sheet");
        std::printf("[ artifact ] %s\n", Narrow(testkit::SaveWindowSnapshot(wizard, L"Wizard-Folder-Enlarged")).c_str());

        // A page first shown after the resize comes at the page area's size, its list grown
        // and its columns sharing the width.
        ::SendMessageW(wizard, PSM_SETCURSEL, 2, 0);
        testkit::PumpUntilIdle();
        HWND results = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
        EXPECT_EQ(RectOf(results).right - RectOf(results).left, pageNow.right - pageNow.left);
        EXPECT_EQ(RectOf(results).bottom - RectOf(results).top, pageNow.bottom - pageNow.top);
        ExpectNoOverlap(results, "results page");
        HWND resultsList = ::GetDlgItem(results, IDC_RESULTS_LIST);
        const auto columnsWidth = [&] {
            long sum = 0;
            for (int i = 0; i < 5; ++i) sum += ListView_GetColumnWidth(resultsList, i);
            return sum;
        };
        const long columnsEnlarged = columnsWidth();
        std::printf("[ artifact ] %s\n", Narrow(testkit::SaveWindowSnapshot(wizard, L"Wizard-Results-Enlarged")).c_str());

        // The scan page's list keeps its margins on both sides (one pixel of rounding apart).
        // Its scan (of nothing) moves on to the results, which say so in a box.
        ::SendMessageW(wizard, PSM_SETCURSEL, 1, 0);
        HWND scan = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_INDEXTOHWND, 1, 0));
        const RECT scanPage = RectOf(scan), roots = RectOf(::GetDlgItem(scan, 1009));
        EXPECT_NEAR(scanPage.right - roots.right, roots.left - scanPage.left, 1);
        EXPECT_EQ(scanPage.right - scanPage.left, pageNow.right - pageNow.left);

        // Smaller than at the start: refused, by the frame and by a move of the program alike.
        ::SetWindowPos(wizard, nullptr, 0, 0, width - 100, height - 80, SWP_NOMOVE | SWP_NOZORDER);
        const RECT shrunk = RectOf(wizard);
        EXPECT_EQ(shrunk.right - shrunk.left, width);
        EXPECT_EQ(shrunk.bottom - shrunk.top, height);
        // Back at the starting size, the results' columns gave back what they had gained.
        EXPECT_EQ(columnsWidth(), columnsEnlarged - kWider);
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
    const WelcomeDialogEntry recordCall = [](HWND) {
        ++g_welcome.calls;
        HWND wizard = FindThreadWindows().wizard;
        g_welcome.wizardExisted = wizard != nullptr;
        g_welcome.wizardWasVisible = wizard && ::IsWindowVisible(wizard);
    };
    for (int showStartup : {1, 0}) {
        SCOPED_TRACE(showStartup);
        g_welcome = {};
        WriteSettings(showStartup);
        const int code = RunWith(
            [] {
                HWND wizard = FindThreadWindows().wizard;
                if (!wizard || !::IsWindowVisible(wizard)) return false;
                ::PostMessageW(wizard, WM_SYSCOMMAND, SC_CLOSE, 0);
                return true;
            },
            recordCall);
        EXPECT_EQ(code, kExitCancel);
        EXPECT_EQ(g_welcome.calls, showStartup);
        if (showStartup) {
            EXPECT_TRUE(g_welcome.wizardExisted);
            EXPECT_FALSE(g_welcome.wizardWasVisible);
        }
    }
}

TEST(WizardSheet, AFailureInsideTheSheetsInitialisationIsShownAndEndsWithItsOwnCode) {
    WriteSettings(1);
    std::wstring shown;
    bool wizardVisible = true;
    const int code = RunWith(
        [&] {
            const ThreadWindows windows = FindThreadWindows();
            if (!windows.messageBox) return false;
            shown = test::MessageBoxText(windows.messageBox);
            wizardVisible = windows.wizard && ::IsWindowVisible(windows.wizard);
            ::PostMessageW(windows.messageBox, WM_COMMAND, IDOK, 0);
            return true;
        },
        [](HWND) { throw host::ComponentError(E_FAIL, "the welcome dialog failed"); });
    EXPECT_EQ(code, 3);
    EXPECT_NE(shown.find(L"the welcome dialog failed"), std::wstring::npos) << Narrow(shown);
    EXPECT_FALSE(wizardVisible);
}

TEST(WizardSheet, ACallerThreadWhereCOMCannotBeInitialisedIsToldAndEndsWithTheFailureCode) {
    // A thread already in the multithreaded apartment cannot enter the single-threaded one the
    // program needs: start-up must stop there, say so, and create nothing.
    WriteSettings(0);
    int code = -1;
    std::wstring shown;
    bool wizardSeen = false;
    std::thread caller([&] {
        ComApartment multithreaded(COINIT_MULTITHREADED);
        code = RunWith([&] {
            const ThreadWindows windows = FindThreadWindows();
            if (windows.wizard) {
                wizardSeen = true;
                ::PostMessageW(windows.wizard, WM_COMMAND, IDCANCEL, 0);
                return true;
            }
            if (!windows.messageBox) return false;
            shown = test::MessageBoxText(windows.messageBox);
            ::PostMessageW(windows.messageBox, WM_COMMAND, IDOK, 0);
            return true;
        });
    });
    caller.join();
    EXPECT_EQ(code, 3);
    EXPECT_FALSE(wizardSeen);
    EXPECT_NE(shown.find(L"(COM) could not be started"), std::wstring::npos) << Narrow(shown);
    // The reason in the system's words, never a bare number.
    const std::wstring reason = SystemMessage(static_cast<DWORD>(RPC_E_CHANGED_MODE));
    EXPECT_NE(shown.find(reason.empty() ? L"The system gives no reason" : reason), std::wstring::npos) << Narrow(shown);
}

}  // namespace
}  // namespace qm::app
