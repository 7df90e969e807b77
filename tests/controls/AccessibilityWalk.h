// Walks every visible control below a window as a screen reader sees it (MSAA, through
// AccessibleObjectFromWindow) and reports what a reader could not use: a control without a
// name, one whose role does not fit its kind, a list row whose tick reads otherwise than the
// list shows it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qm::testkit {

struct AccessibilityWalk {
    int controls = 0;  // controls read (pictures and separators are not)
    int rows = 0;      // list rows read
    std::vector<std::string> faults;
};

AccessibilityWalk WalkAccessibleControls(HWND root);

}  // namespace qm::testkit
