#include "base/win/SystemText.h"
#include "controls/SkinnedStatic.h"

#include "controls/ControlFont.h"
#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>

namespace qm::controls {
namespace {

using testkit::Canvas;
using testkit::ParentWindow;
using testkit::RenderClient;
using testkit::SolidIcon;

constexpr COLORREF kWhite = RGB(255, 255, 255);

// A big heavy font, so glyph strokes have pixels in the exact text colour.
LOGFONTW BigFont() {
    LOGFONTW font = WithWeight(FontDescriptionOf(nullptr), FW_HEAVY);
    font.lfHeight = -28;
    font.lfQuality = NONANTIALIASED_QUALITY;
    return font;
}

struct StaticFixture {
    ParentWindow parent;
    HWND control;
    SkinnedStatic skinned;
    explicit StaticFixture(const wchar_t* text, DWORD style = SS_LEFT, int width = 200, int height = 40)
        : control(parent.AddChild(L"STATIC", text, 1004, style, 0, 0, width, height)) {
        EXPECT_TRUE(skinned.Attach(control));
        skinned.SetFont(BigFont());
    }
};

TEST(SkinnedStatic, TextColourFollowsEnabledState) {
    const COLORREF grey = ::GetSysColor(COLOR_GRAYTEXT);
    struct Case {
        const char* name;
        COLORREF textColour;
        bool enabled;
        COLORREF expected;
        COLORREF absent;
    } cases[] = {
        {"enabled heading", RGB(50, 100, 150), true, RGB(50, 100, 150), grey},
        {"enabled black", RGB(0, 0, 0), true, RGB(0, 0, 0), grey},
        {"disabled ignores its colour", RGB(200, 0, 0), false, grey, RGB(200, 0, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StaticFixture f(L"WWW");
        f.skinned.textColour = c.textColour;
        ::EnableWindow(f.control, c.enabled);
        Canvas canvas = RenderClient(f.control, kWhite);
        EXPECT_GT(canvas.Count(c.expected), 20);
        EXPECT_EQ(canvas.Count(c.absent), 0);
    }
}

TEST(SkinnedStatic, SetTextRepaintsAndTheWindowKeepsTheText) {
    StaticFixture f(L"Old heading");
    const Canvas before = RenderClient(f.control);

    ASSERT_TRUE(::SetWindowTextW(f.control, L"Fresh words"));

    // What screen readers and UI automation read is what is drawn.
    EXPECT_EQ(WindowText(f.control), L"Fresh words");
    EXPECT_EQ(::SendMessageW(f.control, WM_GETTEXTLENGTH, 0, 0), 11);
    EXPECT_EQ(f.skinned.Text(), L"Fresh words");
    const Canvas after = RenderClient(f.control);
    EXPECT_FALSE(after.SameAs(before));
    // The oracle: a control attached with the new text from the start draws the same picture.
    StaticFixture reference(L"Fresh words");
    EXPECT_TRUE(after.SameAs(RenderClient(reference.control)));
}

TEST(SkinnedStatic, SetTextInvalidatesControlAndParentArea) {
    ParentWindow parent(300, 100, true);
    HWND control = parent.AddChild(L"STATIC", L"abc", 1004, SS_LEFT, 20, 10, 100, 30);
    SkinnedStatic skinned;
    ASSERT_TRUE(skinned.Attach(control));
    ::UpdateWindow(parent.Get());
    ::ValidateRect(parent.Get(), nullptr);
    ::ValidateRect(control, nullptr);
    ::SetWindowTextW(control, L"xyz");
    RECT update{};
    EXPECT_TRUE(::GetUpdateRect(control, &update, FALSE));
    ASSERT_TRUE(::GetUpdateRect(parent.Get(), &update, FALSE));
    EXPECT_LE(update.left, 20);
    EXPECT_LE(update.top, 10);
    EXPECT_GE(update.right, 120);
    EXPECT_GE(update.bottom, 40);
}

TEST(SkinnedStatic, BackgroundStyles) {
    struct Case {
        const char* name;
        unsigned style;
        COLORREF top, bottom;  // colour1 and colour2
        COLORREF expectTop, expectBottom;
        int tolerance;
    } cases[] = {
        {"no background bit: parent shows through", 0, RGB(255, 0, 0), RGB(0, 0, 255), RGB(1, 2, 3), RGB(1, 2, 3), 0},
        {"gradient ends", SkinnedStatic::kGradient, RGB(255, 0, 0), RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 0, 255), 8},
        {"one-colour panel is exact", SkinnedStatic::kGradient, RGB(255, 255, 208), RGB(255, 255, 208),
         RGB(255, 255, 208), RGB(255, 255, 208), 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StaticFixture f(L"", SS_LEFT, 120, 60);
        f.skinned.style = c.style;
        f.skinned.colour1 = c.top;
        f.skinned.colour2 = c.bottom;
        Canvas canvas = RenderClient(f.control, RGB(1, 2, 3));
        for (int x : {0, 60, 119}) {
            EXPECT_TRUE(testkit::Near(canvas.Pixel(x, 0), c.expectTop, c.tolerance)) << x;
            EXPECT_TRUE(testkit::Near(canvas.Pixel(x, 59), c.expectBottom, c.tolerance)) << x;
        }
    }
}

// A bitmap of four coloured quadrants, each `cell` pixels square.
GdiObject QuadrantBitmap(int cell, const COLORREF (&colours)[4]) {
    Canvas source(2 * cell, 2 * cell);
    GdiObject bitmap(::CreateCompatibleBitmap(source.Dc(), 2 * cell, 2 * cell));
    MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    SelectObjectScope selected(dc.Get(), bitmap.Get());
    for (int i = 0; i < 4; ++i) {
        GdiObject brush(::CreateSolidBrush(colours[i]));
        RECT quadrant{(i % 2) * cell, (i / 2) * cell, (i % 2 + 1) * cell, (i / 2 + 1) * cell};
        ::FillRect(dc.Get(), &quadrant, brush.As<HBRUSH>());
    }
    return bitmap;
}

TEST(SkinnedStatic, StretchesBitmapOverClientArea) {
    const COLORREF colours[4] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)};
    StaticFixture f(L"", SS_LEFT, 308, 31);  // the banner's shape, half size
    f.skinned.style = SkinnedStatic::kStretchedBitmap;
    f.skinned.SetBitmap(QuadrantBitmap(8, colours));
    Canvas canvas = RenderClient(f.control, RGB(1, 2, 3));
    EXPECT_TRUE(testkit::Near(canvas.Pixel(5, 3), colours[0], 4));
    EXPECT_TRUE(testkit::Near(canvas.Pixel(302, 3), colours[1], 4));
    EXPECT_TRUE(testkit::Near(canvas.Pixel(5, 28), colours[2], 4));
    EXPECT_TRUE(testkit::Near(canvas.Pixel(302, 28), colours[3], 4));
    EXPECT_EQ(canvas.Count(RGB(1, 2, 3)), 0) << "the whole client area is covered";
}

TEST(SkinnedStatic, IconPlacementAndTextStart) {
    const COLORREF iconColour = RGB(10, 200, 30);
    struct Case {
        const char* name;
        int controlWidth, controlHeight;
        int iconSize, margin, gap;
        RECT expectedIcon;
    } cases[] = {
        {"banner icon", 300, 40, 24, 20, 10, {20, 8, 44, 32}},
        {"margin of the welcome button", 120, 20, 16, 2, 3, {2, 2, 18, 18}},
        {"margin wider than the control draws at the edge", 30, 40, 16, 50, 10, {0, 12, 16, 28}},
        {"taller icon is clipped to the client area", 120, 10, 16, 4, 3, {4, 0, 20, 10}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StaticFixture f(L"", SS_LEFT, c.controlWidth, c.controlHeight);
        f.skinned.style = SkinnedStatic::kIconLeft;
        f.skinned.iconMargin = c.margin;
        f.skinned.iconGap = c.gap;
        f.skinned.SetIcon(SolidIcon(c.iconSize, iconColour), c.iconSize, c.iconSize);
        Canvas canvas = RenderClient(f.control, kWhite);
        RECT bounds = canvas.BoundsOf(iconColour);
        EXPECT_EQ(bounds.left, c.expectedIcon.left);
        EXPECT_EQ(bounds.top, c.expectedIcon.top);
        EXPECT_EQ(bounds.right, c.expectedIcon.right);
        EXPECT_EQ(bounds.bottom, c.expectedIcon.bottom);
    }

    // The text begins after margin + icon width + gap.
    StaticFixture f(L"Text", SS_LEFT, 300, 40);
    f.skinned.style = SkinnedStatic::kIconLeft;
    f.skinned.iconMargin = 20;
    f.skinned.iconGap = 10;
    f.skinned.textColour = RGB(200, 0, 0);
    f.skinned.SetIcon(SolidIcon(24, iconColour), 24, 24);
    RECT text = RenderClient(f.control, kWhite).BoundsOf(RGB(200, 0, 0));
    EXPECT_GE(text.left, 54);
    EXPECT_LT(text.left, 64);
}

TEST(SkinnedStatic, AlignmentAndInsets) {
    const COLORREF red = RGB(200, 0, 0);
    struct Case {
        const char* name;
        DWORD style;
        int insetX, insetY;
        bool (*check)(const RECT& text);
    } cases[] = {
        {"left with insets", SS_LEFT, 7, 7, [](const RECT& t) { return t.left >= 7 && t.left < 12 && t.top >= 7; }},
        {"right", SS_RIGHT, 0, 0, [](const RECT& t) { return t.right > 290 && t.left > 100; }},
        {"centred", SS_CENTER, 0, 0, [](const RECT& t) { return std::abs((t.left + t.right) / 2 - 150) <= 3; }},
        {"centre-image: one line, vertically centred", SS_LEFT | SS_CENTERIMAGE, 0, 0,
         [](const RECT& t) { return std::abs((t.top + t.bottom) / 2 - 40) <= 4; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        StaticFixture f(L"WW", c.style, 300, 80);
        f.skinned.textColour = red;
        f.skinned.insetX = c.insetX;
        f.skinned.insetY = c.insetY;
        RECT text = RenderClient(f.control, kWhite).BoundsOf(red);
        EXPECT_TRUE(c.check(text)) << text.left << "," << text.top << "," << text.right << "," << text.bottom;
    }
}

TEST(SkinnedStatic, NoPrefixDrawsTheAmpersand) {
    StaticFixture prefixed(L"A&B");
    StaticFixture literal(L"A&B");
    literal.skinned.noPrefix = true;
    RECT withMnemonic = RenderClient(prefixed.control).BoundsNot(kWhite);
    RECT withAmpersand = RenderClient(literal.control).BoundsNot(kWhite);
    EXPECT_GT(withAmpersand.right - withAmpersand.left, withMnemonic.right - withMnemonic.left);
}

TEST(SkinnedStatic, DestroyingTheControlFirstDetaches) {
    ParentWindow parent;
    SkinnedStatic skinned;
    HWND control = parent.AddChild(L"STATIC", L"x", 1004, SS_LEFT, 0, 0, 50, 20);
    ASSERT_TRUE(skinned.Attach(control));
    ::DestroyWindow(control);
    EXPECT_FALSE(skinned.IsAttached());
    // Attaching twice to the same object is refused; a fresh control is fine once detached.
    HWND again = parent.AddChild(L"STATIC", L"y", 1005, SS_LEFT, 0, 0, 50, 20);
    EXPECT_TRUE(skinned.Attach(again));
    EXPECT_FALSE(skinned.Attach(again));
}

}  // namespace
}  // namespace qm::controls
