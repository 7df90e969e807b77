// The wizard sheet's private messages, here below the pages so that a page can send them without
// knowing the sheet.
#pragma once

#include <windows.h>

namespace qm::ui {

// Sent (not posted) to the sheet window to select the next page; answers 0 when it moved,
// -1 when the current page is already the last. In the WM_APP range: the sheet is a window of
// a system class, whose own messages (PSM_*, and DM_* of the dialog beneath) sit in WM_USER's
// range, and WM_APP is the range that no system class uses. Nothing stored depends on the value.
inline constexpr UINT WM_WIZARD_NEXT_PAGE = WM_APP + 1;

// Sent by a page (its window in wParam) as it becomes active: the sheet gives it the size of
// its page area, which grows with the sheet. A sheet that does not know it leaves the page be.
inline constexpr UINT WM_WIZARD_FIT_PAGE = WM_APP + 2;
static_assert(WM_WIZARD_NEXT_PAGE >= WM_APP && WM_WIZARD_FIT_PAGE <= 0xBFFF, "WM_APP to 0xBFFF: the program's own range");

}  // namespace qm::ui
