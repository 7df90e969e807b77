// The scan page in the program's real wizard sheet under Wine, beside the recording stand-in of
// the components' DLL (folder "app-double"), whose file finder plays the searches that each test
// scripts in config.ini. The test thread is the user-interface thread: it pumps messages while
// the page's worker searches, and reads the controls and calls.log.
#include "app/WizardSheet.h"
#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "base/Utf.h"
#include "host/Components.h"
#include "res/dialogs/ScanPage.h"
#include "scan/ScanPage.h"
#include "wizard/ResultStore.h"
#include "wizard/ScanRoots.h"
#include "tests/app/ProgramDriver.h"
#include "tests/controls/WindowTestKit.h"
#include "tests/results/DialogScript.h"

#include <gtest/gtest.h>
#include <commctrl.h>

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace qm::scan {
namespace {

using wizard::Confidence;
using wizard::GoneKind;
using wizard::BrokenShortcut;

using Clock = std::chrono::steady_clock;

constexpr int kFolderPage = 0, kScanPage = 1, kResultsPage = 2;

void PumpOnce() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;  // a reported failure asks the loop to end
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// Pumps until `done` holds; false after 30 s.
bool PumpUntil(const std::function<bool()>& done) {
    const auto end = Clock::now() + std::chrono::seconds(30);
    for (;;) {
        PumpOnce();
        if (done()) return true;
        if (Clock::now() > end) return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

class ScanPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static ComApartment apartment;
        ui::TheAppModule().Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        ASSERT_TRUE(test::WaitUntilNoInstanceRuns());
        ::DeleteFileW(Log().c_str());
        host::Components& c = host::TheComponents();
        ASSERT_TRUE(SUCCEEDED(host::ConfigComponent::Create(c.config)));
        ASSERT_TRUE(SUCCEEDED(host::LanguageComponent::Create(c.language)));
        ASSERT_TRUE(SUCCEEDED(host::XmlStoreComponent::Create(c.commonXml)));
        ASSERT_TRUE(SUCCEEDED(host::XmlStoreComponent::Create(c.moduleXml)));
        ASSERT_TRUE(SUCCEEDED(host::SkinComponent::Create(c.skin)));
        ASSERT_TRUE(SUCCEEDED(host::FileFinderComponent::Create(c.finder)));
    }

    void TearDown() override {
        sheet_.reset();
        PumpOnce();
        host::Components& c = host::TheComponents();
        c = host::Components{};
        while (ui::TakeFatalError()) {}
    }

    static std::wstring Log() { return test::TestFolder() + L"\\calls.log"; }

    // The searches of the stand-in's file finder, one script line per root; `control` goes into
    // the stand-in's own section.
    static void Script(const std::map<std::string, std::string>& roots, const std::string& control = "") {
        std::string ini = "[recording_double]\r\n" + control + "\r\n[recording_double_find]\r\n";
        for (const auto& [root, script] : roots) ini += root + "=" + script + "\r\n";
        test::WriteFile(test::TestFolder() + L"\\config.ini", ini);
    }

    // How often the search for moved targets was called.
    static int SuggestCalls() {
        int calls = 0;
        for (const std::string& line : test::Lines(test::ReadFile(Log())))
            if (line.find(".SuggestTargets(") != std::string::npos) ++calls;
        return calls;
    }

    // The roots FindFiles was called with, in order.
    static std::vector<std::string> SearchedRoots() {
        std::vector<std::string> roots;
        for (const std::string& line : test::Lines(test::ReadFile(Log()))) {
            const size_t at = line.find(".FindFiles(");
            if (at != std::string::npos) roots.push_back(line.substr(at + 11, line.size() - at - 12));
        }
        return roots;
    }

    void OpenWizard() {
        sheet_ = std::make_unique<app::WizardSheet>(nullptr);
        sheet_window_ = sheet_->Create();
        ASSERT_NE(sheet_window_, nullptr);
        ::ShowWindow(sheet_window_, SW_SHOWNA);
        PumpOnce();
    }

    // What the wizard's pages hand on, the wizard opened first.
    wizard::WizardState& State() {
        if (!sheet_) OpenWizard();
        return sheet_->State();
    }
    wizard::ResultStore& Findings() { return State().findings; }

    // Opens the wizard and shows the scan page with these roots, as Next on the folder page does.
    void StartScan(std::vector<std::string> roots) {
        State().roots.Replace(std::move(roots));
        ::SendMessageW(sheet_window_, PSM_SETCURSEL, kScanPage, 0);
    }

    int CurrentPage() const {
        HWND page = reinterpret_cast<HWND>(::SendMessageW(sheet_window_, PSM_GETCURRENTPAGEHWND, 0, 0));
        return static_cast<int>(::SendMessageW(sheet_window_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
    }
    HWND PageWindow() const {
        return reinterpret_cast<HWND>(::SendMessageW(sheet_window_, PSM_INDEXTOHWND, kScanPage, 0));
    }
    HWND Control(int id) const { return ::GetDlgItem(PageWindow(), id); }
    int Rows() const { return static_cast<int>(::SendMessageW(Control(IDC_SCAN_ROOTS), LVM_GETITEMCOUNT, 0, 0)); }
    std::string Cell(int row, int column) const {
        wchar_t text[1024] = {};
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text;
        item.cchTextMax = 1024;
        ::SendMessageW(Control(IDC_SCAN_ROOTS), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        return Narrow(text);
    }
    int Image(int row) const {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ::SendMessageW(Control(IDC_SCAN_ROOTS), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    int Progress() const { return static_cast<int>(::SendMessageW(Control(IDC_SCAN_PROGRESS), PBM_GETPOS, 0, 0)); }
    std::string Status() const { return Narrow(test::WindowText(Control(IDC_SCAN_STATUS))); }
    bool StopEnabled() const { return ::IsWindowEnabled(Control(IDC_SCAN_STOP)) != FALSE; }
    void ClickStop() const {
        ::SendMessageW(PageWindow(), WM_COMMAND, MAKEWPARAM(IDC_SCAN_STOP, BN_CLICKED),
                       reinterpret_cast<LPARAM>(Control(IDC_SCAN_STOP)));
    }
    // Every row done, with the done text.
    void ExpectAllDone() const {
        for (int row = 0; row < Rows(); ++row) {
            EXPECT_EQ(Cell(row, 1), "<_QM_016>") << row;
            EXPECT_EQ(Image(row), static_cast<int>(RootState::Done)) << row;
        }
    }
    // Waits for the worker to end and the wizard to settle.
    void WaitForTheEnd() {
        ASSERT_TRUE(PumpUntil([this] { return !State().roots.ReaderRunning(); })) << "the scan did not end";
        PumpOnce();
    }

    // A scan that found nothing hands on to the results page, which says so in a box: closed.
    test::DialogScript closeEveryBox_{{}};
    std::unique_ptr<app::WizardSheet> sheet_;
    HWND sheet_window_ = nullptr;
};

TEST_F(ScanPageTest, WithoutRootsTheWizardMovesOnWithAnEmptyStore) {
    Findings().Append({"stale.lnk", "C:", "", ""});
    StartScan({});
    WaitForTheEnd();
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(Rows(), 0);
    EXPECT_EQ(Progress(), 8000);
    EXPECT_EQ(Findings().Count(), 0u);
    EXPECT_TRUE(SearchedRoots().empty());
    EXPECT_FALSE(StopEnabled());
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, ACompleteScanRecordsEveryReportInOrderAndShowsEachRootsEnd) {
    // Root two's folders come faster than the status refresh: its last one is shown at its end.
    Script({{"C:\\one", "folders=3 found=2 dots checked=9"}, {"C:\\two", "folders=400 found=1"}});
    StartScan({"C:\\one", "C:\\two"});
    EXPECT_EQ(Rows(), 0) << "the rows are the worker's";
    WaitForTheEnd();
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(SearchedRoots(), (std::vector<std::string>{"C:\\one", "C:\\two"}));
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(0, 0), "C:\\one");
    EXPECT_EQ(Cell(1, 0), "C:\\two");
    EXPECT_EQ(Cell(2, 0), "<_QM_SugPhase>") << "the search for moved targets has the last row";
    ExpectAllDone();
    EXPECT_EQ(Progress(), 8000);
    EXPECT_EQ(Status(), "C:\\two\\f399") << "the last folder shown stays";
    ASSERT_EQ(Findings().Count(), 3u);
    const BrokenShortcut& first = Findings().At(0);
    EXPECT_EQ(first.folder, "C:\\one\\f0");
    EXPECT_EQ(first.name, "s0.lnk");
    EXPECT_EQ(first.target, "C:\\one\\gone0.exe");
    EXPECT_EQ(first.reason, "TargetMissing");
    EXPECT_EQ(Findings().At(1).folder, "C:\\one\\f1");
    EXPECT_EQ(Findings().At(2).folder, "C:\\two\\f0");
    // What the scan covered, as the finder counted it over both roots.
    EXPECT_EQ(Findings().Coverage().folders, 403u);
    EXPECT_EQ(Findings().Coverage().shortcuts, std::optional<std::uint64_t>(10));
    EXPECT_FALSE(ui::HasFatalError());

    // One search for moved targets over all three, its answers in the records of the same order.
    EXPECT_EQ(SuggestCalls(), 1);
    EXPECT_EQ(first.goneKind, GoneKind::ItemNotInFolder);
    EXPECT_EQ(first.goneName, "gone0.exe");
    EXPECT_EQ(first.goneFolder, "C:\\one\\f0\\old");
    EXPECT_EQ(first.suggestion, "C:\\one\\f0\\new\\gone0.exe");
    EXPECT_EQ(first.confidence, Confidence::Certain);
    EXPECT_FALSE(first.targetIsFolder);
    const BrokenShortcut& second = Findings().At(1);
    EXPECT_EQ(second.suggestion, "C:\\one\\f1\\new\\gone1.exe");
    EXPECT_EQ(second.confidence, Confidence::Possible);
    const BrokenShortcut& third = Findings().At(2);
    EXPECT_EQ(third.goneName, "gone2.exe");
    EXPECT_EQ(third.goneFolder, "C:\\two\\f0\\old");
    EXPECT_TRUE(third.targetIsFolder);
    EXPECT_EQ(third.suggestion, "");
    EXPECT_EQ(third.confidence, Confidence::None) << "no confidence in a suggestion that is not there";
}

TEST_F(ScanPageTest, StopDuringTheSearchForMovedTargetsMovesOnWithRecordsThatSuggestNothing) {
    Script({{"C:\\a", "found=2"}}, "suggest=endless");
    StartScan({"C:\\a"});
    ASSERT_TRUE(PumpUntil([&] { return Rows() == 2 && Cell(1, 1) == "<_QM_015>"; }));
    EXPECT_EQ(Cell(0, 1), "<_QM_016>") << "the root is done before the search for moved targets";
    EXPECT_EQ(Image(1), static_cast<int>(RootState::Scanning));
    EXPECT_TRUE(StopEnabled());
    ClickStop();
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError());
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(Cell(1, 1), "<_QM_SugStopped>");
    EXPECT_EQ(Image(1), static_cast<int>(RootState::Done));
    ASSERT_EQ(Findings().Count(), 2u);
    for (size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(Findings().At(i).suggestion, "") << i;
        EXPECT_EQ(Findings().At(i).confidence, Confidence::None) << i;
        EXPECT_EQ(Findings().At(i).goneKind, GoneKind::Unknown) << i;
    }
}

TEST_F(ScanPageTest, AFailedSearchForMovedTargetsMarksItsRowAndKeepsTheScansRecords) {
    Script({{"C:\\a", "found=2"}}, "fail=FileFinderComponent.SuggestTargets");
    StartScan({"C:\\a"});
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError()) << "the scan's records are worth more than the suggestions";
    EXPECT_EQ(CurrentPage(), kResultsPage);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Image(1), static_cast<int>(RootState::Failed));
    EXPECT_EQ(Cell(1, 1).rfind("<_QM_SugFailed> ", 0), 0u) << Cell(1, 1);
    ASSERT_EQ(Findings().Count(), 2u);
    EXPECT_EQ(Findings().At(1).suggestion, "");
}

TEST_F(ScanPageTest, StopInTheMiddleOfARootEndsTheScanAndMovesOnWithTheRecordsSoFar) {
    Script({{"C:\\a", "found=2"}, {"C:\\b", "found=1 endless"}, {"C:\\c", "found=4"}});
    StartScan({"C:\\a", "C:\\b", "C:\\c"});
    EXPECT_TRUE(StopEnabled());
    ASSERT_TRUE(PumpUntil([&] { return Rows() == 3 && Cell(1, 1) == "<_QM_015>" && Progress() > 50; }));
    EXPECT_EQ(Image(1), static_cast<int>(RootState::Scanning));
    EXPECT_EQ(Image(2), static_cast<int>(RootState::Waiting));
    EXPECT_EQ(Cell(2, 1), "");
    const std::string screenshot = Narrow(testkit::SaveWindowSnapshot(sheet_window_, L"ScanPage-during-scan"));
    if (!screenshot.empty()) std::printf("[ artifact ] %s\n", screenshot.c_str());

    ClickStop();
    EXPECT_FALSE(StopEnabled()) << "disabled at the moment it is pressed";
    WaitForTheEnd();
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(SearchedRoots(), (std::vector<std::string>{"C:\\a", "C:\\b"}));
    ExpectAllDone();
    EXPECT_EQ(Progress(), 8000);
    ASSERT_EQ(Findings().Count(), 3u);
    EXPECT_EQ(Findings().At(2).folder, "C:\\b\\f0");
    EXPECT_EQ(Rows(), 3) << "a stop skips the search for moved targets";
    EXPECT_EQ(SuggestCalls(), 0);
    EXPECT_FALSE(StopEnabled()) << "stays disabled after the scan";

    // The scan page as the scan left it, for a person to look at: shown over the results page.
    HWND results = reinterpret_cast<HWND>(::SendMessageW(sheet_window_, PSM_GETCURRENTPAGEHWND, 0, 0));
    ::ShowWindow(results, SW_HIDE);
    ::ShowWindow(PageWindow(), SW_SHOWNA);
    testkit::PumpUntilIdle();
    const std::string after = Narrow(testkit::SaveWindowSnapshot(sheet_window_, L"ScanPage-after-scan"));
    if (!after.empty()) std::printf("[ artifact ] %s\n", after.c_str());
    ::ShowWindow(PageWindow(), SW_HIDE);
    ::ShowWindow(results, SW_SHOW);

    // The next activation enables Stop again and scans afresh.
    ::SendMessageW(sheet_window_, PSM_SETCURSEL, kScanPage, 0);
    EXPECT_TRUE(StopEnabled());
    ClickStop();
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, TheWorkerNeverWaitsForTheWindowAndItsRefreshesDoNotPileUp) {
    // The page's window exists after a first scan; then a refresh at every folder.
    StartScan({});
    WaitForTheEnd();
    auto* page = dynamic_cast<ScanPage*>(reinterpret_cast<ui::PropertyPage*>(::GetWindowLongPtrW(PageWindow(), GWLP_USERDATA)));
    ASSERT_NE(page, nullptr);
    page->SetRefreshInterval(std::chrono::milliseconds(0));

    Script({{"C:\\a", "folders=20000 found=2"}, {"C:\\b", "folders=3"}});
    StartScan({"C:\\a", "C:\\b"});
    // This thread serves no message meanwhile: a worker that waited for it would never end.
    ASSERT_EQ(::WaitForSingleObject(State().roots.Reader(), 30000), WAIT_OBJECT_0) << "the worker waits for the window";
    // What it left to show is one message, whatever the number of folders, besides its end.
    int pageMessages = 0;
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.hwnd == PageWindow() && message.message >= WM_APP) ++pageMessages;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    EXPECT_LE(pageMessages, 2);
    WaitForTheEnd();
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(Status(), "C:\\b\\f2") << "the last folder of the last root";
    EXPECT_EQ(Progress(), 8000);
    ASSERT_EQ(Rows(), 3);
    EXPECT_EQ(Cell(2, 0), "<_QM_SugPhase>");
    ExpectAllDone();
    EXPECT_EQ(Findings().Count(), 2u);
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, AStopBetweenTwoRootsLeavesTheNextRootUnsearched) {
    Script({{"C:\\a", "found=1 wait=QuillMendScanTestGate"}, {"C:\\b", "found=1"}});
    KernelHandle gate(::CreateEventW(nullptr, TRUE, FALSE, L"QuillMendScanTestGate"));
    StartScan({"C:\\a", "C:\\b"});
    // Root a has reported everything and its search waits at the gate before it returns.
    ASSERT_TRUE(PumpUntil([&] { return Rows() == 2 && Status() == "C:\\a\\f0"; }));
    ClickStop();
    ::SetEvent(gate.Get());
    WaitForTheEnd();
    EXPECT_EQ(SearchedRoots(), (std::vector<std::string>{"C:\\a"}));
    EXPECT_EQ(CurrentPage(), kResultsPage);
    ExpectAllDone();
    EXPECT_EQ(Findings().Count(), 1u);
}

TEST_F(ScanPageTest, ARootThatCannotBeSearchedIsMarkedAndTheOthersAreStillSearched) {
    Script({{"C:\\a", "found=1"}, {"X:\\gone", "fail=80070003"}, {"C:\\c", "found=2"}});
    StartScan({"C:\\a", "X:\\gone", "C:\\c"});
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError());
    EXPECT_EQ(CurrentPage(), kResultsPage);
    EXPECT_EQ(SearchedRoots(), (std::vector<std::string>{"C:\\a", "X:\\gone", "C:\\c"}));
    EXPECT_EQ(Image(0), static_cast<int>(RootState::Done));
    EXPECT_EQ(Image(1), static_cast<int>(RootState::Failed));
    EXPECT_EQ(Cell(1, 1), "<_QM_RootFailed> cannot search \"X:\\gone\": recorded failure");
    EXPECT_EQ(Image(2), static_cast<int>(RootState::Done));
    EXPECT_EQ(Findings().Count(), 3u);
    EXPECT_EQ(Findings().Coverage().folders, 3u) << "the root that failed covered nothing";
    EXPECT_EQ(Findings().Coverage().shortcuts, std::optional<std::uint64_t>(3));
}

TEST_F(ScanPageTest, AnyOtherFailureOnTheWorkerReachesTheTopLevelHandler) {
    Script({{"C:\\a", "found=1"}, {"C:\\b", "fail=80004005"}, {"C:\\c", "found=2"}});
    StartScan({"C:\\a", "C:\\b", "C:\\c"});
    WaitForTheEnd();
    const std::optional<ui::FatalError> error = ui::TakeFatalError();
    ASSERT_TRUE(error.has_value()) << "the failure was lost on the worker";
    EXPECT_EQ(error->code, E_FAIL);
    EXPECT_NE(error->message.find("cannot search"), std::string::npos) << error->message;
    EXPECT_EQ(SearchedRoots(), (std::vector<std::string>{"C:\\a", "C:\\b"}));
    EXPECT_EQ(CurrentPage(), kScanPage) << "a failed scan does not move on";
}

TEST_F(ScanPageTest, ReactivationStartsAFreshScanFromAnEmptyStore) {
    Script({{"C:\\first", "found=3"}, {"C:\\second", "found=1"}});
    StartScan({"C:\\first"});
    WaitForTheEnd();
    ASSERT_EQ(Findings().Count(), 3u);
    ASSERT_EQ(CurrentPage(), kResultsPage);
    StartScan({"C:\\second"});
    WaitForTheEnd();
    EXPECT_EQ(CurrentPage(), kResultsPage);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(Cell(0, 0), "C:\\second");
    EXPECT_EQ(Cell(1, 0), "<_QM_SugPhase>");
    ASSERT_EQ(Findings().Count(), 1u);
    EXPECT_EQ(Findings().At(0).folder, "C:\\second\\f0");
}

TEST_F(ScanPageTest, BackDuringAScanStopsItAndTheWizardStaysOnTheFolderPage) {
    Script({{"C:\\a", "endless"}});
    StartScan({"C:\\a"});
    ASSERT_TRUE(PumpUntil([&] { return Progress() > 50; }));
    ::SendMessageW(sheet_window_, PSM_PRESSBUTTON, PSBTN_BACK, 0);
    WaitForTheEnd();
    testkit::PumpUntilIdle();
    EXPECT_EQ(CurrentPage(), kFolderPage);
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, ANewActivationStopsAndWaitsForTheRunningWorker) {
    Script({{"C:\\a", "endless"}, {"C:\\b", "found=1"}});
    StartScan({"C:\\a"});
    ASSERT_TRUE(PumpUntil([&] { return Progress() > 50; }));
    HANDLE first = State().roots.Reader();
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), first, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0));
    KernelHandle firstWorker(copy);
    // Activated again while the first worker still searches (the roots stay as they are).
    ::SendMessageW(sheet_window_, PSM_SETCURSEL, kScanPage, 0);
    EXPECT_EQ(::WaitForSingleObject(firstWorker.Get(), 0), WAIT_OBJECT_0) << "the first worker still runs";
    ClickStop();
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, WhileThePageWaitsForAWorkerToEndItsWindowsArePainted) {
    Script({{"C:\\a", "found=1 wait=QuillMendScanPaintGate"}});
    KernelHandle gate(::CreateEventW(nullptr, TRUE, FALSE, L"QuillMendScanPaintGate"));
    StartScan({"C:\\a"});
    // Root a has reported everything; its search waits at the gate, deaf to Stop (a slow drive).
    ASSERT_TRUE(PumpUntil([&] { return Status() == "C:\\a\\f0"; }));
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), State().roots.Reader(), ::GetCurrentProcess(), &copy,
                                  SYNCHRONIZE, FALSE, 0));
    KernelHandle worker(copy);
    // Another thread asks the wizard's Cancel button to be painted again while this thread waits
    // for the worker, and looks whether it was: two messages sent and answered after the request,
    // the wait has had its turn to paint. (The wait may paint before the request can be seen, so
    // only the end state is looked at. The page itself is hidden while it is activated again.)
    const HWND cancel = ::GetDlgItem(sheet_window_, IDCANCEL);
    ASSERT_TRUE(::IsWindowVisible(cancel));
    bool paintedWhileWaiting = false;
    std::thread watcher([&] {
        for (int round = 0; round < 50 && !paintedWhileWaiting; ++round) {
            DWORD_PTR answer = 0;
            ::InvalidateRect(cancel, nullptr, TRUE);
            const bool asked = ::IsWindowVisible(cancel) != FALSE;
            for (int i = 0; i < 2; ++i) ::SendMessageTimeoutW(cancel, WM_NULL, 0, 0, SMTO_NORMAL, 5000, &answer);
            paintedWhileWaiting = asked && !::GetUpdateRect(cancel, nullptr, FALSE) &&
                                  ::WaitForSingleObject(worker.Get(), 0) == WAIT_TIMEOUT;
        }
        ::SetEvent(gate.Get());
    });
    // Activated again: the page stops the running worker and waits for it before it starts anew.
    ::SendMessageW(sheet_window_, PSM_SETCURSEL, kScanPage, 0);
    watcher.join();
    EXPECT_TRUE(paintedWhileWaiting) << "the page's windows were not painted while it waited for the worker";
    WaitForTheEnd();
    EXPECT_FALSE(ui::HasFatalError());
}

TEST_F(ScanPageTest, ClosingTheWizardDuringAScanWaitsForTheWorker) {
    Script({{"C:\\a", "endless"}});
    StartScan({"C:\\a"});
    ASSERT_TRUE(PumpUntil([&] { return Progress() > 50; }));
    HANDLE copy = nullptr;
    ASSERT_TRUE(::DuplicateHandle(::GetCurrentProcess(), State().roots.Reader(), ::GetCurrentProcess(), &copy,
                                  SYNCHRONIZE, FALSE, 0));
    KernelHandle worker(copy);
    ::SendMessageW(sheet_window_, WM_COMMAND, IDCANCEL, 0);  // destroys the sheet and its pages
    EXPECT_EQ(::WaitForSingleObject(worker.Get(), 0), WAIT_OBJECT_0) << "the worker outlived the wizard";
    EXPECT_FALSE(::IsWindow(sheet_window_));
    EXPECT_FALSE(ui::HasFatalError());
}

// The roots' two columns use the list's width, the folder the wider, with no horizontal scroll bar.
TEST_F(ScanPageTest, TheColumnsFillTheListWithoutScrolling) {
    StartScan({});
    WaitForTheEnd();
    HWND list = Control(IDC_SCAN_ROOTS);
    RECT client{};
    ::GetClientRect(list, &client);
    const int folder = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const int state = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    EXPECT_GT(folder, state);
    EXPECT_LE(folder + state, client.right);
    EXPECT_GE(folder + state, client.right * 9 / 10);
    EXPECT_FALSE(::GetWindowLongPtrW(list, GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(::SendMessageW(Control(IDC_SCAN_PROGRESS), PBM_GETRANGE, FALSE, 0), 8000);
    EXPECT_TRUE(::GetWindowLongPtrW(Control(IDC_SCAN_STATUS), GWL_STYLE) & SS_PATHELLIPSIS);
}

}  // namespace
}  // namespace qm::scan
