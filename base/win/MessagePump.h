// Waits of the user-interface thread that keep its windows alive: the thread's messages are
// handled while it waits.
#pragma once

#include <windows.h>

#include <functional>

namespace qm {

// Handles the calling thread's messages until `done` holds. `done` is asked before the first
// wait, after each batch of messages, when `wakeOn` (if given) is signalled, and at least every
// 100 ms. False when the wait ended because the message loop was asked to quit (the quit message
// is posted again for the outer loop) or the wait failed.
bool PumpMessagesUntil(const std::function<bool()>& done, HANDLE wakeOn = nullptr);

}  // namespace qm
