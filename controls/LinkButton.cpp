#include "controls/LinkButton.h"

#include "base/win/SystemText.h"
#include "controls/ControlFont.h"
#include "controls/HighContrast.h"
#include "controls/Reflection.h"
#include "controls/SkinnedStatic.h"

#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>

namespace qm::controls {

namespace {
constexpr UINT kReflectedDrawItem = kReflectedMessageBase + WM_DRAWITEM;  // a dialog hands owner drawing back
}  // namespace

bool LinkButton::Attach(HWND button) {
    if (!Hook(button)) return false;
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(button, GWL_STYLE));
    ::SetWindowLongPtrW(button, GWL_STYLE, static_cast<LONG_PTR>((style & ~DWORD(BS_TYPEMASK)) | BS_OWNERDRAW));
    CreateTooltip();
    text_ = WindowText(button);
    font_ = CreateFontFrom(WithUnderline(FontDescriptionOf(::GetParent(button))));
    cursor_ = ::LoadCursorW(nullptr, IDC_HAND);
    hover_ = false;
    MeasureText();
    return true;
}

long LinkButton::AccessibleRole() const { return ROLE_SYSTEM_LINK; }
std::wstring LinkButton::AccessibleName() const { return WithoutMnemonic(text_); }

void LinkButton::OnControlDestroyed() noexcept {
    // The tooltip is owned by the control and goes with it.
    tooltip_.Reset();
}

void LinkButton::CreateTooltip() {
    tooltip_.Reset(::CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, Window(), nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) return;
    static wchar_t empty[] = L"";
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND;
    tool.hwnd = ::GetParent(Window());
    tool.uId = reinterpret_cast<UINT_PTR>(Window());
    tool.lpszText = empty;
    ::SendMessageW(tooltip_.Get(), TTM_ACTIVATE, TRUE, 0);
    ::SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

UINT LinkButton::TextFormat() const {
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(Window(), GWL_STYLE));
    UINT format = DT_WORDBREAK;
    switch (style & BS_CENTER) {
        case BS_CENTER: format |= DT_CENTER; break;
        case BS_RIGHT: format |= DT_RIGHT; break;
        default: format |= DT_LEFT; break;
    }
    return format;
}

void LinkButton::MeasureText() {
    const RECT client = ClientRect();
    RECT needed{0, 0, client.right, 0};
    {
        WindowDc screen(Window());
        SelectObjectScope font(screen.Get(), font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(screen.Get(), text_.c_str(), static_cast<int>(text_.size()), &needed, TextFormat() | DT_CALCRECT);
    }
    const LONG width = std::min(needed.right - needed.left, client.right);
    const UINT format = TextFormat();
    LONG left = 0;
    if (format & DT_CENTER)
        left = (client.right - width) / 2;
    else if (format & DT_RIGHT)
        left = client.right - width;
    textRect_ = RECT{left, 0, left + width, std::min(needed.bottom, client.bottom)};
    if (text_.empty()) textRect_ = RECT{};
}

void LinkButton::Paint(HDC dc, const RECT&) const {
    const bool enabled = ::IsWindowEnabled(Window()) != FALSE;
    COLORREF textColour = !enabled ? ::GetSysColor(COLOR_GRAYTEXT) : hover_ ? hoverColour : colour;
    if (enabled && HighContrastOn()) textColour = ::GetSysColor(COLOR_HOTLIGHT);
    const int oldMode = ::SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = ::SetTextColor(dc, textColour);
    RECT area = textRect_;
    {
        SelectObjectScope font(dc, font_ ? font_.Get() : ::GetStockObject(DEFAULT_GUI_FONT));
        ::DrawTextW(dc, text_.c_str(), static_cast<int>(text_.size()), &area, TextFormat());
    }
    if (::GetFocus() == Window() && !::IsRectEmpty(&textRect_)) {
        RECT focus = textRect_;
        ::DrawFocusRect(dc, &focus);
    }
    ::SetTextColor(dc, oldColour);
    ::SetBkMode(dc, oldMode);
}

void LinkButton::SetHover(bool hover) {
    if (hover_ == hover) return;
    hover_ = hover;
    InvalidateWithParent();
}

void LinkButton::NotifyClickedIfEnabled() const {
    if (!::IsWindowEnabled(Window())) return;
    const auto id = static_cast<WORD>(::GetDlgCtrlID(Window()));
    ::SendMessageW(::GetParent(Window()), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(Window()));
}

void LinkButton::Relay(UINT message, WPARAM wParam, LPARAM lParam) const {
    if (!tooltip_) return;
    MSG relayed{Window(), message, wParam, lParam, static_cast<DWORD>(::GetMessageTime()), {}};
    ::SendMessageW(tooltip_.Get(), TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

LRESULT LinkButton::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND:
            return TRUE;
        case WM_PAINT:
        case WM_PRINTCLIENT:
            return ServePaint(message, wParam, [this](HDC dc) { Paint(dc, ClientRect()); });
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(font_.Get());  // the font it draws with, not the dialog's
        case kReflectedDrawItem: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            Paint(item->hDC, item->rcItem);
            return TRUE;
        }
        case WM_MOUSEMOVE: {
            Relay(message, wParam, lParam);
            const bool inside = IsInside(textRect_, lParam);
            if (inside && !hover_) {
                TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Window(), 0};
                ::TrackMouseEvent(&track);
            }
            SetHover(inside);
            return 0;
        }
        case WM_MOUSELEAVE:
            SetHover(false);
            return 0;
        case WM_LBUTTONDOWN:
            Relay(message, wParam, lParam);
            if (IsInside(textRect_, lParam)) {
                ::SetFocus(Window());
                ::SetCapture(Window());
            }
            return 0;
        case WM_LBUTTONUP:
            Relay(message, wParam, lParam);
            if (::GetCapture() == Window()) {
                ::ReleaseCapture();
                if (IsInside(textRect_, lParam)) NotifyClickedIfEnabled();
            }
            return 0;
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
        case WM_MBUTTONDBLCLK:
            Relay(message, wParam, lParam);
            return 0;
        case BM_CLICK:
            // The dialog manager clicks a button for its mnemonic; the button's own click lands
            // at the client's corner, which need not be on the text.
            NotifyClickedIfEnabled();
            return 0;
        case WM_CHAR:
            if (wParam == VK_RETURN || wParam == VK_SPACE) {
                NotifyClickedIfEnabled();
                return 0;
            }
            break;
        case WM_KEYDOWN:
        case WM_KEYUP:
            // The button's own space handling would click a second time after WM_CHAR did.
            if (wParam == VK_SPACE) return 0;
            break;
        case WM_GETDLGCODE: {
            // Enter belongs to the link while it has the focus, not to the default button.
            LRESULT code = CallNext(message, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending && pending->message == WM_KEYDOWN && pending->wParam == VK_RETURN) code |= DLGC_WANTMESSAGE;
            return code;
        }
        case WM_SETCURSOR:
            if (LOWORD(lParam) == HTCLIENT) {
                POINT point{};
                ::GetCursorPos(&point);
                ::ScreenToClient(Window(), &point);
                if (::PtInRect(&textRect_, point)) {
                    ::SetCursor(cursor_);
                    return TRUE;
                }
            }
            break;
        case WM_SETTEXT: {
            LRESULT result = CallNext(message, wParam, lParam);
            text_ = WindowText(Window());
            MeasureText();
            InvalidateWithParent();
            return result;
        }
        case WM_SIZE:
            MeasureText();
            break;
        case WM_SETFOCUS:
        case WM_KILLFOCUS:
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:  // the high-contrast mode among them
            InvalidateWithParent();
            break;
        default:
            break;
    }
    if (KeepButtonOwnerDrawn(message, wParam)) return 0;
    return CallNext(message, wParam, lParam);
}

}  // namespace qm::controls
