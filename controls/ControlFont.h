// Fonts the skinned controls derive from their dialog's font.
#pragma once

#include "base/win/Handle.h"

namespace qm::controls {

// The font description of the window's font (WM_GETFONT), or of the default GUI font when the
// window has none.
LOGFONTW FontDescriptionOf(HWND window);

// Copies of a font description with one property changed.
LOGFONTW WithWeight(LOGFONTW description, LONG weight) noexcept;
LOGFONTW WithUnderline(LOGFONTW description) noexcept;

GdiObject CreateFontFrom(const LOGFONTW& description);

// The height, in pixels, that a text takes in the control's font, wrapped at `width` as a static
// text wraps it; `text` null: the control's own text. 0 when it cannot be measured.
int TextHeightIn(HWND control, int width, const wchar_t* text = nullptr);

}  // namespace qm::controls
