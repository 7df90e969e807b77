// The roots of the next scan (part of wizard/WizardState.h): written by the folder page on Next,
// read by the scan worker. No lock guards the list; instead the scan page names its worker
// thread here while it runs, and the folder page waits for that thread to end before it writes
// the list again.
#pragma once

#include "base/win/Handle.h"

#include <windows.h>

#include <string>
#include <vector>

namespace qm::wizard {

class ScanRoots {
public:
    // Drive roots keep their backslash ("C:\"), folders have none ("C:\Data").
    const std::vector<std::string>& Paths() const { return paths_; }
    void Replace(std::vector<std::string> paths) { paths_ = std::move(paths); }

    // The thread that reads the list from now on (the scan page's worker); the list keeps its own
    // handle to it. A null thread forgets the reader.
    void SetReader(HANDLE thread);
    // True while a reader is set and its thread has not ended.
    bool ReaderRunning() const;
    HANDLE Reader() const { return reader_.Get(); }

private:
    std::vector<std::string> paths_;
    KernelHandle reader_;
};

// Waits for `thread` to end while handling the calling thread's messages, so the windows stay
// alive. False when the wait ended because the message loop was asked to quit (the quit message
// is posted again for the outer loop) or the wait failed.
bool WaitPumpingMessages(HANDLE thread);

}  // namespace qm::wizard
