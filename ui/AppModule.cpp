#include "ui/AppModule.h"

namespace qm::ui {

void AppModule::Init(HINSTANCE instance) {
    instance_ = instance;
    mainThreadId_ = ::GetCurrentThreadId();
}

void AppModule::Term() {
    {
        CriticalSectionLock lock(loopLock_);
        loops_.clear();
    }
    CriticalSectionLock lock(handOverLock_);
    handOver_.clear();
    handOver_.shrink_to_fit();
}

bool AppModule::AddMessageLoop(MessageLoop* loop) {
    CriticalSectionLock lock(loopLock_);
    return loops_.emplace(::GetCurrentThreadId(), loop).second;
}

void AppModule::RemoveMessageLoop() {
    CriticalSectionLock lock(loopLock_);
    loops_.erase(::GetCurrentThreadId());
}

MessageLoop* AppModule::GetMessageLoop(DWORD threadId) const {
    CriticalSectionLock lock(loopLock_);
    const auto found = loops_.find(threadId);
    return found == loops_.end() ? nullptr : found->second;
}

void AppModule::AddWindowBeingCreated(void* object) {
    CriticalSectionLock lock(handOverLock_);
    handOver_.push_back({::GetCurrentThreadId(), object});
}

void* AppModule::TakeWindowBeingCreated() {
    const DWORD thread = ::GetCurrentThreadId();
    CriticalSectionLock lock(handOverLock_);
    for (auto entry = handOver_.rbegin(); entry != handOver_.rend(); ++entry) {
        if (entry->threadId == thread) {
            void* object = entry->object;
            handOver_.erase(std::next(entry).base());
            return object;
        }
    }
    return nullptr;
}

AppModule& TheAppModule() {
    static AppModule module;
    return module;
}

}  // namespace qm::ui
