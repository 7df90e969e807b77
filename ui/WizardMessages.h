// The wizard sheet's private message, here below the pages so that a page can send it without
// knowing the sheet.
#pragma once

#include <windows.h>

namespace qm::ui {

// Sent (not posted) to the sheet window to select the next page; answers 0 when it moved,
// -1 when the current page is already the last.
inline constexpr UINT WM_WIZARD_NEXT_PAGE = 0x23BB;

}  // namespace qm::ui
