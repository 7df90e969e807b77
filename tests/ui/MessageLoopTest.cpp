// The message loop's filters and idle handlers, and the application object's registries.
#include "ui/AppModule.h"
#include "ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace qm::ui {
namespace {

constexpr UINT kProbe = WM_APP + 1;

struct RecordingFilter : MessageFilter {
    RecordingFilter(std::string name, std::vector<std::string>& seen, bool consumes)
        : name(std::move(name)), seen(seen), consumes(consumes) {}
    bool PreTranslateMessage(MSG& message) override {
        if (message.message != kProbe) return false;
        seen.push_back(name);
        return consumes;
    }
    std::string name;
    std::vector<std::string>& seen;
    bool consumes;
};

struct CountingIdle : IdleHandler {
    void OnIdle() override { ++calls; }
    int calls = 0;
};

// A message-only window whose procedure records what was dispatched to it.
struct ProbeWindow {
    ProbeWindow() {
        WNDCLASSW type{};
        type.lpfnWndProc = &Proc;
        type.hInstance = ::GetModuleHandleW(nullptr);
        type.lpszClassName = L"QmProbeWindow";
        ::RegisterClassW(&type);
        window = ::CreateWindowW(L"QmProbeWindow", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance, nullptr);
    }
    ~ProbeWindow() { ::DestroyWindow(window); }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == kProbe) ++dispatched;
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
    HWND window;
    static inline int dispatched = 0;
};

TEST(MessageLoop, OffersMessagesToFiltersNewestFirstAndStopsAtTheFirstThatConsumes) {
    struct Case {
        bool olderConsumes, newerConsumes;
        std::vector<std::string> offered;
        int dispatched;
    } cases[] = {
        {false, false, {"newer", "older"}, 1},
        {true, false, {"newer", "older"}, 0},
        {false, true, {"newer"}, 0},
    };
    ProbeWindow probe;
    for (const Case& c : cases) {
        std::vector<std::string> seen;
        RecordingFilter older("older", seen, c.olderConsumes), newer("newer", seen, c.newerConsumes);
        MessageLoop loop;
        loop.AddMessageFilter(&older);
        loop.AddMessageFilter(&newer);
        ProbeWindow::dispatched = 0;
        ::PostMessageW(probe.window, kProbe, 0, 0);
        ::PostQuitMessage(7);
        EXPECT_EQ(loop.Run(), 7);
        EXPECT_EQ(seen, c.offered);
        EXPECT_EQ(ProbeWindow::dispatched, c.dispatched);
    }
}

TEST(MessageLoop, RemovedFiltersAreNotOffered) {
    std::vector<std::string> seen;
    RecordingFilter filter("gone", seen, true);
    MessageLoop loop;
    loop.AddMessageFilter(&filter);
    loop.RemoveMessageFilter(&filter);
    ProbeWindow probe;
    ::PostMessageW(probe.window, kProbe, 0, 0);
    ::PostQuitMessage(0);
    EXPECT_EQ(loop.Run(), 0);
    EXPECT_TRUE(seen.empty());
}

// Drives the loop from its idle passes: the first posts a message that counts as activity,
// the second ends the loop. A third pass would mean idle processing never went off.
struct ScriptedIdle : IdleHandler {
    explicit ScriptedIdle(HWND probe) : probe(probe) {}
    void OnIdle() override {
        ++calls;
        if (calls == 1) ::PostMessageW(probe, kProbe, 0, 0);
        if (calls == 2) ::PostQuitMessage(3);
    }
    HWND probe;
    int calls = 0;
};

TEST(MessageLoop, IdleHandlersRunInOrderOncePerQuietSpell) {
    ProbeWindow probe;
    ScriptedIdle script(probe.window);
    CountingIdle later;
    MessageLoop loop;
    loop.AddIdleHandler(&script);
    loop.AddIdleHandler(&later);
    EXPECT_EQ(loop.Run(), 3);
    EXPECT_EQ(script.calls, 2);
    EXPECT_EQ(later.calls, 2);
}

TEST(MessageLoop, MouseMovesPaintsAndTheCaretTimerAreNotActivity) {
    for (UINT message : {UINT{WM_MOUSEMOVE}, UINT{WM_NCMOUSEMOVE}, UINT{WM_PAINT}, UINT{0x0118}}) {
        MSG msg{};
        msg.message = message;
        EXPECT_FALSE(MessageLoop::IsIdleMessage(msg)) << message;
    }
    for (UINT message : {UINT{WM_KEYDOWN}, UINT{WM_LBUTTONDOWN}, UINT{WM_TIMER}, UINT{WM_COMMAND}}) {
        MSG msg{};
        msg.message = message;
        EXPECT_TRUE(MessageLoop::IsIdleMessage(msg)) << message;
    }
}

TEST(AppModule, KeepsOneLoopPerThread) {
    AppModule module;
    module.Init(::GetModuleHandleW(nullptr));
    EXPECT_EQ(module.MainThreadId(), ::GetCurrentThreadId());
    MessageLoop mine, other;
    EXPECT_TRUE(module.AddMessageLoop(&mine));
    EXPECT_FALSE(module.AddMessageLoop(&other));
    EXPECT_EQ(module.GetMessageLoop(), &mine);
    std::thread([&] {
        EXPECT_EQ(module.GetMessageLoop(), nullptr);
        EXPECT_TRUE(module.AddMessageLoop(&other));
        EXPECT_EQ(module.GetMessageLoop(), &other);
        module.RemoveMessageLoop();
    }).join();
    EXPECT_EQ(module.GetMessageLoop(), &mine);
    module.RemoveMessageLoop();
    EXPECT_EQ(module.GetMessageLoop(), nullptr);
    module.Term();
}

TEST(AppModule, HandOverGivesEachThreadItsOwnNewestObject) {
    AppModule module;
    int a = 0, b = 0, c = 0;
    module.AddWindowBeingCreated(&a);
    module.AddWindowBeingCreated(&b);
    std::thread([&] {
        module.AddWindowBeingCreated(&c);
        EXPECT_EQ(module.TakeWindowBeingCreated(), &c);
        EXPECT_EQ(module.TakeWindowBeingCreated(), nullptr);  // not the main thread's entries
    }).join();
    EXPECT_EQ(module.TakeWindowBeingCreated(), &b);
    EXPECT_EQ(module.TakeWindowBeingCreated(), &a);
    EXPECT_EQ(module.TakeWindowBeingCreated(), nullptr);
}

}  // namespace
}  // namespace qm::ui
