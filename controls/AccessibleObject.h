// What a screen reader learns of a control through MSAA: the name and role it shows, and of a
// list its rows with their ticks. A control answers WM_GETOBJECT with an object that takes
// these from the control and everything else (place, focus, neighbours, keyboard shortcut)
// from the system's own object for the window, so a self-painted static reads as text and an
// owner-drawn link as a link.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

namespace qm::controls {

class AccessibleFacts {
public:
    virtual ~AccessibleFacts() = default;
    // ROLE_SYSTEM_*; 0 leaves the control to the system's object alone.
    virtual long AccessibleRole() const { return 0; }
    // Empty: the system's object names it.
    virtual std::wstring AccessibleName() const { return {}; }
    // Items 1 to the count (a list's rows): simple elements of this object; -1: the control has
    // no items of its own (the system's object tells its children).
    virtual int AccessibleItemCount() const { return -1; }
    virtual std::wstring AccessibleItemName(int) const { return {}; }
    virtual long AccessibleItemRole(int) const { return 0; }
    virtual long AccessibleItemState(int) const { return 0; }
    virtual bool AccessibleItemPlace(int, RECT&) const { return false; }  // screen coordinates
};

// The control's facts for as long as it is there: the control empties the pointer when it
// goes, and an object a reader still holds then answers that it is disconnected.
using AccessibleLink = std::shared_ptr<const AccessibleFacts*>;

// The answer to WM_GETOBJECT for the client object (OBJID_CLIENT); 0 when it cannot be made.
LRESULT ServeAccessibleObject(HWND window, WPARAM wParam, const AccessibleLink& facts);

// "&Delete" reads "Delete"; "&&" is one ampersand.
std::wstring WithoutMnemonic(const std::wstring& text);

// The text of the label just before `control` (the static a dialog puts in front of a list or
// a tree), without its mnemonic; empty when there is none.
std::wstring LabelBefore(HWND control);

}  // namespace qm::controls
