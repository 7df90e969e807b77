// The two callbacks the file finder calls during a scan (both with the scan as their context),
// and what they need of the scan. They run on the scan worker inside FindFiles, one at a time.
#pragma once

#include "host/Components.h"
#include "wizard/ResultStore.h"

#include <exception>

namespace qm::scan {

// The progress bar runs from 0 to kProgressEnd for every root; the folders of a root move it by
// one each, up to kProgressFolderLimit, and the root's end sets kProgressEnd.
inline constexpr unsigned kProgressEnd = 8000;
inline constexpr unsigned kProgressFolderLimit = 7200;

// What the callbacks use of the running scan (the scan page implements it; tests fake it).
class ScanContext {
public:
    virtual bool StopRequested() = 0;
    virtual wizard::ResultStore& Store() = 0;
    // A folder was entered: show `path` in the status line (null leaves the status line as it
    // is) and the bar at `position`.
    virtual void ShowFolder(const char* path, unsigned position) = 0;

    // Folders reported since the current root began; the worker sets it to 0 before each root.
    unsigned folderCount = 0;
    // An exception a callback could not let through the component (nothing may unwind through
    // FindFiles): the callback answered 0 instead, and the worker rethrows it after the call.
    std::exception_ptr failure;

protected:
    ~ScanContext() = default;
};

// Records the reported file in the store as a BrokenShortcut: name and folder split from the
// path, target and reason from the report, the file's size and write time from its listing.
// Answers 0 (recording nothing) once a stop was asked.
int __cdecl OnFileFound(const char* path, const FinderReport* report, WIN32_FIND_DATAA findData, void* context);

// Moves the status line (not for "." and "..") and the bar. Answers 0 once a stop was asked.
int __cdecl OnFolderEntered(const char* path, const FinderReport* report, WIN32_FIND_DATAA findData, void* context);

}  // namespace qm::scan
