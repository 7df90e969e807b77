// The dots per inch a window is drawn at, and pixel sizes scaled to them. The program is aware
// of each monitor's DPI (its manifest says so): every image it draws is made at the size for its
// window's DPI, so icons and tick boxes stay as sharp and as large beside the text at 150% and
// 200% as at 100%.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

namespace qm {

// The DPI at which 1 pixel is 1 pixel: sizes below are given for it.
inline constexpr UINT kBaseDpi = USER_DEFAULT_SCREEN_DPI;

// The window's DPI: its monitor's where the system tells (Windows 10 1607 and later), else the
// screen's; kBaseDpi for no window.
UINT WindowDpi(HWND window);

// `pixels` at kBaseDpi, scaled to `dpi` (rounded to the nearest pixel).
int ScaleToDpi(int pixels, UINT dpi);

// The icon resource `id` of `module` made at `pixels` square, from the icon's picture nearest
// that size (scaled where it has none of exactly that size). Null when there is no such icon.
IconHandle LoadIconAtSize(HINSTANCE module, int id, int pixels);

}  // namespace qm
