// The one running copy of the program in this session. A named mutex marks it, and a small
// named shared block beside the mutex holds that copy's process id, so that a second start (from
// the same folder or from another copy of the program) can bring the running copy's window to
// the front instead of ending without a word.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

namespace qm::app {

// Name of the mutex that marks a running copy.
inline constexpr wchar_t kSingleInstanceMutexName[] = L"{284E106C-AFA2-424f-B583-B383A444430A}";

class RunningInstance {
public:
    // Takes the mark for this process, for as long as the object lives. False when another copy
    // holds it; true too when no mutex can be made at all: the program then runs unguarded.
    bool Claim();

private:
    KernelHandle mutex_;
    KernelHandle processId_;  // the shared block naming this process
};

// Brings the window of the copy that holds the mark to the front, restored when minimised (or
// the dialog it shows in front of that window). A copy that is still starting is given a few
// seconds to show one. False when no window turned up.
bool ShowRunningInstance();

}  // namespace qm::app
