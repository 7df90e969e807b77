// The wizard's second page (dialog 211): one worker thread per activation searches the scan
// roots with the file finder, one root after the other, and then looks where the targets of the
// broken shortcuts it found went (a last row of its own); the page lists the roots with their
// state, shows the folder being searched and a bar, and offers Stop. When the worker ends the
// wizard moves on to the results, unless the page was left meanwhile (Back stays on the folder
// page; Stop moves on).
//
// Threads: the page's window and controls belong to the user-interface thread. The worker
// changes them only by messages sent to them (so it goes on once they are carried out) and
// changes the wizard buttons and ends by posted ones, after its last write to the result store.
// Every wait of the user-interface thread for a worker keeps serving the messages sent to it, so
// a worker in the middle of a send always gets its answer.
#pragma once

#include "ui/PropertyPage.h"
#include "base/win/Handle.h"
#include "controls/SkinnedStatic.h"
#include "scan/FinderCallbacks.h"

#include <chrono>
#include <string>

namespace qm::scan {

// How often the worker refreshes the status line and the bar at most. Measured under Wine over
// the scan benchmark's tree, a message to the user-interface thread per folder made the whole
// scan many times slower than the search alone; once per screen frame or so costs nothing seen.
inline constexpr std::chrono::milliseconds kStatusRefreshInterval{15};

// Row states of the root list, also the rows' image indices.
enum class RootState { Waiting = 0, Scanning = 1, Done = 2, Failed = 3 };

class ScanPage : public ui::PropertyPage, private ScanContext {
public:
    ScanPage();
    ~ScanPage() override;

    // The status line and the bar are refreshed at most once per `interval` (the last folder
    // of each root and the final positions are always shown); zero refreshes at every folder.
    void SetRefreshInterval(std::chrono::milliseconds interval) { refreshInterval_ = interval; }
    // The worker started last (null before the first activation); it may have ended.
    HANDLE Worker() const { return worker_.Get(); }
    // Stops the running worker, if any, and waits for it while serving sent messages.
    void StopWorker();

    HWND ListWindow() const { return list_; }
    HWND StatusWindow() const { return status_; }
    HWND ProgressWindow() const { return progress_; }
    HWND StopButton() const { return stopButton_; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;

private:
    struct WorkerStart;
    static unsigned __stdcall WorkerMain(void* start);
    void StartWorker();
    void RunScan(unsigned number, IStream* finderStream, IStream* languageStream);
    void SuggestTargets(const host::FileFinderComponent& finder, const host::LanguageComponent& language);
    static int __cdecl OnSuggestProgress(LONG done, LONG total, void* context);
    void RequestStop(bool moveOnAfterwards);
    void OnScanEnded(unsigned number);

    // ScanContext, called by the callbacks on the worker.
    bool StopRequested() override;
    wizard::ResultStore& Store() override;
    void ShowFolder(const char* path, unsigned position) override;
    // Shows what ShowFolder left for later.
    void RefreshStatus();

    // Worker-side helpers: each sends messages to one control.
    int AddRow(const std::string& text) const;
    void SetRow(int row, RootState state, const std::string& text) const;
    void SetProgress(unsigned position) const;

    HWND list_ = nullptr;
    HWND progress_ = nullptr;
    HWND status_ = nullptr;
    HWND stopButton_ = nullptr;
    ImageListHandle images_;
    controls::SkinnedStatic heading_;
    KernelHandle worker_;

    // Guards the two flags below, for one read or write at a time.
    CriticalSection stopLock_;
    bool stopRequested_ = false;
    bool moveOnWhenDone_ = true;  // false once the page was left or the wizard is closing
    bool closing_ = false;        // user-interface thread only
    unsigned scanNumber_ = 0;     // of the worker started last; user-interface thread only

    // Worker only: the status refresh throttle.
    std::chrono::milliseconds refreshInterval_ = kStatusRefreshInterval;
    std::chrono::steady_clock::time_point lastRefresh_{};
    std::string pendingPath_;
    bool pathPending_ = false;
    unsigned pendingPosition_ = 0;
    bool positionPending_ = false;
};

// The widths of the root list's two columns (folder, state) on a page `pageWidth` pixels wide:
// two thirds and one third less 40, so no horizontal scroll bar shows.
struct RootColumns {
    int folder;
    int state;
};
RootColumns RootColumnWidths(int pageWidth);

// Whether a failure code of FindFiles says that the root itself cannot be searched (gone, not
// ready, denied) rather than that the component failed.
bool IsUnsearchableRoot(HRESULT code);

// Waits for `thread` to end while carrying out the messages other threads send to this one
// (posted messages stay queued). True when it ended.
bool WaitServingSentMessages(HANDLE thread);

}  // namespace qm::scan
