#include "tests/controls/AccessibilityWalk.h"

#include "base/Utf.h"
#include "base/win/SystemText.h"

#include <commctrl.h>
#include <oleacc.h>

#include <set>

namespace qm::testkit {

namespace {

std::wstring ClassOf(HWND window) {
    wchar_t name[64] = {};
    ::GetClassNameW(window, name, 64);
    return name;
}

// The roles a control of this kind may read as; empty: not read (a picture, a separator, a
// list's header, a line with nothing in it yet).
std::set<long> RolesFor(HWND control) {
    const std::wstring name = ClassOf(control);
    const auto style = static_cast<DWORD>(::GetWindowLongPtrW(control, GWL_STYLE));
    if (!::lstrcmpiW(name.c_str(), L"Static")) {
        if ((style & SS_TYPEMASK) > SS_RIGHT || ::GetWindowTextLengthW(control) == 0) return {};
        return {ROLE_SYSTEM_STATICTEXT};
    }
    if (!::lstrcmpiW(name.c_str(), L"Button")) {
        switch (style & BS_TYPEMASK) {
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE: return {ROLE_SYSTEM_CHECKBUTTON};
        case BS_GROUPBOX: return {ROLE_SYSTEM_GROUPING};
        case BS_OWNERDRAW: return {ROLE_SYSTEM_PUSHBUTTON, ROLE_SYSTEM_LINK};  // the self-painted ones
        default: return {ROLE_SYSTEM_PUSHBUTTON};
        }
    }
    if (name == WC_LISTVIEWW) return {ROLE_SYSTEM_LIST};
    if (name == WC_TREEVIEWW) return {ROLE_SYSTEM_OUTLINE};
    if (name == PROGRESS_CLASSW) return {ROLE_SYSTEM_PROGRESSBAR};
    if (!::lstrcmpiW(name.c_str(), L"Edit")) return {ROLE_SYSTEM_TEXT};
    return {};
}

// Whether the system's own objects read every control as a plain window (Wine's do): then a
// control that the program leaves to them passes on its name alone.
bool SystemObjectsAreGeneric() {
    static const bool generic = [] {
        HWND button = ::CreateWindowExW(0, L"BUTTON", L"x", WS_POPUP | BS_PUSHBUTTON, 0, 0, 10, 10, nullptr, nullptr,
                                        nullptr, nullptr);
        IAccessible* object = nullptr;
        long role = 0;
        if (SUCCEEDED(::AccessibleObjectFromWindow(button, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object)))) {
            VARIANT self{};
            self.vt = VT_I4;
            VARIANT answer{};
            if (SUCCEEDED(object->get_accRole(self, &answer)) && answer.vt == VT_I4) role = answer.lVal;
            object->Release();
        }
        ::DestroyWindow(button);
        return role == ROLE_SYSTEM_CLIENT;
    }();
    return generic;
}

std::wstring NameOf(IAccessible& object, long child) {
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    BSTR name = nullptr;
    std::wstring text;
    if (object.get_accName(id, &name) == S_OK && name) text = name;
    ::SysFreeString(name);
    return text;
}

long LongOf(IAccessible& object, long child, bool state) {
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    VARIANT answer{};
    const HRESULT result = state ? object.get_accState(id, &answer) : object.get_accRole(id, &answer);
    return SUCCEEDED(result) && answer.vt == VT_I4 ? answer.lVal : -1;
}

struct Walker {
    AccessibilityWalk walk;

    void Fault(HWND control, const std::string& what) {
        walk.faults.push_back(Narrow(ClassOf(control)) + " " + std::to_string(::GetDlgCtrlID(control)) + " \"" +
                              Narrow(WindowText(control)) + "\": " + what);
    }

    void Read(HWND control) {
        const std::set<long> roles = RolesFor(control);
        if (roles.empty()) return;
        IAccessible* object = nullptr;
        if (FAILED(::AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))) ||
            !object) {
            Fault(control, "no accessible object");
            return;
        }
        ++walk.controls;
        const long role = LongOf(*object, CHILDID_SELF, false);
        // The self-painted buttons are the program's own to answer for (the controls' tests check
        // each kind's role); a standard control under generic system objects reads as a window.
        const bool selfPainted = roles.count(ROLE_SYSTEM_LINK) != 0;
        if (!roles.count(role) && !(role == ROLE_SYSTEM_CLIENT && SystemObjectsAreGeneric() && !selfPainted))
            Fault(control, "reads as role " + std::to_string(role));
        if (NameOf(*object, CHILDID_SELF).empty()) Fault(control, "has no name");
        if (ClassOf(control) == WC_LISTVIEWW) ReadRows(control, *object);
        object->Release();
    }

    void ReadRows(HWND list, IAccessible& object) {
        long count = 0;
        object.get_accChildCount(&count);
        const int rows = ListView_GetItemCount(list);
        if (count != rows) Fault(list, std::to_string(count) + " items read for " + std::to_string(rows) + " rows");
        const bool ticks = (ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES) != 0;
        for (int row = 0; row < rows && row < count; ++row) {
            ++walk.rows;
            const std::string which = "row " + std::to_string(row);
            if (NameOf(object, row + 1).empty()) Fault(list, which + " has no name");
            if (LongOf(object, row + 1, false) != ROLE_SYSTEM_LISTITEM) Fault(list, which + " is no list item");
            const bool checked = (LongOf(object, row + 1, true) & STATE_SYSTEM_CHECKED) != 0;
            if (checked != (ticks && ListView_GetCheckState(list, row))) Fault(list, which + "'s tick reads otherwise");
        }
    }
};

}  // namespace

AccessibilityWalk WalkAccessibleControls(HWND root) {
    Walker walker;
    ::EnumChildWindows(
        root,
        [](HWND control, LPARAM context) -> BOOL {
            // The control's own visibility: a page the wizard has left is still read.
            if (::GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) reinterpret_cast<Walker*>(context)->Read(control);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&walker));
    return walker.walk;
}

}  // namespace qm::testkit
