#include "base/win/WindowTree.h"

namespace qm {

std::vector<HWND> WindowAndDescendants(HWND window) {
    std::vector<HWND> windows{window};
    ::EnumChildWindows(window, [](HWND child, LPARAM list) -> BOOL {
        try {
            reinterpret_cast<std::vector<HWND>*>(list)->push_back(child);
            return TRUE;
        } catch (...) {
            return FALSE;  // out of memory: the windows listed so far
        }
    }, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace qm
