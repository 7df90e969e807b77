// What a screen reader reads of each self-painted control and of a list taken over for it
// (MSAA), and that an object a reader keeps answers "disconnected" once its control is gone.
#include "controls/AccessibleListView.h"
#include "controls/LinkButton.h"
#include "controls/SkinnedButton.h"
#include "controls/SkinnedStatic.h"

#include "tests/controls/AttachedControl.h"
#include "tests/controls/WindowTestKit.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <oleacc.h>

#include <functional>
#include <memory>

namespace qm::controls {
namespace {

using testkit::ParentWindow;

struct Reading {
    HRESULT result = E_FAIL;
    std::wstring name;
    long role = 0;
    long state = 0;
};

IAccessible* ObjectOf(HWND control) {
    IAccessible* object = nullptr;
    if (FAILED(::AccessibleObjectFromWindow(control, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
        return nullptr;
    return object;
}

Reading Read(IAccessible& object, long child = CHILDID_SELF) {
    VARIANT id{};
    id.vt = VT_I4;
    id.lVal = child;
    Reading reading;
    BSTR name = nullptr;
    reading.result = object.get_accName(id, &name);
    if (name) reading.name = name;
    ::SysFreeString(name);
    VARIANT role{}, state{};
    if (SUCCEEDED(object.get_accRole(id, &role)) && role.vt == VT_I4) reading.role = role.lVal;
    if (SUCCEEDED(object.get_accState(id, &state)) && state.vt == VT_I4) reading.state = state.lVal;
    return reading;
}

TEST(Accessible, SelfPaintedControlsReadAsWhatTheyShow) {
    struct Case {
        const char* name;
        const wchar_t* windowClass;
        const wchar_t* text;
        AttachFn attach;
        long role;
        const wchar_t* read;
    } cases[] = {
        {"heading", L"STATIC", L"&Folders:", Attached<SkinnedStatic>(), ROLE_SYSTEM_STATICTEXT, L"Folders:"},
        {"banner drawing its ampersand", L"STATIC", L"Tom & Jerry",
         Attached<SkinnedStatic>([](SkinnedStatic& c) { c.noPrefix = true; }), ROLE_SYSTEM_STATICTEXT, L"Tom & Jerry"},
        {"icon button", L"BUTTON", L"&Help", Attached<SkinnedButton>(), ROLE_SYSTEM_PUSHBUTTON, L"Help"},
        {"link", L"BUTTON", L"&Write to us && more", Attached<LinkButton>(), ROLE_SYSTEM_LINK, L"Write to us & more"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ParentWindow parent(300, 100, true);
        HWND window = parent.AddChild(c.windowClass, c.text, 1000, 0, 0, 0, 200, 30);
        std::unique_ptr<ControlHook> control = c.attach(window);
        IAccessible* object = ObjectOf(window);
        ASSERT_NE(object, nullptr);
        const Reading reading = Read(*object);
        EXPECT_EQ(reading.name, c.read);
        EXPECT_EQ(reading.role, c.role);
        // A reader that keeps the object past the control is told it is gone, not misled.
        ::DestroyWindow(window);
        EXPECT_EQ(Read(*object).result, RPC_E_DISCONNECTED);
        object->Release();
    }
}

TEST(Accessible, ListReadsItsLabelAndEachRowWithItsTick) {
    ParentWindow parent(400, 300, true);
    parent.AddChild(L"STATIC", L"&Shortcuts:", -1, SS_LEFT, 0, 0, 200, 20);
    HWND window = parent.AddChild(WC_LISTVIEWW, L"", 1001, LVS_REPORT, 0, 20, 300, 200);
    ListView_SetExtendedListViewStyle(window, LVS_EX_CHECKBOXES);
    LVCOLUMNW column{};
    column.mask = LVCF_WIDTH;
    column.cx = 200;
    ListView_InsertColumn(window, 0, &column);
    for (const wchar_t* text : {L"a.lnk", L"b.lnk", L"c.lnk"}) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = ListView_GetItemCount(window);
        item.pszText = const_cast<wchar_t*>(text);
        ListView_InsertItem(window, &item);
    }
    ListView_SetCheckState(window, 1, TRUE);
    AccessibleListView list;
    ASSERT_TRUE(list.Attach(window));
    IAccessible* object = ObjectOf(window);
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(Read(*object).name, L"Shortcuts:");
    EXPECT_EQ(Read(*object).role, ROLE_SYSTEM_LIST);
    long count = 0;
    EXPECT_EQ(object->get_accChildCount(&count), S_OK);
    EXPECT_EQ(count, 3);
    const struct {
        long child;
        const wchar_t* name;
        bool ticked;
    } rows[] = {{1, L"a.lnk", false}, {2, L"b.lnk", true}, {3, L"c.lnk", false}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.child);
        const Reading reading = Read(*object, row.child);
        EXPECT_EQ(reading.name, row.name);
        EXPECT_EQ(reading.role, ROLE_SYSTEM_LISTITEM);
        EXPECT_EQ((reading.state & STATE_SYSTEM_CHECKED) != 0, row.ticked);
    }
    ListView_SetCheckState(window, 1, FALSE);
    EXPECT_EQ(Read(*object, 2).state & STATE_SYSTEM_CHECKED, 0) << "the tick is read as it is now";
    object->Release();
}

}  // namespace
}  // namespace qm::controls
