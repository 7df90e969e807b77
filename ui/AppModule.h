// The process-wide application object: the instance handle (resources are loaded from it),
// the main thread, each thread's message loop, and the hand-over list that binds a window
// object to its window while the window is being created.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

#include <map>
#include <vector>

namespace qm::ui {

class MessageLoop;

class AppModule {
public:
    void Init(HINSTANCE instance);
    // Frees the registries; the module can be initialised again afterwards.
    void Term();

    HINSTANCE Instance() const { return instance_; }
    DWORD MainThreadId() const { return mainThreadId_; }

    // One loop per thread; false when the thread already has one.
    bool AddMessageLoop(MessageLoop* loop);
    void RemoveMessageLoop();
    MessageLoop* GetMessageLoop(DWORD threadId = ::GetCurrentThreadId()) const;

    // Hand-over: the creator adds the object before creating the window; the first callback
    // that sees the new window takes the newest entry of its own thread.
    void AddWindowBeingCreated(void* object);
    void* TakeWindowBeingCreated();

private:
    struct HandOver {
        DWORD threadId;
        void* object;
    };

    HINSTANCE instance_ = nullptr;
    DWORD mainThreadId_ = 0;
    mutable CriticalSection loopLock_;
    std::map<DWORD, MessageLoop*> loops_;
    CriticalSection handOverLock_;
    std::vector<HandOver> handOver_;
};

AppModule& TheAppModule();

}  // namespace qm::ui
