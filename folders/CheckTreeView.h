// The folder page's tree-view control, taken over so that its ticks answer the mouse and the
// keyboard: a click on a node's state icon or the space bar on the selected node toggles it.
// What a toggle means is the owner's business.
#pragma once

#include "controls/ControlHook.h"

#include <windows.h>
#include <commctrl.h>

#include <functional>

namespace qm::folders {

class CheckTreeView : public controls::ControlHook {
public:
    bool Attach(HWND tree) { return Hook(tree); }
    std::function<void(HTREEITEM)> onToggle;

    // The tree's background, but the system's in high contrast (asked again when the mode or
    // the colours change).
    void SetBackground(COLORREF colour);

    // Screen readers read it as a tree named by the label before it.
    long AccessibleRole() const override;
    std::wstring AccessibleName() const override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    void ApplyBackground() const;

    COLORREF background_ = CLR_NONE;
};

}  // namespace qm::folders
