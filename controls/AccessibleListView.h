// Standard controls taken over for screen readers. A report-view list view reads as a list named
// by the label before it, its rows as list items named by their first column, ticked or not; a
// list that is taken over for more derives from it.
#pragma once

#include "controls/ControlHook.h"

#include <string>
#include <utility>

namespace qm::controls {

// A standard control with no label of its own (a progress bar), taken over so that screen
// readers read it with the name it is given, in its role.
class NamedForReaders : public ControlHook {
public:
    bool Attach(HWND control, long role, std::wstring name) {
        role_ = role;
        name_ = std::move(name);
        return Hook(control);
    }
    long AccessibleRole() const override { return role_; }
    std::wstring AccessibleName() const override { return name_; }

protected:
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        return CallNext(message, wParam, lParam);
    }

private:
    long role_ = 0;
    std::wstring name_;
};

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
