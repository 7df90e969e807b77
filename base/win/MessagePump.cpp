#include "base/win/MessagePump.h"

namespace qm {

bool PumpMessagesUntil(const std::function<bool()>& done, HANDLE wakeOn) {
    const DWORD handles = wakeOn ? 1 : 0;
    for (;;) {
        if (done()) return true;
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(handles, wakeOn ? &wakeOn : nullptr, 100, QS_ALLINPUT,
                                                          MWMO_INPUTAVAILABLE);
        if (woken == WAIT_TIMEOUT || (handles && woken == WAIT_OBJECT_0)) continue;
        if (woken != WAIT_OBJECT_0 + handles) return false;
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

}  // namespace qm
