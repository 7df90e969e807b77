// The About, Support and welcome dialogs run modally as the program runs them, inspected
// while they are up: their texts, their skinned controls as pixels, their commands, the
// process's GUI objects over many openings, and one screenshot each for a person to look at.
#include "app/WelcomeDialog.h"
#include "base/Utf.h"
#include "base/win/SystemText.h"
#include "controls/SkinnedStatic.h"
#include "help/AboutDialog.h"
#include "help/ResourceModule.h"
#include "help/ShellOpen.h"
#include "help/SupportDialog.h"
#include "help/WebAddresses.h"
#include "res/ResourceIds.h"
#include "res/dialogs/AboutDialog.h"
#include "res/dialogs/SupportDialog.h"
#include "res/dialogs/WelcomeDialog.h"
#include "tests/controls/AccessibilityWalk.h"
#include "tests/controls/WindowTestKit.h"
#include "tests/help/FakeComponents.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace qm::help {
namespace {

using testkit::InstalledFakes;
using testkit::RunModalWith;

struct ShellRecorder {
    std::vector<std::string> opened;
    ShellRecorder() {
        ReplaceShellOpener([this](HWND, const std::string& target) { opened.push_back(target); });
    }
    ~ShellRecorder() { ReplaceShellOpener({}); }
};

RECT ScreenRect(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return rect;
}

TEST(AboutDialog, ShowsVersionRecordAndNoticePanel) {
    InstalledFakes fakes;
    testkit::ParentWindow owner(500, 400, true);
    std::wstring nameVersion, copyright, caption, notice;
    COLORREF corner = 0;
    int panelPixels = 0, textPixels = 0;
    RECT text{};
    RunModalWith([&] { return AboutDialog::Show(owner.Get()); },
                 [&](HWND dialog) {
                     caption = WindowText(dialog);
                     nameVersion = WindowText(::GetDlgItem(dialog, IDC_ABOUT_NAME_VERSION));
                     copyright = WindowText(::GetDlgItem(dialog, IDC_ABOUT_COPYRIGHT));
                     HWND panel = ::GetDlgItem(dialog, IDC_ABOUT_NOTICE);
                     notice = WindowText(panel);
                     testkit::Canvas canvas = testkit::RenderClient(panel, RGB(1, 2, 3));
                     corner = canvas.Pixel(0, 0);
                     panelPixels = canvas.Count(RGB(255, 255, 208));
                     textPixels = canvas.Width() * canvas.Height() - panelPixels;
                     text = canvas.BoundsNot(RGB(255, 255, 208));
                 });
    EXPECT_EQ(caption, L"<_About>");
    EXPECT_EQ(nameVersion, L"QuillMend Tests 9.8.7");
    EXPECT_EQ(copyright, L"Copyright \u00A9 2026 Test Makers");
    EXPECT_EQ(notice, L"<_copyrightWarningInfo>");
    EXPECT_EQ(corner, RGB(255, 255, 208));
    EXPECT_GT(panelPixels, 0);
    EXPECT_GT(textPixels, 20) << "the notice text is drawn";
    EXPECT_GE(text.left, 7);
    EXPECT_GE(text.top, 7);
}

TEST(AboutDialog, CentredOverTheOwnerOrTheWorkArea) {
    InstalledFakes fakes;
    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    struct Case {
        const char* name;
        bool visibleOwner;
    } cases[] = {{"visible owner", true}, {"hidden owner: work area", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::ParentWindow owner(500, 400, c.visibleOwner);
        ::SetWindowPos(owner.Get(), nullptr, 300, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        const RECT over = c.visibleOwner ? ScreenRect(owner.Get()) : work;
        RECT placed{};
        RunModalWith([&] { return AboutDialog::Show(owner.Get()); }, [&](HWND dialog) { placed = ScreenRect(dialog); });
        EXPECT_NEAR((placed.left + placed.right) / 2, (over.left + over.right) / 2, 1);
        EXPECT_NEAR((placed.top + placed.bottom) / 2, (over.top + over.bottom) / 2, 1);
    }
}

TEST(AboutDialog, ClosesWithOkAndCancel) {
    InstalledFakes fakes;
    for (int command : {IDOK, IDCANCEL}) {
        const INT_PTR result = RunModalWith([] { return AboutDialog::Show(nullptr); },
                                            [command](HWND dialog) {
                                                ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
                                            });
        EXPECT_EQ(result, command);
    }
}

TEST(SupportDialog, EmailLinkStartsAPreparedMessageAndStaysOpen) {
    InstalledFakes fakes;
    fakes.language.texts[L"_QM_039"] = L"Help & more? #1 100%";
    fakes.language.texts[L"_Support_EmailBody"] = L"Line one\nLine two&cc=x@example.org";
    ShellRecorder shell;
    std::wstring linkText;
    bool openAfterClicks = false;
    const INT_PTR result = RunModalWith([] { return SupportDialog::Show(nullptr); },
                                        [&](HWND dialog) {
                                            HWND link = ::GetDlgItem(dialog, IDC_SUPPORT_EMAIL);
                                            linkText = WindowText(link);
                                            ::SendMessageW(link, WM_CHAR, L' ', 1);
                                            ::SendMessageW(link, WM_CHAR, L'\r', 1);
                                            openAfterClicks = ::IsWindow(dialog) && ::IsWindowVisible(dialog);
                                        });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(openAfterClicks);
    EXPECT_EQ(linkText, L"<SUPPORTDLG_Email>");
    EXPECT_EQ(fakes.language.translateCalls, 2);
    const std::string expected = std::string("mailto:") + std::string(kSupportMailAddress) +
                                 "?subject=Help%20%26%20more%3F%20%231%20100%25"
                                 "&body=Line%20one%0D%0ALine%20two%26cc%3Dx%40example.org";
    EXPECT_EQ(shell.opened, (std::vector<std::string>{expected, expected}));
}

TEST(SupportDialog, EnterOnTheFocusedLinkClicksItNotOk) {
    InstalledFakes fakes;
    ShellRecorder shell;
    bool stillOpen = false;
    RunModalWith([] { return SupportDialog::Show(nullptr); },
                 [&](HWND dialog) {
                     HWND link = ::GetDlgItem(dialog, IDC_SUPPORT_EMAIL);
                     ::SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(link), TRUE);
                     // Through the dialog's own message loop, as a key press arrives.
                     ::PostMessageW(link, WM_KEYDOWN, VK_RETURN, 0x001C0001);
                     ::PostMessageW(link, WM_KEYUP, VK_RETURN, 0xC01C0001);
                     testkit::PumpUntilIdle();
                     stillOpen = ::IsWindow(dialog) != FALSE;
                 });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(shell.opened.size(), 1u);
}

// Runs one dialog the way the program does and closes it once it has been painted.
struct DialogRun {
    const char* name;
    std::function<void(HWND owner)> show;
};

std::vector<DialogRun> AllDialogs() {
    return {
        {"About", [](HWND owner) { AboutDialog::Show(owner); }},
        {"Support", [](HWND owner) { SupportDialog::Show(owner); }},
        {"Welcome", [](HWND owner) { app::WelcomeDialog::Show(owner); }},
    };
}

TEST(Dialogs, OpeningAndClosing200TimesLeavesGuiObjectCountsAsTheyWere) {
    InstalledFakes fakes;
    testkit::ParentWindow owner(500, 400, true);
    for (const DialogRun& dialog : AllDialogs()) {
        SCOPED_TRACE(dialog.name);
        auto runOnce = [&] {
            RunModalWith([&] { dialog.show(owner.Get()); return INT_PTR(0); },
                         [](HWND window) {
                             // Paint every control, the buffered button's caches included.
                             ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
                         });
        };
        // The first runs fill the system's own caches (fonts, DCs, classes).
        for (int i = 0; i < 3; ++i) runOnce();
        const testkit::GuiCounts before = testkit::CurrentGuiCounts();
        for (int i = 0; i < 200; ++i) runOnce();
        const testkit::GuiCounts after = testkit::CurrentGuiCounts();
        std::printf("[ counts   ] %s dialog x200: GDI %u -> %u, USER %u -> %u\n", dialog.name, before.gdi, after.gdi,
                    before.user, after.user);
        ::testing::Test::RecordProperty(std::string(dialog.name) + "_gdi", std::to_string(before.gdi) + "->" +
                                                                             std::to_string(after.gdi));
        EXPECT_GT(before.gdi, 0u);
        EXPECT_LE(after.gdi, before.gdi);
        EXPECT_LE(after.user, before.user);
    }
}

// Every control of every dialog, as a screen reader reads it, with the shipped texts.
TEST(Dialogs, EveryControlReadsWithANameAndRole) {
    InstalledFakes fakes;
    ASSERT_TRUE(fakes.language.LoadFile(testkit::SourceLanguageFile()));
    testkit::ParentWindow owner(600, 500, true);
    int controls = 0;
    for (const DialogRun& dialog : AllDialogs()) {
        SCOPED_TRACE(dialog.name);
        RunModalWith([&] { dialog.show(owner.Get()); return INT_PTR(0); },
                     [&](HWND window) {
                         const testkit::AccessibilityWalk walk = testkit::WalkAccessibleControls(window);
                         for (const std::string& fault : walk.faults) ADD_FAILURE() << fault;
                         controls += walk.controls;
                     });
    }
    std::printf("[ readers  ] %d controls read in the dialogs\n", controls);
    EXPECT_GE(controls, 10);
}

TEST(Dialogs, ScreenshotsWithTheShippedTexts) {
    InstalledFakes fakes;
    ASSERT_TRUE(fakes.language.LoadFile(testkit::SourceLanguageFile()));
    testkit::ParentWindow owner(600, 500, true);
    for (const DialogRun& dialog : AllDialogs()) {
        SCOPED_TRACE(dialog.name);
        std::wstring path;
        RunModalWith([&] { dialog.show(owner.Get()); return INT_PTR(0); },
                     [&](HWND window) { path = testkit::SaveWindowSnapshot(window, Widen(dialog.name) + L"Dialog"); });
        EXPECT_FALSE(path.empty());
        std::printf("[ artifact ] %s\n", Narrow(path).c_str());
    }
}

}  // namespace
}  // namespace qm::help
