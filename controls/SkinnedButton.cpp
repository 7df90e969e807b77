#include "controls/SkinnedButton.h"

#include "base/win/SystemText.h"
#include "controls/ControlFont.h"
#include "controls/HighContrast.h"
#include "controls/SkinnedStatic.h"

#include <oleacc.h>
#include <windowsx.h>

namespace qm::controls {

namespace {
void MakeOwnerDrawn(HWND button) {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(button, GWL_STYLE));
    ::SetWindowLongPtrW(button, GWL_STYLE, static_cast<LONG_PTR>((style & ~DWORD(BS_TYPEMASK)) | BS_OWNERDRAW));
}
}  // namespace

long SkinnedButton::AccessibleRole() const { return ROLE_SYSTEM_PUSHBUTTON; }
std::wstring SkinnedButton::AccessibleName() const { return WithoutMnemonic(caption_); }

bool SkinnedButton::Attach(HWND button) {
    if (!Hook(button)) return false;
    MakeOwnerDrawn(button);
    caption_ = WindowText(button);
    font_ = CreateFontFrom(WithWeight(FontDescriptionOf(::GetParent(button)), FW_HEAVY));
    ownedIcon_.Reset();
    icon_ = ::LoadIconW(nullptr, IDI_QUESTION);
    state_ = 0;
    DiscardBuffers();
    return true;
}

void SkinnedButton::SetFont(const LOGFONTW& description) {
    font_ = CreateFontFrom(description);
    Repaint();
}

bool SkinnedButton::SetIcon(int resourceId, int width, int height, HINSTANCE module) {
    IconHandle loaded(static_cast<HICON>(::LoadImageW(module ? module : ::GetModuleHandleW(nullptr),
                                                      MAKEINTRESOURCEW(resourceId), IMAGE_ICON, width, height, 0)));
    if (!loaded) return false;
    SetIcon(std::move(loaded), width, height);
    return true;
}

void SkinnedButton::SetIcon(IconHandle icon, int width, int height) {
    ownedIcon_ = std::move(icon);
    icon_ = ownedIcon_.Get();
    iconWidth = width;
    iconHeight = height;
    Repaint();
}

void SkinnedButton::UseNormalWeight() {
    LOGFONTW description{};
    if (font_ && ::GetObjectW(font_.Get(), sizeof description, &description) == sizeof description)
        SetFont(WithWeight(description, FW_NORMAL));
}

void SkinnedButton::Repaint() const noexcept {
    if (Window()) ::InvalidateRect(Window(), nullptr, FALSE);
}

void SkinnedButton::DiscardBuffers() noexcept {
    backgroundCache_.Reset();
    paintBuffer_.Reset();
    bufferSize_ = {};
}

void SkinnedButton::SetStateBit(unsigned bit, bool on) {
    const unsigned next = on ? (state_ | bit) : (state_ & ~bit);
    if (next == state_) return;
    state_ = next;
    Repaint();
}

void SkinnedButton::NotifyClicked() const {
    const auto id = static_cast<WORD>(::GetDlgCtrlID(Window()));
    ::SendMessageW(::GetParent(Window()), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Window()));
}

void SkinnedButton::CaptureParentBackground(HDC reference, const RECT& client) {
    HWND parent = ::GetParent(Window());
    if (!parent || !::IsWindowVisible(parent)) return;
    GdiObject cache(::CreateCompatibleBitmap(reference, client.right, client.bottom));
    MemoryDcHandle dc(::CreateCompatibleDC(reference));
    if (!cache || !dc) return;
    SelectObjectScope selected(dc.Get(), cache.Get());
    // The parent paints itself into the cache, shifted so the part under the button lands at
    // the origin: the same picture as its pixels on screen, without reading the screen.
    RECT frame{};
    ::GetWindowRect(Window(), &frame);
    ::MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&frame), 2);
    ::FillRect(dc.Get(), &client, ::GetSysColorBrush(COLOR_3DFACE));
    POINT oldOrigin{};
    ::SetViewportOrgEx(dc.Get(), -frame.left, -frame.top, &oldOrigin);
    ::SendMessageW(parent, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc.Get()), 0);
    ::SendMessageW(parent, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.Get()), PRF_CLIENT);
    ::SetViewportOrgEx(dc.Get(), oldOrigin.x, oldOrigin.y, nullptr);
    backgroundCache_ = std::move(cache);
}

void SkinnedButton::PaintBackground(HDC dc, const RECT& client) {
    if (!backgroundCache_) CaptureParentBackground(dc, client);
    if (!backgroundCache_) {
        ::FillRect(dc, &client, ::GetSysColorBrush(COLOR_3DFACE));
        return;
    }
    MemoryDcHandle source(::CreateCompatibleDC(dc));
    SelectObjectScope selected(source.Get(), backgroundCache_.Get());
    ::BitBlt(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, source.Get(), 0, 0,
             SRCCOPY);
}

void SkinnedButton::Paint(HDC dc, const RECT& client) {
    PaintBackground(dc, client);
    const int shift = (state_ & kPressed) ? 1 : 0;
    const int height = client.bottom - client.top;

    if (icon_) {
        const int saved = ::SaveDC(dc);
        ::IntersectClipRect(dc, client.left, client.top, client.right, client.bottom);
        ::DrawIconEx(dc, client.left + iconMargin + shift, client.top + (height - iconHeight) / 2 + shift, icon_,
                     iconWidth, iconHeight, 0, nullptr, DI_NORMAL);
        ::RestoreDC(dc, saved);
    }

    if (!caption_.empty()) {
        RECT area = client;
        UINT format = DT_SINGLELINE | DT_VCENTER;
        if (icon_) {
            area.left += iconMargin + iconWidth + iconGap;
            format |= DT_LEFT;
        } else {
            format |= DT_CENTER;
        }
        ::OffsetRect(&area, shift, shift);
        const bool enabled = ::IsWindowEnabled(Window()) != FALSE;
        const int oldMode = ::SetBkMode(dc, TRANSPARENT);
        COLORREF colour = enabled ? captionColour : disabledColour;
        if (HighContrastOn()) colour = ::GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
        const COLORREF oldColour = ::SetTextColor(dc, colour);
        {
            SelectObjectScope font(dc, font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
            ::DrawTextW(dc, caption_.c_str(), static_cast<int>(caption_.size()), &area, format);
        }
        ::SetTextColor(dc, oldColour);
        ::SetBkMode(dc, oldMode);
    }

    if (state_ & kFocused) {
        RECT focus = client;
        ::InflateRect(&focus, -1, -1);
        ::DrawFocusRect(dc, &focus);
    }
}

void SkinnedButton::PaintBuffered(HDC target) {
    const RECT client = ClientRect();
    if (client.right <= 0 || client.bottom <= 0) return;
    if (!paintBuffer_ || bufferSize_.cx != client.right || bufferSize_.cy != client.bottom) {
        paintBuffer_.Reset(::CreateCompatibleBitmap(target, client.right, client.bottom));
        bufferSize_ = {client.right, client.bottom};
    }
    MemoryDcHandle buffer(::CreateCompatibleDC(target));
    if (!paintBuffer_ || !buffer) {
        Paint(target, client);  // no memory for a buffer: paint directly rather than not at all
        return;
    }
    SelectObjectScope selected(buffer.Get(), paintBuffer_.Get());
    Paint(buffer.Get(), client);
    ::BitBlt(target, 0, 0, client.right, client.bottom, buffer.Get(), 0, 0, SRCCOPY);
}

LRESULT SkinnedButton::OnMouseMove(LPARAM point) {
    if (::GetCapture() == Window()) {
        SetStateBit(kPressed, IsInside(ClientRect(), point));
    } else if (!(state_ & kMouseOver)) {
        SetStateBit(kMouseOver, true);
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Window(), 0};
        ::TrackMouseEvent(&track);
    }
    return 0;
}

LRESULT SkinnedButton::OnButtonUp() {
    if (::GetCapture() != Window()) return 0;
    const bool click = (state_ & kPressed) != 0;
    // Capture goes first, so whatever the click opens (a menu, a dialog) starts without it.
    ::ReleaseCapture();
    SetStateBit(kPressed, false);
    if (click) NotifyClicked();
    return 0;
}

LRESULT SkinnedButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return ServePaint(message, wParam, [this](HDC dc) { PaintBuffered(dc); });
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_.Get());  // the font it draws with, not the dialog's
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            ::SetCapture(Window());
            SetStateBit(kPressed, true);
            return 0;
        case WM_MOUSEMOVE:
            return OnMouseMove(lParam);
        case WM_LBUTTONUP:
            return OnButtonUp();
        case WM_CAPTURECHANGED:
            SetStateBit(kPressed, false);
            return 0;
        case WM_MOUSELEAVE:
            SetStateBit(kMouseOver, false);
            return 0;
        case WM_SETFOCUS:
            SetStateBit(kFocused, true);
            break;
        case WM_KILLFOCUS:
            SetStateBit(kFocused, false);
            break;
        case WM_ENABLE:
            Repaint();
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            if (wParam == VK_SPACE) return 0;
            break;
        case WM_SETTEXT: {
            LRESULT result = CallNext(message, wParam, lParam);
            caption_ = WindowText(Window());
            Repaint();
            return result;
        }
        case WM_SIZE:
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:  // the high-contrast mode among them
            DiscardBuffers();
            Repaint();
            break;
        default:
            break;
    }
    if (KeepButtonOwnerDrawn(message, wParam)) return 0;
    return CallNext(message, wParam, lParam);
}

}  // namespace qm::controls
