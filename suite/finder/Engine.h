// The search behind FileFinderComponent::FindFiles: walks a folder tree once, reads each
// shortcut file, asks the rule (BrokenRule.h) and reports through the caller's callbacks.
// One thread, the caller's: a read-ahead thread (shortcuts read while the next folder was
// listed) was measured under Wine and made the search slower, the wineserver being the
// bottleneck both threads wait on.
#pragma once

#include "suite/finder/FindOptions.h"
#include "suite/finder/ScanCache.h"
#include "suite/include/QuillSuite.h"

#include <cstdint>
#include <string>

namespace qm::finder {

struct FindRequest {
    std::string root;  // UTF-8
    FindOptions options;
    FinderCallback onFileFound = nullptr;
    void* fileContext = nullptr;
    FinderCallback onFolderEntered = nullptr;
    void* folderContext = nullptr;
};

struct FindStats {
    uint64_t folders = 0;      // folders entered (listed)
    uint64_t files = 0;        // non-folder entries seen
    uint64_t shortcuts = 0;    // files that held a readable shell link
    uint64_t reported = 0;     // calls of onFileFound
    uint64_t unlisted = 0;     // folders below the root that could not be listed
    ScanCache::Counters systemCalls;
};

struct FindResult {
    HRESULT code = S_OK;   // see FindOptions.h for the codes
    std::string message;   // for a failure: what went wrong, naming the folder (UTF-8)
    FindStats stats;
};

// Runs one search. `fileSystem` answers the rule's questions; null means the real system.
// Never throws except std::bad_alloc.
FindResult RunFind(const FindRequest& request, FileSystem* fileSystem = nullptr);

}  // namespace qm::finder
