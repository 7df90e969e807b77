#include "scan/FinderCallbacks.h"

#include "base/PathSplit.h"
#include "base/win/FileTimes.h"

#include <cstring>

namespace qm::scan {
namespace {

bool IsDotEntry(const char* name) {
    return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// Runs `body`; an exception is kept for the worker and stops the search.
template <typename Body>
int Guarded(ScanContext& scan, Body&& body) noexcept {
    try {
        return body();
    } catch (...) {
        scan.failure = std::current_exception();
        return 0;
    }
}

}  // namespace

int __cdecl OnFileFound(const char* path, const FinderReport* report, WIN32_FIND_DATAA findData, void* context) {
    ScanContext& scan = *static_cast<ScanContext*>(context);
    return Guarded(scan, [&] {
        if (scan.StopRequested()) return 0;
        const std::string_view full = path ? path : "";
        wizard::BrokenShortcut record;
        record.name = PathFileName(full);
        record.folder = PathFolder(full);
        // Older components may hand over a shorter report: read only what it holds.
        if (report && report->size >= sizeof(FinderReport)) {
            record.target = report->target ? report->target : "";
            record.reason = report->reason ? report->reason : "";
        }
        record.fileSize = JoinHalves(findData.nFileSizeHigh, findData.nFileSizeLow);
        record.fileWriteTime = FileTimeValue(findData.ftLastWriteTime);
        scan.Store().Append(std::move(record));
        return 1;
    });
}

int __cdecl OnFolderEntered(const char* path, const FinderReport*, WIN32_FIND_DATAA findData, void* context) {
    ScanContext& scan = *static_cast<ScanContext*>(context);
    return Guarded(scan, [&] {
        if (scan.StopRequested()) return 0;
        findData.cFileName[MAX_PATH - 1] = '\0';
        const char* shown = IsDotEntry(findData.cFileName) ? nullptr : (path ? path : "");
        ++scan.folderCount;
        scan.ShowFolder(shown, scan.folderCount > kProgressFolderLimit ? kProgressFolderLimit : scan.folderCount);
        return 1;
    });
}

}  // namespace qm::scan
