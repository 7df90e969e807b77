// A static control that paints itself in the suite's look: headings in a heavy font and a
// colour of the owner's choosing, banners with a stretched picture or a gradient, an optional
// icon at the left. Setting its text repaints it; the window keeps the text as every window
// does, for screen readers and UI automation.
#pragma once

#include "base/win/Handle.h"
#include "controls/ControlHook.h"

#include <string>

namespace qm::controls {

class SkinnedStatic : public ControlHook {
public:
    // Background and icon layout bits of `style`.
    static constexpr unsigned kGradient = 0x001;        // colour1 at the top to colour2 at the bottom
    static constexpr unsigned kStretchedBitmap = 0x010;  // the bitmap stretched over the client area
    static constexpr unsigned kIconLeft = 0x100;        // the icon at the left, vertically centred

    // Takes over the control: keeps its current text and derives a weight-900 font from the
    // parent dialog's font.
    bool Attach(HWND control);

    void SetFont(const LOGFONTW& description);
    void SetBitmap(GdiObject bitmap) noexcept { bitmap_ = std::move(bitmap); }
    // The icon is owned; it is drawn at width x height.
    void SetIcon(IconHandle icon, int width, int height) noexcept;

    const std::wstring& Text() const noexcept { return text_; }
    HFONT Font() const noexcept { return font_.As<HFONT>(); }

    // Draws the whole control into `dc`; `client` is the client rectangle.
    void Paint(HDC dc, const RECT& client) const;

    // Settings callers assign after Attach.
    COLORREF textColour = RGB(0, 0, 0);
    unsigned style = 0;
    COLORREF colour1 = RGB(0, 0, 0);
    COLORREF colour2 = RGB(255, 255, 255);
    int insetX = 0;
    int insetY = 0;
    int iconMargin = 20;
    int iconGap = 10;
    bool noPrefix = false;

    // Screen readers read it as text.
    long AccessibleRole() const override;
    std::wstring AccessibleName() const override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void PaintBackground(HDC dc, const RECT& client) const;
    // Draws the icon and returns where the text area starts.
    LONG PaintIcon(HDC dc, const RECT& client) const;
    void PaintText(HDC dc, RECT area) const;

    std::wstring text_;
    GdiObject font_;
    GdiObject bitmap_;
    IconHandle icon_;
    int iconWidth_ = 0;
    int iconHeight_ = 0;
};

// Fills `area` with a vertical two-colour gradient.
void FillVerticalGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom);

}  // namespace qm::controls
