#include "controls/ControlFont.h"

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

}  // namespace qm::controls
