// Texts the system holds, read the same way by the program and the components' DLL: the
// message of an error code and the text of a window.
#pragma once

#include <windows.h>

#include <string>

namespace qm {

// The system's message for `code` (a Win32 error or an HRESULT) without the line break and
// spaces it ends with; empty when the system has none.
std::wstring SystemMessage(DWORD code);

// The whole text of `window` (a control's caption); empty for none or a window that is gone.
std::wstring WindowText(HWND window);

}  // namespace qm
