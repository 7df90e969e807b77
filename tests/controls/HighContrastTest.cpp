// The self-painted controls in high contrast: the system's colours for text and links, no
// gradient or picture behind the text, and a repaint when a top-level window hears the mode
// change. Wine keeps the mode off whatever it is told, so the mode is the test's to say.
#include "controls/HighContrast.h"

#include "controls/ControlFont.h"
#include "controls/LinkButton.h"
#include "controls/SkinnedButton.h"
#include "controls/SkinnedStatic.h"
#include "tests/controls/AttachedControl.h"
#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace qm::controls {
namespace {

using testkit::Canvas;
using testkit::ParentWindow;
using testkit::RenderClient;

bool g_highContrast = false;
bool TestHighContrast() { return g_highContrast; }

struct HighContrastScope {
    HighContrastQuery before = ReplaceHighContrastQuery(&TestHighContrast);
    explicit HighContrastScope(bool on) { g_highContrast = on; }
    ~HighContrastScope() { ReplaceHighContrastQuery(before); }
};

LOGFONTW BigFont() {
    LOGFONTW font = WithWeight(FontDescriptionOf(nullptr), FW_HEAVY);
    font.lfHeight = -28;
    font.lfQuality = NONANTIALIASED_QUALITY;
    return font;
}

GdiObject SolidBitmap(COLORREF colour) {
    Canvas source(16, 16);
    GdiObject bitmap(::CreateCompatibleBitmap(source.Dc(), 16, 16));
    MemoryDcHandle dc(::CreateCompatibleDC(nullptr));
    SelectObjectScope selected(dc.Get(), bitmap.Get());
    GdiObject brush(::CreateSolidBrush(colour));
    RECT all{0, 0, 16, 16};
    ::FillRect(dc.Get(), &all, brush.As<HBRUSH>());
    return bitmap;
}

TEST(HighContrast, SelfPaintedControlsTakeTheSystemColoursAndDropTheirBackgrounds) {
    const COLORREF kOwn = RGB(50, 100, 150);  // every control's own colour in the cases below
    struct Case {
        const char* name;
        const wchar_t* windowClass;
        AttachFn attach;
        COLORREF systemColour;  // what replaces kOwn
        bool background;        // kOwn fills the background, not the text
    } cases[] = {
        {"heading", L"STATIC", Attached<SkinnedStatic>([&](SkinnedStatic& c) {
             c.SetFont(BigFont());
             c.textColour = kOwn;
         }),
         ::GetSysColor(COLOR_BTNTEXT), false},
        {"gradient panel", L"STATIC", Attached<SkinnedStatic>([&](SkinnedStatic& c) {
             c.style = SkinnedStatic::kGradient;
             c.colour1 = c.colour2 = kOwn;
         }),
         ::GetSysColor(COLOR_BTNFACE), true},
        {"banner picture", L"STATIC", Attached<SkinnedStatic>([&](SkinnedStatic& c) {
             c.style = SkinnedStatic::kStretchedBitmap;
             c.SetBitmap(SolidBitmap(kOwn));
         }),
         ::GetSysColor(COLOR_BTNFACE), true},
        {"icon button", L"BUTTON", Attached<SkinnedButton>([&](SkinnedButton& c) {
             c.SetFont(BigFont());
             c.SetIcon(IconHandle(), 0, 0);
             c.captionColour = kOwn;
         }),
         ::GetSysColor(COLOR_BTNTEXT), false},
        {"link", L"BUTTON", Attached<LinkButton>([&](LinkButton& c) { c.colour = kOwn; }), ::GetSysColor(COLOR_HOTLIGHT), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParentWindow parent(300, 100, true);
        HWND window = parent.AddChild(c.windowClass, L"Wide text", 1000, 0, 0, 0, 240, 50);
        std::unique_ptr<ControlHook> control = c.attach(window);
        const COLORREF backdrop = RGB(1, 2, 3);
        {
            HighContrastScope normal(false);
            EXPECT_GT(RenderClient(window, backdrop).Count(kOwn), 20) << "the control's own colour";
        }
        HighContrastScope high(true);
        // The mode changed: the top-level window hands the news on, and the control repaints.
        ::ValidateRect(window, nullptr);
        ForwardColourChanges(parent.Get(), WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_TRUE(::GetUpdateRect(window, nullptr, FALSE)) << "no repaint asked for";
        const Canvas canvas = RenderClient(window, backdrop);
        EXPECT_EQ(canvas.Count(kOwn), 0);
        EXPECT_GT(canvas.Count(c.systemColour), c.background ? 240 * 50 / 2 : 20);
    }
}

}  // namespace
}  // namespace qm::controls
