#include "wizard/ScanRoots.h"

#include "base/win/MessagePump.h"

namespace qm::wizard {

void ScanRoots::SetReader(HANDLE thread) {
    reader_.Reset();
    if (!thread) return;
    HANDLE own = nullptr;
    if (::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &own, SYNCHRONIZE, FALSE, 0))
        reader_.Reset(own);
}

bool ScanRoots::ReaderRunning() const {
    return reader_ && ::WaitForSingleObject(reader_.Get(), 0) == WAIT_TIMEOUT;
}

bool WaitPumpingMessages(HANDLE thread) {
    return PumpMessagesUntil([thread] { return ::WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, thread);
}

}  // namespace qm::wizard
