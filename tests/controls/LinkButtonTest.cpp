#include "controls/LinkButton.h"

#include "tests/controls/WindowTestKit.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace qm::controls {
namespace {

using testkit::Canvas;
using testkit::ParentWindow;
using testkit::RenderClient;
using testkit::SendMouse;

constexpr int kId = 1030;

struct LinkFixture {
    ParentWindow parent{400, 100, true};
    HWND button;
    LinkButton link;
    explicit LinkFixture(DWORD align = 0, const wchar_t* text = L"Write to us")
        : button(parent.AddChild(L"BUTTON", text, kId, BS_PUSHBUTTON | WS_TABSTOP | align, 10, 10, 300, 30)) {
        EXPECT_TRUE(link.Attach(button));
    }
    int Clicks() const {
        int clicks = 0;
        for (const auto& command : parent.Commands())
            if (command.id == kId && command.code == BN_CLICKED && command.from == button) ++clicks;
        return clicks;
    }
    POINT InText() const {
        const RECT& r = link.TextRect();
        return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

TEST(LinkButton, TextRectFollowsAlignment) {
    struct Case {
        const char* name;
        DWORD align;
        bool (*check)(const RECT&);
    } cases[] = {
        {"left", BS_LEFT, [](const RECT& r) { return r.left == 0 && r.right < 200; }},
        {"default is left", 0, [](const RECT& r) { return r.left == 0; }},
        {"right", BS_RIGHT, [](const RECT& r) { return r.right == 300 && r.left > 100; }},
        {"centre", BS_CENTER, [](const RECT& r) { return std::abs((r.left + r.right) / 2 - 150) <= 1; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f(c.align);
        const RECT& r = f.link.TextRect();
        EXPECT_GT(r.right - r.left, 10);
        EXPECT_GT(r.bottom - r.top, 5);
        EXPECT_TRUE(c.check(r)) << r.left << "," << r.top << "," << r.right << "," << r.bottom;
    }
}

TEST(LinkButton, MouseOnlyActsOnTheText) {
    struct Case {
        const char* name;
        bool downInText;
        bool upInText;
        bool enabled;
        int clicks;
    } cases[] = {
        {"click on the text", true, true, true, 1},
        {"click beside the text", false, false, true, 0},
        {"press on the text, release beside it", true, false, true, 0},
        {"press beside, release on the text", false, true, true, 0},
        {"disabled", true, true, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        ::EnableWindow(f.button, c.enabled);
        const POINT in = f.InText();
        const POINT beside{290, 15};
        const POINT down = c.downInText ? in : beside;
        const POINT up = c.upInText ? in : beside;
        SendMouse(f.button, WM_LBUTTONDOWN, down.x, down.y);
        SendMouse(f.button, WM_LBUTTONUP, up.x, up.y);
        EXPECT_EQ(f.Clicks(), c.clicks);
        EXPECT_NE(::GetCapture(), f.button);
    }
}

TEST(LinkButton, HoverOnlyOverTheTextAndDrawnInHoverColour) {
    LinkFixture f;
    f.link.colour = RGB(0, 0, 255);
    f.link.hoverColour = RGB(100, 200, 255);
    SendMouse(f.button, WM_MOUSEMOVE, 290, 15);
    EXPECT_FALSE(f.link.IsHovered());
    EXPECT_GT(RenderClient(f.button).Count(RGB(0, 0, 255)), 10);

    const POINT in = f.InText();
    SendMouse(f.button, WM_MOUSEMOVE, in.x, in.y);
    EXPECT_TRUE(f.link.IsHovered());
    Canvas hovered = RenderClient(f.button);
    EXPECT_GT(hovered.Count(RGB(100, 200, 255)), 10);
    EXPECT_EQ(hovered.Count(RGB(0, 0, 255)), 0);

    SendMouse(f.button, WM_MOUSEMOVE, 290, 15);
    EXPECT_FALSE(f.link.IsHovered());
    SendMouse(f.button, WM_MOUSEMOVE, in.x, in.y);
    ::SendMessageW(f.button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(f.link.IsHovered());

    ::EnableWindow(f.button, FALSE);
    EXPECT_GT(RenderClient(f.button).Count(::GetSysColor(COLOR_GRAYTEXT)), 10);
}

TEST(LinkButton, EnterAndSpaceClickOnce) {
    struct Case {
        const char* name;
        WPARAM key;
        wchar_t character;
        bool enabled;
        int clicks;
    } cases[] = {
        {"Enter", VK_RETURN, L'\r', true, 1},
        {"space", VK_SPACE, L' ', true, 1},
        {"a letter", 'A', L'a', true, 0},
        {"Enter while disabled", VK_RETURN, L'\r', false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        LinkFixture f;
        ::SetFocus(f.button);
        ::EnableWindow(f.button, c.enabled);
        // The full keystroke, as the message loop delivers it.
        ::SendMessageW(f.button, WM_KEYDOWN, c.key, 1);
        ::SendMessageW(f.button, WM_CHAR, c.character, 1);
        ::SendMessageW(f.button, WM_KEYUP, c.key, 0xC0000001);
        testkit::PumpUntilIdle();
        EXPECT_EQ(f.Clicks(), c.clicks);
    }
}

// The dialog manager clicks a button for its mnemonic with BM_CLICK, whose own click lands at
// the client's corner: beside a centred text.
TEST(LinkButton, ItsMnemonicClicksWhereverTheTextLies) {
    for (const bool enabled : {true, false}) {
        SCOPED_TRACE(enabled);
        LinkFixture f(BS_CENTER, L"&Write to us");
        ::EnableWindow(f.button, enabled);
        ::SendMessageW(f.button, BM_CLICK, 0, 0);
        testkit::PumpUntilIdle();
        EXPECT_EQ(f.Clicks(), enabled ? 1 : 0);
    }
}

TEST(LinkButton, AsksForEnterInADialog) {
    LinkFixture f;
    MSG enter{f.button, WM_KEYDOWN, VK_RETURN, 1, 0, {}};
    EXPECT_TRUE(::SendMessageW(f.button, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&enter)) & DLGC_WANTMESSAGE);
    MSG tab{f.button, WM_KEYDOWN, VK_TAB, 1, 0, {}};
    EXPECT_FALSE(::SendMessageW(f.button, WM_GETDLGCODE, VK_TAB, reinterpret_cast<LPARAM>(&tab)) & DLGC_WANTMESSAGE);
}

TEST(LinkButton, SetTextRemeasures) {
    LinkFixture f;
    const LONG before = f.link.TextRect().right;
    ::SetWindowTextW(f.button, L"Write to us about anything at all");
    EXPECT_EQ(f.link.Text(), L"Write to us about anything at all");
    EXPECT_GT(f.link.TextRect().right, before);
}

TEST(LinkButton, TooltipHasOneToolAndGoesWithTheControl) {
    LinkFixture f;
    HWND tooltip = f.link.Tooltip();
    ASSERT_TRUE(::IsWindow(tooltip));
    EXPECT_EQ(::SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0), 1);
    ::DestroyWindow(f.button);
    EXPECT_FALSE(::IsWindow(tooltip));
    EXPECT_FALSE(f.link.IsAttached());
}

}  // namespace
}  // namespace qm::controls
