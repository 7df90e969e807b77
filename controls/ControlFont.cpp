#include "controls/ControlFont.h"

#include <string>

namespace qm::controls {

LOGFONTW FontDescriptionOf(HWND window) {
    LOGFONTW description{};
    auto font = reinterpret_cast<HFONT>(window ? ::SendMessageW(window, WM_GETFONT, 0, 0) : 0);
    if (!font || ::GetObjectW(font, sizeof description, &description) != sizeof description)
        ::GetObjectW(::GetStockObject(DEFAULT_GUI_FONT), sizeof description, &description);
    return description;
}

LOGFONTW WithWeight(LOGFONTW description, LONG weight) noexcept {
    description.lfWeight = weight;
    return description;
}

LOGFONTW WithUnderline(LOGFONTW description) noexcept {
    description.lfUnderline = TRUE;
    return description;
}

GdiObject CreateFontFrom(const LOGFONTW& description) { return GdiObject(::CreateFontIndirectW(&description)); }

int TextHeightIn(HWND control, int width, const wchar_t* text) {
    std::wstring own;
    if (!text) {
        own.resize(static_cast<size_t>(::GetWindowTextLengthW(control)) + 1);
        own.resize(static_cast<size_t>(::GetWindowTextW(control, own.data(), static_cast<int>(own.size()))));
        text = own.c_str();
    }
    const auto font = reinterpret_cast<HGDIOBJ>(::SendMessageW(control, WM_GETFONT, 0, 0));
    const WindowDc dc(control);
    if (!dc.Get() || !font) return 0;
    const SelectObjectScope selected(dc.Get(), font);
    RECT needed{0, 0, width, 0};
    if (!::DrawTextW(dc.Get(), text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX)) return 0;
    return needed.bottom - needed.top;
}

}  // namespace qm::controls
