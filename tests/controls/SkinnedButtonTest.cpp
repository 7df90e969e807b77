#include "controls/SkinnedButton.h"
#include "controls/SkinnedStatic.h"

#include "controls/ControlFont.h"
#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm::controls {
namespace {

using testkit::Canvas;
using testkit::ParentWindow;
using testkit::RenderClient;
using testkit::SendMouse;
using testkit::SolidIcon;

constexpr int kId = 9;
constexpr COLORREF kIconColour = RGB(10, 200, 30);

struct ButtonFixture {
    ParentWindow parent{300, 120, true};
    HWND button;
    SkinnedButton skinned;
    explicit ButtonFixture(const wchar_t* caption = L"Help", int width = 120, int height = 40)
        : button(parent.AddChild(L"BUTTON", caption, kId, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, width, height)) {
        EXPECT_TRUE(skinned.Attach(button));
        LOGFONTW font = WithWeight(FontDescriptionOf(nullptr), FW_HEAVY);
        font.lfHeight = -20;
        font.lfQuality = NONANTIALIASED_QUALITY;
        skinned.SetFont(font);
        testkit::PumpUntilIdle();
    }
    int Clicks() const {
        int clicks = 0;
        for (const auto& command : parent.Commands())
            if (command.id == kId && command.code == BN_CLICKED && command.from == button) ++clicks;
        return clicks;
    }
};

TEST(SkinnedButton, AttachMakesItOwnerDrawn) {
    ButtonFixture f;
    EXPECT_EQ(::GetWindowLongPtrW(f.button, GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    EXPECT_EQ(f.skinned.Caption(), L"Help");
    EXPECT_EQ(f.skinned.State(), 0u);
}

TEST(SkinnedControls, TellTheFontTheyDrawWith) {
    // Whoever measures a control's text (the text-fit test, a magnifier) asks it for its font:
    // the heavy one it draws with, not the parent's.
    ButtonFixture button;
    ParentWindow parent;
    HWND label = parent.AddChild(L"STATIC", L"Heading", 1004, SS_LEFT, 0, 0, 200, 20);
    SkinnedStatic skinned;
    ASSERT_TRUE(skinned.Attach(label));
    for (HWND control : {button.button, label}) {
        LOGFONTW font{};
        const auto answer = reinterpret_cast<HFONT>(::SendMessageW(control, WM_GETFONT, 0, 0));
        ASSERT_TRUE(answer && ::GetObjectW(answer, sizeof(font), &font)) << ::GetDlgCtrlID(control);
        EXPECT_EQ(font.lfWeight, FW_HEAVY) << ::GetDlgCtrlID(control);
    }
}

TEST(SkinnedButton, PressDragRelease) {
    struct Step {
        UINT message;
        int x, y;
    };
    constexpr int kInX = 20, kInY = 20, kOutX = 200, kOutY = 90;
    struct Case {
        const char* name;
        std::vector<Step> steps;
        int clicks;
    } cases[] = {
        {"press and release inside", {{WM_LBUTTONDOWN, kInX, kInY}, {WM_LBUTTONUP, kInX, kInY}}, 1},
        {"drag out and release outside",
         {{WM_LBUTTONDOWN, kInX, kInY}, {WM_MOUSEMOVE, kOutX, kOutY}, {WM_LBUTTONUP, kOutX, kOutY}}, 0},
        {"drag out and back in",
         {{WM_LBUTTONDOWN, kInX, kInY}, {WM_MOUSEMOVE, kOutX, kOutY}, {WM_MOUSEMOVE, kInX, kInY},
          {WM_LBUTTONUP, kInX, kInY}},
         1},
        {"release without a press", {{WM_MOUSEMOVE, kInX, kInY}, {WM_LBUTTONUP, kInX, kInY}}, 0},
        {"double click counts as a press", {{WM_LBUTTONDBLCLK, kInX, kInY}, {WM_LBUTTONUP, kInX, kInY}}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ButtonFixture f;
        for (const Step& step : c.steps) SendMouse(f.button, step.message, step.x, step.y);
        EXPECT_EQ(f.Clicks(), c.clicks);
        EXPECT_EQ(f.skinned.State() & SkinnedButton::kPressed, 0u);
        EXPECT_NE(::GetCapture(), f.button);
    }
}

TEST(SkinnedButton, PressedStateFollowsThePointerWhileCaptured) {
    ButtonFixture f;
    SendMouse(f.button, WM_LBUTTONDOWN, 20, 20);
    EXPECT_EQ(::GetCapture(), f.button);
    EXPECT_TRUE(f.skinned.State() & SkinnedButton::kPressed);
    SendMouse(f.button, WM_MOUSEMOVE, -5, 20);
    EXPECT_FALSE(f.skinned.State() & SkinnedButton::kPressed);
    SendMouse(f.button, WM_MOUSEMOVE, 5, 5);
    EXPECT_TRUE(f.skinned.State() & SkinnedButton::kPressed);
    // Losing the capture to someone else cancels the press: the release then clicks nothing.
    ::ReleaseCapture();
    EXPECT_FALSE(f.skinned.State() & SkinnedButton::kPressed);
    SendMouse(f.button, WM_LBUTTONUP, 5, 5);
    EXPECT_EQ(f.Clicks(), 0);
}

TEST(SkinnedButton, SpaceIsSwallowed) {
    // The oracle: a plain push button clicks on the space bar.
    ParentWindow parent;
    HWND plain = parent.AddChild(L"BUTTON", L"Plain", 5, BS_PUSHBUTTON, 0, 0, 60, 20);
    ::SetFocus(plain);
    ::SendMessageW(plain, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageW(plain, WM_KEYUP, VK_SPACE, 0xC0390001);
    ASSERT_EQ(parent.Commands().size(), 1u) << "a plain button should click on space";

    ButtonFixture f;
    ::SetFocus(f.button);
    ::SendMessageW(f.button, WM_KEYDOWN, VK_SPACE, 0x00390001);
    ::SendMessageW(f.button, WM_CHAR, L' ', 0x00390001);
    ::SendMessageW(f.button, WM_KEYUP, VK_SPACE, 0xC0390001);
    testkit::PumpUntilIdle();
    EXPECT_EQ(f.Clicks(), 0);
}

TEST(SkinnedButton, HoverAndFocusBits) {
    ButtonFixture f;
    SendMouse(f.button, WM_MOUSEMOVE, 20, 20);
    EXPECT_TRUE(f.skinned.State() & SkinnedButton::kMouseOver);
    ::SendMessageW(f.button, WM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(f.skinned.State() & SkinnedButton::kMouseOver);

    const Canvas unfocused = RenderClient(f.button);
    ::SetFocus(f.button);
    EXPECT_TRUE(f.skinned.State() & SkinnedButton::kFocused);
    EXPECT_FALSE(RenderClient(f.button).SameAs(unfocused)) << "focus must be visible";
    ::SetFocus(f.parent.Get());
    EXPECT_FALSE(f.skinned.State() & SkinnedButton::kFocused);
    EXPECT_TRUE(RenderClient(f.button).SameAs(unfocused));
}

TEST(SkinnedButton, IconAndCaptionPlacement) {
    const COLORREF caption = RGB(0, 70, 140);
    struct Case {
        const char* name;
        bool icon;
        int margin, size, gap;
        bool pressed;
    } cases[] = {
        {"welcome help button", true, 2, 16, 3, false},
        {"defaults", true, 20, 32, 10, false},
        {"pressed moves one pixel", true, 2, 16, 3, true},
        {"no icon centres the caption", false, 0, 0, 0, false},
        {"no icon, pressed", false, 0, 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ButtonFixture f(L"Help", 160, 40);
        if (c.icon) {
            f.skinned.iconMargin = c.margin;
            f.skinned.iconGap = c.gap;
            f.skinned.SetIcon(SolidIcon(c.size, kIconColour), c.size, c.size);
        } else {
            f.skinned.SetIcon(IconHandle(), 0, 0);
        }
        if (c.pressed) SendMouse(f.button, WM_LBUTTONDOWN, 50, 20);
        const int shift = c.pressed ? 1 : 0;
        Canvas canvas = RenderClient(f.button);
        RECT text = canvas.BoundsOf(caption);
        ASSERT_FALSE(::IsRectEmpty(&text));
        if (c.icon) {
            RECT icon = canvas.BoundsOf(kIconColour);
            EXPECT_EQ(icon.left, c.margin + shift);
            EXPECT_EQ(icon.top, (40 - c.size) / 2 + shift);
            EXPECT_EQ(icon.right - icon.left, c.size);
            EXPECT_GE(text.left, c.margin + c.size + c.gap + shift);
            EXPECT_LE(text.left, c.margin + c.size + c.gap + shift + 3);
        } else {
            EXPECT_EQ(canvas.Count(kIconColour), 0);
            EXPECT_LE(std::abs((text.left + text.right) / 2 - 80 - shift), 2);
        }
        EXPECT_LE(std::abs((text.top + text.bottom) / 2 - 20 - shift), 3);
        if (c.pressed) SendMouse(f.button, WM_LBUTTONUP, 500, 500);
    }
}

TEST(SkinnedButton, CaptionColourByEnabledState) {
    ButtonFixture f;
    f.skinned.captionColour = RGB(0, 0, 0);
    EXPECT_GT(RenderClient(f.button).Count(RGB(0, 0, 0)), 20);
    ::EnableWindow(f.button, FALSE);
    Canvas disabled = RenderClient(f.button);
    EXPECT_GT(disabled.Count(RGB(192, 192, 192)), 20);
    EXPECT_EQ(disabled.Count(RGB(0, 0, 0)), 0);
}

TEST(SkinnedButton, BackgroundIsTheParentsAndFollowsResizing) {
    ButtonFixture f(L"", 60, 30);
    f.skinned.SetIcon(IconHandle(), 0, 0);
    // The parent's white background shows in the button, also after it grows.
    Canvas before = RenderClient(f.button, RGB(1, 2, 3));
    EXPECT_EQ(before.Count(RGB(255, 255, 255)), 60 * 30);
    ::SetWindowPos(f.button, nullptr, 0, 0, 140, 50, SWP_NOMOVE | SWP_NOZORDER);
    Canvas after = RenderClient(f.button, RGB(1, 2, 3));
    EXPECT_EQ(after.Count(RGB(255, 255, 255)), 140 * 50);
}

TEST(SkinnedButton, SetTextChangesTheCaption) {
    ButtonFixture f;
    ::SetWindowTextW(f.button, L"Continue");
    EXPECT_EQ(f.skinned.Caption(), L"Continue");
}

}  // namespace
}  // namespace qm::controls

namespace qm::controls {
namespace {

// Icons are USER objects, which Wine does not count: check the owners release theirs.
TEST(SkinnedControls, OwnedIconsGoWithTheirControlObjects) {
    testkit::ParentWindow parent;
    HICON buttonIcon = nullptr, staticIcon = nullptr;
    {
        SkinnedButton button;
        ASSERT_TRUE(button.Attach(parent.AddChild(L"BUTTON", L"b", 1, BS_PUSHBUTTON, 0, 0, 50, 20)));
        IconHandle icon = testkit::SolidIcon(16, RGB(1, 2, 3));
        buttonIcon = icon.Get();
        button.SetIcon(std::move(icon), 16, 16);

        SkinnedStatic label;
        ASSERT_TRUE(label.Attach(parent.AddChild(L"STATIC", L"s", 2, SS_LEFT, 0, 30, 50, 20)));
        IconHandle other = testkit::SolidIcon(16, RGB(4, 5, 6));
        staticIcon = other.Get();
        label.SetIcon(std::move(other), 16, 16);

        ICONINFO info{};
        ASSERT_TRUE(::GetIconInfo(buttonIcon, &info));
        ::DeleteObject(info.hbmColor);
        ::DeleteObject(info.hbmMask);
    }
    ICONINFO info{};
    EXPECT_FALSE(::GetIconInfo(buttonIcon, &info));
    EXPECT_FALSE(::GetIconInfo(staticIcon, &info));
}

}  // namespace
}  // namespace qm::controls
