#include "scan/ScanPage.h"

#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "ui/WizardMessages.h"
#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "help/HelpMenu.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/ScanPage.h"
#include "wizard/WizardState.h"

#include <oleacc.h>
#include <process.h>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

namespace qm::scan {
namespace {

constexpr COLORREF kHeadingColour = RGB(50, 100, 150);
// Posted by the worker to the page as its last act, with the scan's number: the page decides on
// the user-interface thread whether the wizard moves on, so that decision never races with
// closing the wizard or a newer scan, and no wait for a worker can ever wait on itself.
constexpr UINT kScanEnded = WM_APP + 0x51;
// Posted by the worker when it handed over a new view and no such message was on its way.
constexpr UINT kShowView = WM_APP + 0x52;

host::ComponentError MarshalError(HRESULT code) {
    return host::ComponentError(code, "A host component could not be handed to the scan's thread.");
}

// The worker's own reference to an interface that the user-interface thread created. The
// components aggregate the free-threaded marshaler, so this is the object itself, not a proxy
// (no proxy for these interfaces exists, and raw callback pointers could not cross one).
template <typename Interface>
host::ComPtr<Interface> Unmarshal(IStream* stream) {
    host::ComPtr<Interface> object;
    const HRESULT result = ::CoGetInterfaceAndReleaseStream(stream, __uuidof(Interface),
                                                             reinterpret_cast<void**>(object.GetAddressOf()));
    if (FAILED(result)) throw MarshalError(result);
    return object;
}

template <typename Interface>
host::ComPtr<IStream> Marshal(Interface* object) {
    host::ComPtr<IStream> stream;
    if (!object) throw host::ComponentError(E_POINTER, "A host component was used before it was created.");
    const HRESULT result = ::CoMarshalInterThreadInterfaceInStream(__uuidof(Interface), object, stream.GetAddressOf());
    if (FAILED(result)) throw MarshalError(result);
    return stream;
}

// The widths of the root list's two columns (folder, state) on a page `pageWidth` pixels wide:
// two thirds and one third less 40, so no horizontal scroll bar shows.
struct RootColumns {
    int folder;
    int state;
};
RootColumns RootColumnWidths(int pageWidth) { return {2 * (pageWidth / 3), pageWidth / 3 - 40}; }

}  // namespace

bool IsUnsearchableRoot(HRESULT code) {
    if (HRESULT_FACILITY(code) != FACILITY_WIN32 || SUCCEEDED(code)) return false;
    switch (HRESULT_CODE(code)) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_ACCESS_DENIED:
    case ERROR_INVALID_DRIVE:
    case ERROR_NOT_READY:
    case ERROR_DIRECTORY:
    case ERROR_INVALID_NAME:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNRECOGNIZED_VOLUME:
    case ERROR_NO_MEDIA_IN_DRIVE:
    case ERROR_MEDIA_CHANGED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOGON_FAILURE:
        return true;
    default:
        return false;
    }
}

bool WaitServingSentMessages(HANDLE thread) {
    for (;;) {
        // Woken at least every 100 ms: the queue is looked at, so the system never takes the
        // windows for hung while a worker on a slow drive takes its time to end.
        const DWORD woken = ::MsgWaitForMultipleObjectsEx(1, &thread, 100, QS_SENDMESSAGE | QS_PAINT, 0);
        if (woken == WAIT_OBJECT_0) return true;
        if (woken != WAIT_OBJECT_0 + 1 && woken != WAIT_TIMEOUT) return false;
        MSG message;
        // Carries out the sent messages; nothing posted is taken from the queue.
        ::PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        // And paints what needs it (a bounded number per wake, should a window never validate itself).
        for (int painted = 0; painted < 64 && ::PeekMessageW(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE | PM_QS_PAINT);
             ++painted)
            ::DispatchMessageW(&message);
    }
}

ScanPage::ScanPage(wizard::WizardState& state)
    : PropertyPage(IDD_SCAN_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true), state_(state) {}

ScanPage::~ScanPage() {
    // The window normally went first (WM_DESTROY waited already); this covers a page whose
    // window was never made or whose sheet was torn down otherwise.
    closing_ = true;
    StopWorker();
}

BOOL ScanPage::OnInitDialog() {
    HWND page = Window();
    host::TheComponents().language.TranslateWindow(page);
    heading_.Attach(::GetDlgItem(page, IDC_SCAN_HEADING));
    heading_.textColour = kHeadingColour;

    progress_ = ::GetDlgItem(page, IDC_SCAN_PROGRESS);
    ::SendMessageW(progress_, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressEnd));
    // Read as the search's progress: the bar has no label, the page's heading says what it is.
    progressForReaders_.Attach(progress_, ROLE_SYSTEM_PROGRESSBAR, heading_.Text());

    roots_.Attach(::GetDlgItem(page, IDC_SCAN_ROOTS));
    rootsForReaders_.Attach(roots_.Window());
    roots_.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    SetRootStateImages();

    RECT rect{};
    ::GetWindowRect(page, &rect);
    const RootColumns widths = RootColumnWidths(rect.right - rect.left);
    roots_.InsertColumn(0, host::Text("_QM_013"), widths.folder);
    roots_.InsertColumn(1, host::Text("_QM_014"), widths.state);

    status_ = ::GetDlgItem(page, IDC_SCAN_STATUS);
    stopButton_ = ::GetDlgItem(page, IDC_SCAN_STOP);

    using namespace controls;
    layout_.Start(page);
    layout_.Add(IDC_SCAN_HEADING, kAnchorTopLeft | kAnchorRight);
    layout_.Add(IDC_SCAN_DESCRIPTION, kAnchorTopLeft | kAnchorRight);
    layout_.AddList(IDC_SCAN_ROOTS, kAnchorAll);
    for (int id : {IDC_SCAN_PROGRESS, IDC_SCAN_STATUS}) layout_.Add(id, kAnchorLeft | kAnchorRight | kAnchorBottom);
    layout_.Add(IDC_SCAN_STOP, kAnchorLeft | kAnchorBottom);
    return TRUE;
}

void ScanPage::SetRootStateImages() {
    const int size = ScaleToDpi(16, WindowDpi(roots_.Window()));
    const HIMAGELIST images = ::ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 0, 0);
    const HINSTANCE instance = ui::TheAppModule().Instance();
    for (int id : {IDI_ROOT_WAITING, IDI_ROOT_SCANNING, IDI_ROOT_DONE, IDI_ROOT_FAILED})
        ::ImageList_AddIcon(images, LoadIconAtSize(instance, id, size).Get());  // the list copies it
    roots_.SetSmallImages(images, controls::ImageListOwner::List);
}

bool ScanPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DPICHANGED_AFTERPARENT:
        SetRootStateImages();  // at the new monitor's size
        result = 0;
        return true;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_SCAN_STOP || HIWORD(wParam) != BN_CLICKED) return false;
        RequestStop(/*moveOnAfterwards=*/true);
        ::EnableWindow(stopButton_, FALSE);
        result = 0;
        return true;
    case kScanEnded:
        OnScanEnded(static_cast<unsigned>(wParam));
        result = 0;
        return true;
    case kShowView:
        ShowView();
        result = 0;
        return true;
    case WM_DESTROY:
        // The sheet is going (Cancel, close box, Finish, end of the program): no worker may
        // outlive the page's windows or the components, which go next.
        closing_ = true;
        StopWorker();
        return false;
    default:
        return false;
    }
}

std::optional<LRESULT> ScanPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case static_cast<UINT>(PSN_SETACTIVE):
        SetWizardButtons(PSWIZB_BACK);
        StartWorker();
        return 0;
    case static_cast<UINT>(PSN_WIZBACK):
    case static_cast<UINT>(PSN_KILLACTIVE):
        // Left by Back (or moved on by the worker itself): the scan ends and the wizard stays
        // where the user went instead of moving on from there.
        RequestStop(/*moveOnAfterwards=*/false);
        return 0;
    case static_cast<UINT>(PSN_HELP):
        help::ShowHelpMenu(Window());
        return 0;
    default:
        return PropertyPage::OnSheetNotify(header);
    }
}

void ScanPage::RequestStop(bool moveOnAfterwards) {
    CriticalSectionLock lock(stopLock_);
    stopRequested_ = true;
    if (!moveOnAfterwards) moveOnWhenDone_ = false;
}

bool ScanPage::StopRequested() {
    CriticalSectionLock lock(stopLock_);
    return stopRequested_;
}

wizard::ResultStore& ScanPage::Store() { return state_.findings; }

void ScanPage::StopWorker() {
    if (!worker_) return;
    RequestStop(/*moveOnAfterwards=*/false);
    WaitServingSentMessages(worker_.Get());
    worker_.Reset();
}

struct ScanPage::WorkerStart {
    ScanPage* page;
    unsigned number;
    IStream* finder;    // owned until the worker unmarshals it
    IStream* language;  // likewise
};

void ScanPage::StartWorker() {
    // One worker at a time: a scan still running (the page was left and came back before it
    // ended) is stopped first, and its handle closed.
    StopWorker();
    {
        CriticalSectionLock lock(stopLock_);
        stopRequested_ = false;
        moveOnWhenDone_ = true;
    }
    ::EnableWindow(stopButton_, TRUE);
    ++scanNumber_;

    const host::Components& components = host::TheComponents();
    host::ComPtr<IStream> finder = Marshal(components.finder.Get());
    host::ComPtr<IStream> language = Marshal(components.language.Get());
    auto* start = new WorkerStart{this, scanNumber_, finder.Get(), language.Get()};
    const uintptr_t thread = ::_beginthreadex(nullptr, 0, &ScanPage::WorkerMain, start, 0, nullptr);
    if (thread == 0) {
        delete start;
        throw std::runtime_error("The scan could not be started: no thread could be created.");
    }
    finder.Detach();
    language.Detach();
    worker_.Reset(reinterpret_cast<HANDLE>(thread));
    state_.roots.SetReader(worker_.Get());
}

unsigned __stdcall ScanPage::WorkerMain(void* argument) {
    const WorkerStart start = *static_cast<WorkerStart*>(argument);
    delete static_cast<WorkerStart*>(argument);
    start.page->RunScan(start.number, start.finder, start.language);
    return 0;
}

void ScanPage::RunScan(unsigned number, IStream* finderStream, IStream* languageStream) {
    ComApartment apartment;
    try {
        if (FAILED(apartment.Result())) {
            finderStream->Release();
            languageStream->Release();
            throw host::ComponentError(apartment.Result(), "COM could not be initialised for the scan.");
        }
        // Both streams are released here whatever happens to the first.
        host::ComPtr<IFileFinderComponent> finderObject;
        host::ComPtr<ILanguageComponent> languageObject;
        try {
            finderObject = Unmarshal<IFileFinderComponent>(finderStream);
        } catch (...) {
            languageStream->Release();
            throw;
        }
        languageObject = Unmarshal<ILanguageComponent>(languageStream);
        const host::FileFinderComponent finder(std::move(finderObject));
        const host::LanguageComponent language(std::move(languageObject));

        failure = nullptr;
        lastRefresh_ = {};
        // ScanRoots does not change while this thread is its reader.
        working_ = {};
        for (const std::string& root : state_.roots.Paths()) working_.rows.push_back({root, RootState::Waiting, {}});
        state_.findings.Clear();
        Publish();

        const size_t roots = working_.rows.size();
        wizard::ScanCoverage coverage;
        const auto noteCoverage = [&] {
            // Without the finder's own counts, the folders it reported stand in for them.
            const std::optional<host::FileFinderComponent::Coverage> searched = finder.LastSearchCoverage();
            coverage.folders += searched ? searched->folders : folderCount;
            if (searched && coverage.shortcuts) *coverage.shortcuts += searched->shortcuts;
            else coverage.shortcuts.reset();
        };
        for (size_t i = 0; i < roots; ++i) {
            working_.position = 0;
            folderCount = 0;
            SetRow(i, RootState::Scanning, language.GetText("_QM_015"));
            if (StopRequested()) break;
            try {
                finder.FindBrokenShortcuts(working_.rows[i].name, &OnFileFound, &OnFolderEntered,
                                           static_cast<ScanContext*>(this));
            } catch (const host::ComponentError& error) {
                if (failure || !IsUnsearchableRoot(error.Code())) throw;
                // A root gone since it was ticked (unplugged, removed, no access): say so on
                // its row and go on with the next one.
                SetRow(i, RootState::Failed, language.GetText("_QM_RootFailed") + " " + error.Message());
                continue;
            }
            if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
            noteCoverage();
            if (StopRequested()) break;
            // The root's last folder stays in the status line, whatever the throttle held back.
            working_.position = kProgressEnd;
            SetRow(i, RootState::Done, language.GetText("_QM_016"));
        }
        state_.findings.SetCoverage(coverage);
        // Every row ends done, also after a stop and for roots never searched; failed ones
        // keep their own state.
        const std::string done = language.GetText("_QM_016");
        for (ScanView::Row& row : working_.rows) {
            if (row.state != RootState::Failed) {
                row.state = RootState::Done;
                row.text = done;
            }
        }
        working_.position = kProgressEnd;
        Publish();
        SuggestTargets(finder, language);
    } catch (...) {
        // The worker has no user interface of its own: the failure goes to the program's
        // top-level handler, which ends the main loop and shows it.
        const ui::FatalError error = ui::FatalErrorFromCurrentException();
        ui::ReportFatalError(error.code, error.message);
        return;
    }
    // The last write to the store is done: the results page may read it from now on.
    ::PostMessageW(Window(), kScanEnded, number, 0);
}

// Where the recorded shortcuts' targets went, written into their records. Skipped after a stop;
// a stop during it moves on with records that suggest nothing. Its failure loses nothing of the
// scan, so it only marks its row.
void ScanPage::SuggestTargets(const host::FileFinderComponent& finder, const host::LanguageComponent& language) {
    wizard::ResultStore& store = state_.findings;
    if (store.Count() == 0 || StopRequested()) return;
    const size_t row = AddRow(language.GetText("_QM_SugPhase"));
    working_.position = 0;
    SetRow(row, RootState::Scanning, language.GetText("_QM_015"));
    std::vector<std::string> paths;
    paths.reserve(store.Count());
    for (size_t i = 0; i < store.Count(); ++i) paths.push_back(store.At(i).Path());
    std::vector<host::MovedTarget> moved;
    HRESULT searched = S_OK;
    try {
        searched = finder.SuggestTargets(paths, moved, &ScanPage::OnSuggestProgress, this);
    } catch (const host::ComponentError& error) {
        if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
        SetRow(row, RootState::Failed, language.GetText("_QM_SugFailed") + " " + error.Message());
        return;
    }
    if (failure) std::rethrow_exception(std::exchange(failure, nullptr));
    for (size_t i = 0; i < moved.size() && i < store.Count(); ++i) {
        wizard::BrokenShortcut& record = store.At(i);
        host::MovedTarget& found = moved[i];
        record.goneKind = wizard::GoneKindOfName(found.goneKind);
        record.goneName = std::move(found.goneName);
        record.goneFolder = std::move(found.goneFolder);
        record.suggestion = std::move(found.suggestion);
        // A confidence without a suggestion would offer a repair to nowhere.
        record.confidence = record.suggestion.empty() ? wizard::Confidence::None : wizard::ConfidenceOfName(found.confidence);
        record.targetIsFolder = found.targetIsFolder;
    }
    working_.position = kProgressEnd;
    SetRow(row, RootState::Done, language.GetText(searched == S_OK ? "_QM_016" : "_QM_SugStopped"));
}

int __cdecl ScanPage::OnSuggestProgress(LONG done, LONG total, void* context) {
    ScanPage& page = *static_cast<ScanPage*>(context);
    // Nothing may unwind through the component: a failure is kept for the worker.
    try {
        if (page.StopRequested()) return 0;
        const unsigned position =
            total > 0 && done > 0 ? static_cast<unsigned>(static_cast<unsigned long long>(done) * kProgressEnd / total) : 0;
        page.ShowFolder(nullptr, position < kProgressEnd ? position : kProgressEnd);
        return 1;
    } catch (...) {
        page.failure = std::current_exception();
        return 0;
    }
}

void ScanPage::OnScanEnded(unsigned number) {
    // A message of an earlier scan moves nothing.
    if (number != scanNumber_) return;
    ShowView();
    ::EnableWindow(stopButton_, FALSE);
    bool moveOn;
    {
        CriticalSectionLock lock(stopLock_);
        moveOn = moveOnWhenDone_;
    }
    // Nor does the end of a scan that ended because the page was left.
    if (!moveOn || closing_) return;
    SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
    ::SendMessageW(Sheet(), ui::WM_WIZARD_NEXT_PAGE, 0, 0);
}

void ScanPage::ShowView() {
    ScanView next;
    {
        CriticalSectionLock lock(viewLock_);
        next = handedOver_;
        showPosted_ = false;
    }
    // The rows shown stay as long as the new view begins with them (a row added after the roots);
    // other rows (a new scan's roots) replace them.
    const auto sameName = [](const ScanView::Row& a, const ScanView::Row& b) { return a.name == b.name; };
    if (next.rows.size() < shown_.rows.size() ||
        !std::equal(shown_.rows.begin(), shown_.rows.end(), next.rows.begin(), sameName)) {
        roots_.DeleteAll();
        shown_.rows.clear();
    }
    for (size_t i = shown_.rows.size(); i < next.rows.size(); ++i) {
        roots_.InsertRow(static_cast<int>(i), next.rows[i].name, static_cast<int>(RootState::Waiting));
        shown_.rows.push_back({next.rows[i].name, RootState::Waiting, {}});
    }
    for (size_t i = 0; i < next.rows.size(); ++i) {
        const ScanView::Row& row = next.rows[i];
        if (row.state == shown_.rows[i].state && row.text == shown_.rows[i].text) continue;
        roots_.SetText(static_cast<int>(i), 1, row.text);
        roots_.SetImage(static_cast<int>(i), static_cast<int>(row.state));
    }
    if (next.status != shown_.status) ::SetWindowTextW(status_, Widen(next.status).c_str());
    if (next.position != shown_.position) ::SendMessageW(progress_, PBM_SETPOS, next.position, 0);
    shown_ = std::move(next);
}

void ScanPage::ShowFolder(const char* path, unsigned position) {
    if (path) working_.status.assign(path);
    working_.position = position;
    if (refreshInterval_.count() == 0) {
        Publish();
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (now - lastRefresh_ >= refreshInterval_) {
        lastRefresh_ = now;
        Publish();
    }
}

size_t ScanPage::AddRow(std::string name) {
    working_.rows.push_back({std::move(name), RootState::Waiting, {}});
    return working_.rows.size() - 1;
}

void ScanPage::SetRow(size_t row, RootState state, std::string text) {
    working_.rows[row].state = state;
    working_.rows[row].text = std::move(text);
    Publish();
}

void ScanPage::Publish() {
    bool posted;
    {
        CriticalSectionLock lock(viewLock_);
        handedOver_ = working_;
        posted = std::exchange(showPosted_, true);
    }
    if (!posted) ::PostMessageW(Window(), kShowView, 0, 0);
}

}  // namespace qm::scan
