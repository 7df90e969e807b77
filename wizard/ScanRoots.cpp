#include "wizard/ScanRoots.h"

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

ScanRoots& TheScanRoots() {
    static ScanRoots roots;
    return roots;
}

bool WaitPumpingMessages(HANDLE thread) {
    for (;;) {
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1) return false;
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                ::PostQuitMessage(static_cast<int>(message.wParam));
                return false;
            }
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
}

}  // namespace qm::wizard
