// Message reflection on a real dialog window: which messages go back to which control, and how
// the dialog procedure answers them.
#include "controls/Reflection.h"

#include "base/win/Handle.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <vector>

namespace qm::controls {
namespace {

struct Received {
    HWND window;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<Received> g_received;

constexpr LRESULT kControlAnswer = 42;

// Records every reflected message a control gets and answers it.
LRESULT CALLBACK RecordReflected(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message >= kReflectedMessageBase && message < kReflectedMessageBase + 0x400) {
        g_received.push_back({window, message, wParam, lParam});
        return kControlAnswer;
    }
    return ::DefSubclassProc(window, message, wParam, lParam);
}

struct DialogWithControl {
    WindowHandle dialog{::CreateWindowExW(0, WC_DIALOG, L"", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, nullptr, nullptr)};
    HWND control = ::CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 50, 20, dialog.Get(),
                                     reinterpret_cast<HMENU>(static_cast<INT_PTR>(7)), nullptr, nullptr);
    WindowHandle stranger{::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr)};
    DialogWithControl() {
        g_received.clear();
        ::SetWindowSubclass(control, &RecordReflected, 1, 0);
        ::SetWindowSubclass(stranger.Get(), &RecordReflected, 1, 0);
    }
};

TEST(Reflection, MessagesAboutAControlGoBackToItWithTheOffset) {
    DialogWithControl f;
    ASSERT_TRUE(f.dialog && f.control && f.stranger);
    const LPARAM control = reinterpret_cast<LPARAM>(f.control);
    EXPECT_EQ(ReflectToControl(f.dialog.Get(), WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), control), kControlAnswer);
    EXPECT_EQ(ReflectToControl(f.dialog.Get(), WM_CTLCOLORSTATIC, 0x1234, control), kControlAnswer);
    NMHDR header{f.control, 7, NM_CLICK};
    EXPECT_EQ(ReflectToControl(f.dialog.Get(), WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header)), kControlAnswer);
    DRAWITEMSTRUCT draw{};
    draw.CtlID = 7;
    draw.hwndItem = f.control;
    EXPECT_EQ(ReflectToControl(f.dialog.Get(), WM_DRAWITEM, 7, reinterpret_cast<LPARAM>(&draw)), kControlAnswer);
    MEASUREITEMSTRUCT measure{};
    measure.CtlID = 7;
    EXPECT_EQ(ReflectToControl(f.dialog.Get(), WM_MEASUREITEM, 7, reinterpret_cast<LPARAM>(&measure)), kControlAnswer);

    ASSERT_EQ(g_received.size(), 5u);
    EXPECT_EQ(g_received[0].message, 0x2000u + WM_COMMAND);
    EXPECT_EQ(g_received[0].wParam, MAKEWPARAM(7, BN_CLICKED));
    EXPECT_EQ(g_received[0].lParam, control);
    EXPECT_EQ(g_received[1].message, 0x2000u + WM_CTLCOLORSTATIC);
    EXPECT_EQ(g_received[1].wParam, 0x1234u);
    EXPECT_EQ(g_received[2].message, 0x2000u + WM_NOTIFY);
    EXPECT_EQ(g_received[3].message, 0x2000u + WM_DRAWITEM);
    EXPECT_EQ(g_received[4].message, 0x2000u + WM_MEASUREITEM);
    for (const Received& r : g_received) EXPECT_EQ(r.window, f.control);
}

TEST(Reflection, MessagesThatNameNoControlOfTheDialogStayWithIt) {
    DialogWithControl f;
    ASSERT_TRUE(f.dialog && f.control && f.stranger);
    struct Case {
        const char* what;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    DRAWITEMSTRUCT menuItem{};  // wParam 0: a menu item, hwndItem is a menu handle
    menuItem.hwndItem = f.control;
    const Case cases[] = {
        {"a menu command", WM_COMMAND, MAKEWPARAM(7, 0), 0},
        {"the dialog itself", WM_CTLCOLORDLG, 0, reinterpret_cast<LPARAM>(f.dialog.Get())},
        {"a window that is gone", WM_CTLCOLORSTATIC, 0, 0x7FF0},
        {"a menu drawn by its owner", WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&menuItem)},
        {"a message about no control", WM_SIZE, 0, reinterpret_cast<LPARAM>(f.control)},
    };
    for (const Case& c : cases) EXPECT_FALSE(ReflectToControl(f.dialog.Get(), c.message, c.wParam, c.lParam)) << c.what;
    EXPECT_TRUE(g_received.empty());
}

TEST(Reflection, TheDialogAnswersColoursDirectlyAndTheRestThroughItsResultSlot) {
    DialogWithControl f;
    ASSERT_TRUE(f.dialog);
    const struct {
        UINT message;
        bool direct;
    } cases[] = {{WM_CTLCOLORSTATIC, true}, {WM_CTLCOLORBTN, true}, {WM_COMPAREITEM, true}, {WM_VKEYTOITEM, true},
                 {WM_COMMAND, false},       {WM_NOTIFY, false},     {WM_DRAWITEM, false}};
    for (const auto& c : cases) {
        ::SetWindowLongPtrW(f.dialog.Get(), DWLP_MSGRESULT, 0);
        const INT_PTR returned = DialogAnswer(f.dialog.Get(), c.message, 77);
        EXPECT_EQ(returned, c.direct ? 77 : TRUE) << c.message;
        EXPECT_EQ(::GetWindowLongPtrW(f.dialog.Get(), DWLP_MSGRESULT), c.direct ? 0 : 77) << c.message;
    }
}

}  // namespace
}  // namespace qm::controls
