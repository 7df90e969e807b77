// A window and every window below it, listed once: for walks over a dialog's captions (the
// language component's translation, the program's built-in English for keys left over).
#pragma once

#include <windows.h>

#include <vector>

namespace qm {

// `window` first, then its descendants in the order the system lists them.
std::vector<HWND> WindowAndDescendants(HWND window);

}  // namespace qm
