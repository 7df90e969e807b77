// The main thread's message loop with message filters (dialog keyboard handling of modeless
// windows) and idle handlers.
#pragma once

#include <windows.h>

#include <vector>

namespace qm::ui {

class MessageFilter {
public:
    // True when the message was consumed and must not be dispatched.
    virtual bool PreTranslateMessage(MSG& message) = 0;

protected:
    ~MessageFilter() = default;
};

class IdleHandler {
public:
    // Called once when the queue runs empty after a message that counts as activity.
    virtual void OnIdle() = 0;

protected:
    ~IdleHandler() = default;
};

class MessageLoop {
public:
    // Filters are offered a message newest first; idle handlers run in registration order.
    void AddMessageFilter(MessageFilter* filter);
    void RemoveMessageFilter(MessageFilter* filter);
    void AddIdleHandler(IdleHandler* handler);
    void RemoveIdleHandler(IdleHandler* handler);

    // Runs until the quit message and returns its code.
    int Run();

    // Mouse moves, paints and the caret-blink timer do not switch idle processing back on.
    static bool IsIdleMessage(const MSG& message);

    const MSG& LastMessage() const { return last_; }

private:
    // One idle pass; answers whether more idle passes are wanted (never: one pass is enough).
    bool OnIdle(int idleCount);

    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    MSG last_{};
};

}  // namespace qm::ui
