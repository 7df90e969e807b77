#include "controls/SkinnedStatic.h"

#include "base/win/SystemText.h"
#include "controls/ControlFont.h"
#include "controls/HighContrast.h"

#include <oleacc.h>

namespace qm::controls {

void FillVerticalGradient(HDC dc, const RECT& area, COLORREF top, COLORREF bottom) {
    if (top == bottom) {
        // One colour needs no gradient; a brush is exact where GradientFill may dither.
        GdiObject brush(::CreateSolidBrush(top));
        ::FillRect(dc, &area, brush.As<HBRUSH>());
        return;
    }
    auto channel = [](BYTE value) { return static_cast<COLOR16>(value << 8); };
    TRIVERTEX vertices[2] = {
        {area.left, area.top, channel(GetRValue(top)), channel(GetGValue(top)), channel(GetBValue(top)), 0},
        {area.right, area.bottom, channel(GetRValue(bottom)), channel(GetGValue(bottom)), channel(GetBValue(bottom)), 0},
    };
    GRADIENT_RECT span{0, 1};
    ::GradientFill(dc, vertices, 2, &span, 1, GRADIENT_FILL_RECT_V);
}

bool SkinnedStatic::Attach(HWND control) {
    if (!Hook(control)) return false;
    text_ = WindowText(control);
    font_ = CreateFontFrom(WithWeight(FontDescriptionOf(::GetParent(control)), FW_HEAVY));
    return true;
}

void SkinnedStatic::SetFont(const LOGFONTW& description) {
    font_ = CreateFontFrom(description);
    if (Window()) ::InvalidateRect(Window(), nullptr, TRUE);
}

void SkinnedStatic::SetIcon(IconHandle icon, int width, int height) noexcept {
    icon_ = std::move(icon);
    iconWidth_ = width;
    iconHeight_ = height;
}

void SkinnedStatic::Paint(HDC dc, const RECT& client) const {
    PaintBackground(dc, client);
    RECT textArea = client;
    if (style & kIconLeft) textArea.left = PaintIcon(dc, client);
    if (!text_.empty()) PaintText(dc, textArea);
}

void SkinnedStatic::PaintBackground(HDC dc, const RECT& client) const {
    if (HighContrastOn()) {
        // No gradient or picture behind the text: the system's face colour, or the parent's.
        if (style & (kGradient | kStretchedBitmap)) ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_BTNFACE));
        return;
    }
    if (style & kGradient) {
        FillVerticalGradient(dc, client, colour1, colour2);
    } else if ((style & kStretchedBitmap) && bitmap_) {
        BITMAP info{};
        ::GetObjectW(bitmap_.Get(), sizeof info, &info);
        MemoryDcHandle source(::CreateCompatibleDC(dc));
        SelectObjectScope selected(source.Get(), bitmap_.Get());
        int oldMode = ::SetStretchBltMode(dc, HALFTONE);
        ::SetBrushOrgEx(dc, 0, 0, nullptr);
        ::StretchBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, source.Get(),
                     0, 0, info.bmWidth, info.bmHeight, SRCCOPY);
        ::SetStretchBltMode(dc, oldMode);
    }
    // Without a background bit the parent's background shows through.
}

LONG SkinnedStatic::PaintIcon(HDC dc, const RECT& client) const {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    const int x = client.left + (iconMargin > width ? 0 : iconMargin);
    const int y = client.top + (height - iconHeight_) / 2;
    if (icon_) {
        int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
        ::DrawIconEx(dc, x, y, icon_.Get(), iconWidth_, iconHeight_, 0, nullptr, DI_NORMAL);
        ::RestoreDC(dc, saved);
    }
    return client.left + iconMargin + iconWidth_ + iconGap;
}

void SkinnedStatic::PaintText(HDC dc, RECT area) const {
    ::InflateRect(&area, -insetX, -insetY);
    const auto controlStyle = static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_STYLE));
    UINT format = DT_NOCLIP;
    switch (controlStyle & SS_TYPEMASK) {
        case SS_CENTER: format |= DT_CENTER; break;
        case SS_RIGHT: format |= DT_RIGHT; break;
        default: format |= DT_LEFT; break;
    }
    format |= (controlStyle & SS_CENTERIMAGE) ? (DT_SINGLELINE | DT_VCENTER) : DT_WORDBREAK;
    if (noPrefix) format |= DT_NOPREFIX;

    const bool enabled = ::IsWindowEnabled(Window()) != FALSE;
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF colour = !enabled ? ::GetSysColor(COLOR_GRAYTEXT) : HighContrastOn() ? ::GetSysColor(COLOR_BTNTEXT) : textColour;
    const COLORREF oldColour = ::SetTextColor(dc, colour);
    {
        SelectObjectScope font(dc, font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &area, format);
    }
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

long SkinnedStatic::AccessibleRole() const { return ROLE_SYSTEM_STATICTEXT; }
std::wstring SkinnedStatic::AccessibleName() const { return noPrefix ? text_ : WithoutMnemonic(text_); }

LRESULT SkinnedStatic::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return ServePaint(message, wParam, [this](HDC dc) { Paint(dc, ClientRect()); });
        case WM_SETTEXT: {
            // The window keeps the text, so screen readers and UI automation read what is shown.
            // The default handling stores it; the static class's own would paint it its way.
            const LRESULT result = ::DefWindowProcW(Window(), message, wParam, lParam);
            text_ = WindowText(Window());
            InvalidateWithParent();
            return result;
        }
        case WM_ENABLE:
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:  // the high-contrast mode among them
            InvalidateWithParent();
            break;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_.Get());  // the font it draws with, not the dialog's
        default:
            break;
    }
    return CallNext(message, wParam, lParam);
}

}  // namespace qm::controls
