#include "ui/MessageLoop.h"

#include <algorithm>

namespace qm::ui {
namespace {

template <typename T>
void Remove(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

constexpr UINT kSystemTimer = 0x0118;

}  // namespace

void MessageLoop::AddMessageFilter(MessageFilter* filter) { filters_.push_back(filter); }
void MessageLoop::RemoveMessageFilter(MessageFilter* filter) { Remove(filters_, filter); }
void MessageLoop::AddIdleHandler(IdleHandler* handler) { idleHandlers_.push_back(handler); }
void MessageLoop::RemoveIdleHandler(IdleHandler* handler) { Remove(idleHandlers_, handler); }

bool MessageLoop::IsIdleMessage(const MSG& message) {
    switch (message.message) {
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
    case WM_PAINT:
    case kSystemTimer:
        return false;
    default:
        return true;
    }
}

bool MessageLoop::OnIdle(int /*idleCount*/) {
    // A copy: a handler may unregister itself.
    const std::vector<IdleHandler*> handlers = idleHandlers_;
    for (IdleHandler* handler : handlers) handler->OnIdle();
    return false;
}

int MessageLoop::Run() {
    bool doIdle = true;
    int idleCount = 0;
    for (;;) {
        while (doIdle && !::PeekMessageW(&last_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!OnIdle(idleCount++)) doIdle = false;
        }
        const BOOL got = ::GetMessageW(&last_, nullptr, 0, 0);
        if (got == -1) continue;
        if (got == 0) return static_cast<int>(last_.wParam);

        bool consumed = false;
        // A copy, newest first: a filter may unregister itself while it runs.
        const std::vector<MessageFilter*> filters(filters_.rbegin(), filters_.rend());
        for (MessageFilter* filter : filters) {
            if (filter->PreTranslateMessage(last_)) {
                consumed = true;
                break;
            }
        }
        if (!consumed) {
            ::TranslateMessage(&last_);
            ::DispatchMessageW(&last_);
        }
        if (IsIdleMessage(last_)) {
            doIdle = true;
            idleCount = 0;
        }
    }
}

}  // namespace qm::ui
