// The system's high-contrast mode, for the controls that paint themselves: while it is on they
// draw in the system's colours, without gradients or pictures behind their text. The mode is
// asked at every paint; a window that hears the mode or the colours change (WM_SETTINGCHANGE,
// WM_SYSCOLORCHANGE: only top-level windows do) hands the news to its controls, which repaint.
#pragma once

#include <windows.h>

namespace qm::controls {

bool HighContrastOn();

// Where the answer comes from: SystemParametersInfo by default. Tests put their own in its
// place (Wine keeps the mode off whatever it is told); null restores the default. Returns the
// previous one.
using HighContrastQuery = bool (*)();
HighContrastQuery ReplaceHighContrastQuery(HighContrastQuery query);

// For a top-level window's procedure: hands WM_SETTINGCHANGE and WM_SYSCOLORCHANGE on to every
// window below it. Other messages are left alone.
void ForwardColourChanges(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace qm::controls
