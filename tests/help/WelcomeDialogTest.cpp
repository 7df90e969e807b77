#include "app/WelcomeDialog.h"

#include "base/win/SystemText.h"
#include "controls/SkinnedStatic.h"
#include "help/HelpMenu.h"
#include "help/ResourceModule.h"
#include "host/ComponentError.h"
#include "res/ResourceIds.h"
#include "res/dialogs/WelcomeDialog.h"
#include "tests/controls/WindowTestKit.h"
#include "tests/help/FakeComponents.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace qm::app {
namespace {

using testkit::InstalledFakes;
using testkit::RunModalWith;

INT_PTR RunWelcome(const std::function<void(HWND)>& body) {
    return RunModalWith(
        [] {
            WelcomeDialog dialog;
            return dialog.Run(IDD_WELCOME, nullptr, help::ResourceModule());
        },
        body);
}

RECT InDialog(HWND dialog, int id) {
    RECT rect{};
    ::GetWindowRect(::GetDlgItem(dialog, id), &rect);
    ::MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The heading looks like the wizard pages' headings, in their blue, and stands off the banner
// by the margin that the dialog keeps at its bottom, as it keeps one margin at its sides.
TEST(WelcomeDialog, TheHeadingIsAPageHeadingWithEvenMargins) {
    InstalledFakes fakes;
    int headingPixels = 0;
    RECT banner{}, heading{}, continueButton{}, client{};
    RunWelcome([&](HWND dialog) {
        headingPixels = testkit::RenderClient(::GetDlgItem(dialog, IDC_WELCOME_HEADING), RGB(1, 2, 3)).Count(RGB(50, 100, 150));
        banner = InDialog(dialog, IDC_WELCOME_BANNER);
        heading = InDialog(dialog, IDC_WELCOME_HEADING);
        continueButton = InDialog(dialog, IDC_WELCOME_CONTINUE);
        ::GetClientRect(dialog, &client);
    });
    EXPECT_GT(headingPixels, 20);
    // The same margin in dialog units, each edge rounded to pixels on its own: a pixel apart at most.
    EXPECT_NEAR(client.right - continueButton.right, heading.left - client.left, 1) << "right of Continue";
    EXPECT_GT(heading.top - banner.bottom, 1) << "below the banner";
    EXPECT_NEAR(heading.top - banner.bottom, client.bottom - continueButton.bottom, 1) << "below the banner and below Continue";
}

// The prompt follows the text by about one empty line, as the text's paragraphs follow each
// other, whatever room the template keeps for a longer language.
TEST(WelcomeDialog, ThePromptFollowsTheTextByOneEmptyLine) {
    InstalledFakes fakes;
    int textInkBottom = 0, promptInkTop = 0, lineHeight = 0;
    RunWelcome([&](HWND dialog) {
        const COLORREF face = ::GetSysColor(COLOR_3DFACE);
        const HWND text = ::GetDlgItem(dialog, IDC_WELCOME_TEXT), prompt = ::GetDlgItem(dialog, IDC_WELCOME_PROMPT);
        textInkBottom = InDialog(dialog, IDC_WELCOME_TEXT).top + testkit::RenderClient(text, face).BoundsNot(face).bottom;
        promptInkTop = InDialog(dialog, IDC_WELCOME_PROMPT).top + testkit::RenderClient(prompt, face).BoundsNot(face).top;
        const WindowDc dc(text);
        const SelectObjectScope font(dc.Get(), reinterpret_cast<HGDIOBJ>(::SendMessageW(text, WM_GETFONT, 0, 0)));
        TEXTMETRICW metrics{};
        ::GetTextMetricsW(dc.Get(), &metrics);
        lineHeight = metrics.tmHeight;
    });
    ASSERT_GT(lineHeight, 0);
    EXPECT_GT(promptInkTop - textInkBottom, lineHeight / 2);
    EXPECT_LT(promptInkTop - textInkBottom, 2 * lineHeight) << "the prompt stands off the text by more than a line";
}

void Click(HWND dialog, int id) { ::SendMessageW(::GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

TEST(WelcomeDialog, OpensCheckedWithBannerAndHiddenHelpButton) {
    InstalledFakes fakes;
    fakes.language.texts[L"_QM_Mainname"] = L"Main name";
    bool checked = false, helpVisible = true;
    std::wstring caption, helpCaption, bannerText;
    int whitePixels = 0, faceColourPixels = -1;
    RunWelcome([&](HWND dialog) {
        caption = WindowText(dialog);
        checked = ::IsDlgButtonChecked(dialog, IDC_WELCOME_ALWAYS_SHOW) == BST_CHECKED;
        HWND help = ::GetDlgItem(dialog, IDC_WELCOME_HELP);
        helpVisible = ::IsWindowVisible(help) != FALSE;
        helpCaption = WindowText(help);
        bannerText = WindowText(::GetDlgItem(dialog, IDC_WELCOME_BANNER));
        testkit::Canvas banner = testkit::RenderClient(::GetDlgItem(dialog, IDC_WELCOME_BANNER), RGB(1, 2, 3));
        whitePixels = banner.Count(RGB(255, 255, 255));
        faceColourPixels = banner.Count(RGB(1, 2, 3));
    });
    EXPECT_EQ(caption, L"<_QM_001>");
    EXPECT_TRUE(checked);
    EXPECT_FALSE(helpVisible);
    EXPECT_EQ(helpCaption, L"<_Help>");
    EXPECT_EQ(bannerText, L"Main name") << "the self-painted banner keeps the text it shows";
    EXPECT_EQ(faceColourPixels, 0) << "the banner bitmap covers the whole banner";
    EXPECT_GT(whitePixels, 20) << "the title is drawn in white";
}

TEST(WelcomeDialog, CheckBoxWritesAtOnceAndTheLastClickCounts) {
    struct Case {
        const char* name;
        int clicks;
        int closeWith;
        std::vector<std::string> written;
        INT_PTR result;
    } cases[] = {
        {"untick and Continue", 1, IDC_WELCOME_CONTINUE, {"SetInt quillmend_module,showstartup,0"}, IDC_WELCOME_CONTINUE},
        {"untick, tick again, Continue", 2, IDC_WELCOME_CONTINUE,
         {"SetInt quillmend_module,showstartup,0", "SetInt quillmend_module,showstartup,1"}, IDC_WELCOME_CONTINUE},
        {"untick and Escape keeps the write", 1, IDCANCEL, {"SetInt quillmend_module,showstartup,0"}, IDCANCEL},
        {"no click writes nothing", 0, IDOK, {}, IDOK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledFakes fakes;
        std::vector<std::string> writtenBeforeClosing;
        const INT_PTR result = RunWelcome([&](HWND dialog) {
            for (int i = 0; i < c.clicks; ++i) Click(dialog, IDC_WELCOME_ALWAYS_SHOW);
            writtenBeforeClosing = fakes.config.SetIntCalls();
            if (c.closeWith == IDC_WELCOME_CONTINUE)
                Click(dialog, IDC_WELCOME_CONTINUE);
            else
                ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(c.closeWith, BN_CLICKED), 0);
        });
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(writtenBeforeClosing, c.written) << "each click writes at once";
        EXPECT_EQ(fakes.config.SetIntCalls(), c.written) << "closing writes nothing";
    }
}

TEST(WelcomeDialog, HelpButtonShowsTheWelcomeMenuOverIt) {
    InstalledFakes fakes;
    std::vector<POINT> shownAt;
    help::ReplaceMenuChooser([&](HMENU, UINT, POINT at, HWND) {
        shownAt.push_back(at);
        return UINT(0);
    });
    RECT button{};
    RunWelcome([&](HWND dialog) {
        HWND help = ::GetDlgItem(dialog, IDC_WELCOME_HELP);
        ::GetWindowRect(help, &button);
        // The skinned button's own click: press and release inside.
        ::SendMessageW(help, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
        ::SendMessageW(help, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    });
    help::ReplaceMenuChooser({});
    ASSERT_EQ(shownAt.size(), 1u);
    EXPECT_EQ(shownAt[0].x, button.left);
    EXPECT_EQ(shownAt[0].y, button.bottom);
}

TEST(WelcomeDialog, FailingSettingsWriteEndsTheDialogAndReachesTheCaller) {
    InstalledFakes fakes;
    fakes.config.failWith = E_ACCESSDENIED;
    bool closedByFailure = false;
    EXPECT_THROW(RunWelcome([&](HWND dialog) {
                     Click(dialog, IDC_WELCOME_ALWAYS_SHOW);
                     closedByFailure = true;
                 }),
                 host::ComponentError);
    EXPECT_TRUE(closedByFailure);
}

}  // namespace
}  // namespace qm::app
