// A report-view list view taken over for screen readers: it reads as a list named by the label
// before it, its rows as list items named by their first column, ticked or not. A list that is
// taken over for more derives from this.
#pragma once

#include "controls/ControlHook.h"

namespace qm::controls {

class AccessibleListView : public ControlHook {
public:
    bool Attach(HWND list) { return Hook(list); }

    long AccessibleRole() const override;
    std::wstring AccessibleName() const override;
    int AccessibleItemCount() const override;
    std::wstring AccessibleItemName(int item) const override;
    long AccessibleItemRole(int item) const override;
    long AccessibleItemState(int item) const override;
    bool AccessibleItemPlace(int item, RECT& screen) const override;

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallNext(message, wParam, lParam);
    }
};

}  // namespace qm::controls
