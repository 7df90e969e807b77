// The file finder: searches a root folder and reports entries through the caller's callbacks;
// asked through its second interface, searches where broken shortcuts' targets went; through its
// third, judges shortcut files again; through its fourth, says what the last search covered.
#pragma once

#include "suite/components/ComObject.h"
#include "suite/include/QuillSuite.h"

namespace qm::suite {

class FileFinderComponent final : public ComObject<IFileFinderComponent, IMovedTargetFinder, IShortcutJudge, IFinderCoverage> {
public:
    // Every search keeps its state on the caller's stack, so any thread may call FindFiles at
    // once: the scan worker gets this object itself, not a proxy, when the main thread's
    // reference is marshalled to it (and the callbacks, plain function pointers, could not
    // cross a proxy anyway).
    FileFinderComponent() noexcept { OfferFreeThreadedMarshaling(); }

    STDMETHODIMP FindFiles(char* root, const char** includeMasks, LONG arg3, FinderCallback onFileFound,
                           void* fileContext, FinderCallback onFolderEntered, void* folderContext,
                           const char** excludeMasks, LONG arg9, LONG arg10, LONG arg11, LONG arg12,
                           LONG arg13, LONG arg14, LONG arg15, LONG arg16, LONG arg17) override;
    STDMETHODIMP SuggestTargets(const char** shortcutPaths, LONG count, MovedTargetCallback onReport,
                                MovedTargetProgress onProgress, void* context) override;
    STDMETHODIMP JudgeShortcuts(const char** shortcutPaths, LONG count, ShortcutJudgementCallback onReport,
                                void* context) override;
    STDMETHODIMP LastSearchCoverage(FinderCoverage* coverage) override;
};

}  // namespace qm::suite
