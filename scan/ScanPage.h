// The wizard's second page (dialog 211): one worker thread per activation searches the scan
// roots with the file finder, one root after the other, and then looks where the targets of the
// broken shortcuts it found went (a last row of its own); the page lists the roots with their
// state, shows the folder being searched and a bar, and offers Stop. When the worker ends the
// wizard moves on to the results, unless the page was left meanwhile (Back stays on the folder
// page; Stop moves on).
//
// Threads: the page's window and controls belong to the user-interface thread, and only that
// thread touches them. The worker writes what the page is to show (rows, status line, bar) into
// a shared ScanView and posts one message when none is on its way; the window then shows the
// newest view. So the worker never waits for the user-interface thread during a search: under
// Wine a message sent across threads per refresh cost a thread switch each, and on a busy
// machine a wait for the user-interface thread to be scheduled, which made the scan several
// times slower than the search alone. The worker ends by posting, after its last write to the
// result store. Every wait of the user-interface thread for a worker still serves the messages
// sent to it (a failure report, a component's own window), so no wait can deadlock.
#pragma once

#include "ui/PropertyPage.h"
#include "base/win/Handle.h"
#include "controls/AccessibleListView.h"
#include "controls/AnchoredLayout.h"
#include "controls/ListView.h"
#include "controls/SkinnedStatic.h"
#include "scan/FinderCallbacks.h"
#include "wizard/WizardState.h"

#include <chrono>
#include <string>
#include <vector>

namespace qm::scan {

// How often the worker hands a new status line and bar position to the window at most. Each
// refresh costs a repaint, and under Wine its calls to the server and the X server compete with
// the search's own file calls: measured over the scan benchmark's tree, a refresh every 15 ms
// made the scan up to a half slower than the search alone, one every 50 ms cost nothing seen,
// and twenty a second still read as a live display.
inline constexpr std::chrono::milliseconds kStatusRefreshInterval{50};

// Row states of the root list, also the rows' image indices.
enum class RootState { Waiting = 0, Scanning = 1, Done = 2, Failed = 3 };

// What the scan page shows: written by the worker, shown by the window.
struct ScanView {
    struct Row {
        std::string name;  // the root's path, or the name of the phase after the roots
        RootState state = RootState::Waiting;
        std::string text;
    };
    std::vector<Row> rows;
    std::string status;
    unsigned position = 0;
};

class ScanPage : public ui::PropertyPage, private ScanContext {
public:
    // Scans the roots of `state`, the wizard's, into its findings.
    explicit ScanPage(wizard::WizardState& state);
    ~ScanPage() override;

    // The status line and the bar are refreshed at most once per `interval` (the last folder
    // of each root and the final positions are always shown); zero refreshes at every folder.
    void SetRefreshInterval(std::chrono::milliseconds interval) { refreshInterval_ = interval; }
    // The worker started last (null before the first activation); it may have ended.
    HANDLE Worker() const { return worker_.Get(); }
    // Stops the running worker, if any, and waits for it while serving sent messages.
    void StopWorker();

    HWND ListWindow() const { return roots_.Window(); }
    HWND StatusWindow() const { return status_; }
    HWND ProgressWindow() const { return progress_; }
    HWND StopButton() const { return stopButton_; }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
    void LayOut(const RECT& client) override { layout_.Apply(client); }

private:
    struct WorkerStart;
    static unsigned __stdcall WorkerMain(void* start);
    void StartWorker();
    void RunScan(unsigned number, IStream* finderStream, IStream* languageStream);
    void SuggestTargets(const host::FileFinderComponent& finder, const host::LanguageComponent& language);
    static int __cdecl OnSuggestProgress(LONG done, LONG total, void* context);
    void RequestStop(bool moveOnAfterwards);
    void OnScanEnded(unsigned number);
    // The rows' state icons at the list's DPI.
    void SetRootStateImages();
    // Shows the newest view the worker handed over (user-interface thread).
    void ShowView();

    // ScanContext, called by the callbacks on the worker.
    bool StopRequested() override;
    wizard::ResultStore& Store() override;
    void ShowFolder(const char* path, unsigned position) override;

    // Worker only: change the worker's view and hand it to the window.
    size_t AddRow(std::string name);
    void SetRow(size_t row, RootState state, std::string text);
    // Hands the worker's view to the window and asks it to show it, unless it was asked already.
    void Publish();

    wizard::WizardState& state_;  // the wizard's
    controls::ListView roots_;
    controls::AccessibleListView rootsForReaders_;
    controls::NamedForReaders progressForReaders_;
    HWND progress_ = nullptr;
    HWND status_ = nullptr;
    HWND stopButton_ = nullptr;
    controls::SkinnedStatic heading_;
    controls::AnchoredLayout layout_;  // the list grows with the page, the bar and Stop keep to the bottom
    KernelHandle worker_;

    // Guards the two flags below, for one read or write at a time.
    CriticalSection stopLock_;
    bool stopRequested_ = false;
    bool moveOnWhenDone_ = true;  // false once the page was left or the wizard is closing
    bool closing_ = false;        // user-interface thread only
    unsigned scanNumber_ = 0;     // of the worker started last; user-interface thread only

    // The view handed over, and whether a message to show it is on its way.
    CriticalSection viewLock_;
    ScanView handedOver_;
    bool showPosted_ = false;
    ScanView shown_;  // user-interface thread only

    // Worker only: the view being written, and the status refresh throttle.
    ScanView working_;
    std::chrono::milliseconds refreshInterval_ = kStatusRefreshInterval;
    std::chrono::steady_clock::time_point lastRefresh_{};
};

// Whether a failure code of FindFiles says that the root itself cannot be searched (gone, not
// ready, denied) rather than that the component failed.
bool IsUnsearchableRoot(HRESULT code);

// Waits for `thread` to end while carrying out the messages other threads send to this one and
// painting this thread's windows (posted messages stay queued). True when it ended.
bool WaitServingSentMessages(HANDLE thread);

}  // namespace qm::scan
