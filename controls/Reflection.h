// Message reflection: a message a dialog or a wizard page receives about one of its controls
// (a command, a notification, owner drawing, a colour request) is sent back to that control
// with kReflectedMessageBase added, so a control that draws itself handles its own drawing.
#pragma once

#include <windows.h>

#include <optional>

namespace qm::controls {

// WM_DRAWITEM comes back to the control as kReflectedMessageBase + WM_DRAWITEM, and so on.
inline constexpr UINT kReflectedMessageBase = 0x2000;

// Sends `message`, received by `dialog`, back to the child control it concerns; the control's
// answer, or nullopt when the message concerns no child of `dialog`.
std::optional<LRESULT> ReflectToControl(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// What `dialog`'s procedure returns for `message` answered with `answer`: the answer itself for
// the messages that take it so (colours, item comparison, list keys), otherwise TRUE with the
// answer stored in DWLP_MSGRESULT.
INT_PTR DialogAnswer(HWND dialog, UINT message, LRESULT answer);

}  // namespace qm::controls
