// The scan with the suite's real components and the shipped data files (folder "app-real"):
// end to end through the program's own start-up in this process, where the wizard's findings can
// be read, against the console scanner over the same roots; the real QuillMend.exe closed in the
// middle of a scan, many times in a row; and a user's whole journey from the folder page to
// Finish, with a delete to the Recycle Bin and a re-target on the way.
#include "app/Startup.h"
#include "app/WizardSheet.h"
#include "base/Utf.h"
#include "folders/CheckTree.h"
#include "folders/FolderPage.h"
#include "results/ResultsPage.h"
#include "ui/PropertyPage.h"
#include "wizard/ResultStore.h"
#include "tests/app/ProgramDriver.h"
#include "tests/controls/WindowTestKit.h"
#include "tests/results/DialogScript.h"
#include "tests/results/ScratchFolder.h"
#include "tests/support/ChildProcess.h"
#include "res/dialogs/ResultsPage.h"
#include "res/dialogs/ScanPage.h"
#include "scan/FinderCallbacks.h"
#include "suite/lnk/ShellLink.h"
#include "tools/lnkwriter/LinkWriter.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace qm::scan {
namespace {

namespace fs = std::filesystem;
using wizard::BrokenShortcut;
using Clock = std::chrono::steady_clock;

std::wstring Folder() { return test::TestFolder(); }
std::wstring Extended(const std::wstring& path) { return L"\\\\?\\" + path; }

// The shipped settings with the welcome dialog switched off, so the wizard comes up at once.
void PrepareSettings() {
    std::string ini = test::ReadFile(Folder() + L"\\config.shipped.ini");
    const std::string from = "showstartup=1", to = "showstartup=0";
    const size_t at = ini.find(from);
    if (at != std::string::npos) ini.replace(at, from.size(), to);
    test::WriteFile(Folder() + L"\\config.ini", ini);
}

void MakeFolder(const std::wstring& path) {
    ASSERT_TRUE(::CreateDirectoryW(Extended(path).c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS) << Narrow(path);
}

void WriteBytes(const std::wstring& path, const std::vector<unsigned char>& bytes) {
    FileHandle file(::CreateFileW(Extended(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file) << Narrow(path);
    DWORD written = 0;
    ASSERT_TRUE(::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
}

void DeleteTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    FindHandle find(::FindFirstFileW(Extended(folder + L"\\*").c_str(), &data));
    if (find) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            const std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(path);
            } else {
                ::DeleteFileW(Extended(path).c_str());
            }
        } while (::FindNextFileW(find.Get(), &data));
    }
    find.Reset();
    ::RemoveDirectoryW(Extended(folder).c_str());
}

char AbsentDriveLetter() {
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Y'; letter >= 'G'; --letter) {
        if (!(drives & (1u << (letter - 'A')))) return letter;
    }
    return 0;
}

// Runs QuillMendScan.exe (from the installation) and returns its standard output; its standard
// error goes on to the test's.
std::string RunConsoleScanner(const std::wstring& arguments, DWORD& exitCode) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring scanner = self;
    scanner.resize(scanner.find_last_of(L'\\'));
    scanner += L"\\..\\..\\bin\\QuillMendScan.exe";
    const test::ProcessRun run = test::RunProcess(L"\"" + scanner + L"\" " + arguments);
    std::fputs(run.err.c_str(), stderr);
    exitCode = run.exitCode;
    return run.out;
}

class RealScan : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetFileAttributesW((Folder() + L"\\QuillSuite.dll").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the components' DLL is not part of this build";
        }
        ASSERT_TRUE(test::WaitUntilNoInstanceRuns()) << "another copy of QuillMend keeps running";
        PrepareSettings();
    }
};

// Calls `step` from the running message loop every 20 ms until it answers true.
std::function<bool()> g_step;
void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    if (g_step && g_step()) {
        ::KillTimer(nullptr, id);
        g_step = nullptr;
    }
}

HWND ThisThreadsWizard() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            if (test::IsWizard(window) && ::IsWindowVisible(window)) *reinterpret_cast<HWND*>(context) = window;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND CurrentPageWindow(HWND wizard) { return reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0)); }

int CurrentPage(HWND wizard) {
    HWND page = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
    return static_cast<int>(::SendMessageW(wizard, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
}

TEST_F(RealScan, TheStoreHoldsExactlyWhatTheConsoleScannerPrintsWithTargetAndReason) {
    wchar_t temp[MAX_PATH];
    ::GetTempPathW(MAX_PATH, temp);
    const std::wstring base = std::wstring(temp) + L"qm-scan-e2e-" + std::to_wstring(::GetCurrentProcessId());
    DeleteTree(base);
    MakeFolder(base);

    // Root 1: a generated tree of every kind of link, Unicode names among them.
    lnkwriter::TreeShape shape;
    shape.root = fs::path(base) / L"tree";
    shape.windowsRoot = Narrow(base) + "\\tree";
    shape.folders = 60;
    shape.files = 200;
    shape.links = 96;
    shape.absentDrive = AbsentDriveLetter();
    const lnkwriter::TreeResult tree = lnkwriter::GenerateTree(shape);
    ASSERT_FALSE(tree.broken.empty());

    // Root 2: broken links deep below a Unicode folder, their paths far beyond 260 characters.
    const std::wstring deepRoot = base + L"\\d\u00e9j\u00e0 vu \u65e5\u672c";
    std::wstring deep = deepRoot;
    MakeFolder(deep);
    std::vector<std::string> deepBroken;
    for (int level = 0; level < 6; ++level) {
        deep += L"\\" + std::wstring(50, static_cast<wchar_t>(L'a' + level)) + L"\u00fc";
        MakeFolder(deep);
        if (level >= 4) {
            lnkwriter::LinkFields link;
            link.localBasePath = Narrow(deep) + "\\vanished \u2713.exe";
            link.idListPath = link.localBasePath;
            const std::wstring file = deep + L"\\Verkn\u00fcpfung " + std::to_wstring(level) + L".lnk";
            WriteBytes(file, lnkwriter::BuildLink(link));
            deepBroken.push_back(Narrow(file));
        }
    }
    ASSERT_GT(deepBroken.back().size(), 300u);
    const std::vector<std::string> roots = {shape.windowsRoot, Narrow(deepRoot)};

    // The scan through the real page, in the program's own start-up.
    bool moved = false, started = false;
    std::vector<BrokenShortcut> findings;  // as the wizard handed them to the results page
    g_step = [&] {
        HWND wizard = ThisThreadsWizard();
        app::WizardSheet* sheet = app::WizardSheet::OfWindow(wizard);
        if (!sheet) return false;
        if (!started) {
            sheet->State().roots.Replace(roots);
            ::SendMessageW(wizard, PSM_SETCURSEL, 1, 0);
            started = true;
            return false;
        }
        if (CurrentPage(wizard) != 2) return false;
        const auto& store = sheet->State().findings;
        for (size_t i = 0; i < store.Count(); ++i) findings.push_back(store.At(i));
        moved = true;
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        return true;
    };
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &OnTimer);
    const int code = app::RunProgram(::GetModuleHandleW(nullptr), "", SW_SHOWNORMAL, nullptr);
    ::KillTimer(nullptr, timer);
    g_step = nullptr;
    EXPECT_EQ(code, app::kExitCancel);
    ASSERT_TRUE(moved) << "the wizard never reached the results page";

    // The console scanner over the same roots, with each report's details.
    DWORD exitCode = 0;
    const std::string printed =
        RunConsoleScanner(L"--details \"" + Widen(roots[0]) + L"\" \"" + Widen(roots[1]) + L"\"", exitCode);
    EXPECT_EQ(exitCode, 0u);
    const std::vector<std::string> expected = test::Lines(printed);
    std::vector<std::string> stored;
    std::vector<std::string> storedPaths;
    for (const BrokenShortcut& record : findings) {
        stored.push_back(record.folder + "\\" + record.name + "\t" + record.target + "\t" + record.reason);
        storedPaths.push_back(record.folder + "\\" + record.name);
        EXPECT_EQ(record.reason, "TargetMissing") << storedPaths.back();
        EXPECT_FALSE(record.target.empty()) << storedPaths.back();
    }
    EXPECT_EQ(stored, expected);
    // And both against what the tree holds.
    std::vector<std::string> wanted = tree.broken;
    wanted.insert(wanted.end(), deepBroken.begin(), deepBroken.end());
    std::sort(wanted.begin(), wanted.end());
    std::sort(storedPaths.begin(), storedPaths.end());
    EXPECT_EQ(storedPaths, wanted);
    DeleteTree(base);
}

// ---- The real program, closed during a scan ----------------------------------------------

// The scan page of a wizard in another process, while it is the current page.
struct ScanPageWindows {
    HWND status = nullptr, progress = nullptr, stop = nullptr;
};
std::optional<ScanPageWindows> CurrentScanPage(HWND wizard) {
    HWND page = CurrentPageWindow(wizard);
    ScanPageWindows windows{::GetDlgItem(page, IDC_SCAN_STATUS), ::GetDlgItem(page, IDC_SCAN_PROGRESS),
                            ::GetDlgItem(page, IDC_SCAN_STOP)};
    if (!page || !windows.status || !windows.progress || !windows.stop) return std::nullopt;
    return windows;
}

bool StartsWithFolder(const std::wstring& text, const std::wstring& folder) {
    return text.size() > folder.size() && text[folder.size()] == L'\\' &&
           ::CompareStringOrdinal(text.c_str(), static_cast<int>(folder.size()), folder.c_str(),
                                  static_cast<int>(folder.size()), TRUE) == CSTR_EQUAL;
}

TEST_F(RealScan, ClosingTheProgramDuringAScanEndsItPromptlyAHundredTimesInARow) {
    // A first-level folder of C:, so the folder page shows and ticks it from the saved selection.
    // Its scan takes seconds under Wine: far longer than from its first folder to the close.
    const std::wstring treeRoot = L"C:\\qm-scan-close-tree";
    if (::GetFileAttributesW((treeRoot + L"\\complete").c_str()) == INVALID_FILE_ATTRIBUTES) {
        DeleteTree(treeRoot);
        lnkwriter::TreeShape shape;
        shape.root = fs::path(treeRoot);
        shape.windowsRoot = Narrow(treeRoot);
        shape.folders = 1500;
        shape.files = 3000;
        shape.links = 300;
        lnkwriter::GenerateTree(shape);
        test::WriteFile(treeRoot + L"\\complete", "");
    }
    const std::wstring xmlPath = Folder() + L"\\data\\QuillMend.xml";
    // The shipped selection comes back however the test ends.
    struct Restore {
        std::wstring path;
        std::string content;
        ~Restore() { test::WriteFile(path, content); }
    } restore{xmlPath, test::ReadFile(xmlPath)};
    const std::string selection = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <select_folders>\n    <item name=\"" +
                                  Narrow(treeRoot) + "\"/>\n  </select_folders>\n</config>\n";

    const int kRuns = 100;
    std::vector<double> upMs, scanMs, exitMs;  // start to wizard, Next to the first folder, close to exit
    const auto since = [](Clock::time_point from) { return std::chrono::duration<double, std::milli>(Clock::now() - from).count(); };
    const UINT closeMessages[][3] = {{WM_CLOSE, 0, 0}, {WM_SYSCOMMAND, SC_CLOSE, 0}, {WM_COMMAND, IDCANCEL, 0}};
    const auto started = Clock::now();
    for (int run = 0; run < kRuns; ++run) {
        SCOPED_TRACE(run);
        // Written before every run: each run's Next rewrites the saved selection itself.
        test::WriteFile(xmlPath, selection);
        const auto launched = Clock::now();
        test::Program program(Folder());
        HWND wizard = program.WaitForWizard();
        ASSERT_NE(wizard, nullptr);
        upMs.push_back(since(launched));
        const auto next = Clock::now();
        // Next at once: the folder page is still ticking the saved folder (its drives and folders
        // are read on threads of its own), and Next goes on with it, without a notice.
        ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        // The scan is under way once the status line names a folder of the tree.
        std::optional<ScanPageWindows> scan;
        HWND notice = nullptr;
        const auto givingUp = Clock::now() + std::chrono::seconds(30);
        while (!scan && !notice && Clock::now() < givingUp) {
            HWND shown = program.VisibleWindow();
            if (shown && shown != wizard && !test::IsWizard(shown)) notice = shown;
            std::optional<ScanPageWindows> page = CurrentScanPage(wizard);
            if (page && StartsWithFolder(test::WindowText(page->status), treeRoot)) scan = page;
            if (!scan) ::Sleep(1);
        }
        if (!scan) {
            const std::string shot = Narrow(testkit::SaveWindowSnapshot(wizard, L"ScanClose-no-scan"));
            std::printf("[ artifact ] %s (what the program showed instead of a scan)\n", shot.c_str());
        }
        ASSERT_TRUE(scan.has_value()) << (notice ? "Next was answered by a notice" : "the scan never showed a folder");
        scanMs.push_back(since(next));
        if (run == 0) {
            const std::string shot = Narrow(testkit::SaveWindowSnapshot(wizard, L"ScanPage-real-components-during-scan"));
            if (!shot.empty()) std::printf("[ artifact ] %s\n", shot.c_str());
        }
        // The close goes to a running scan: Stop is still offered and the bar is short of the
        // root's end (the page turns Stop off and fills the bar when the scan ends).
        const UINT* close = closeMessages[run % 3];
        const auto closing = Clock::now();
        EXPECT_TRUE(::IsWindowEnabled(scan->stop)) << "the scan had ended before the close";
        EXPECT_LT(::SendMessageW(scan->progress, PBM_GETPOS, 0, 0), static_cast<LRESULT>(kProgressEnd));
        ::PostMessageW(wizard, close[0], close[1], close[2]);
        // Nor does the wizard move on to the results before it is gone.
        bool resultsShown = false;
        std::optional<DWORD> exit;
        while (!(exit = program.WaitForExit(std::chrono::milliseconds(5))) && since(closing) < 10000) {
            DWORD_PTR page = 0;
            if (::SendMessageTimeoutW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0, SMTO_ABORTIFHUNG, 100, &page) && page &&
                ::SendMessageTimeoutW(wizard, PSM_HWNDTOINDEX, page, 0, SMTO_ABORTIFHUNG, 100, &page) && page == 2)
                resultsShown = true;
        }
        ASSERT_TRUE(exit.has_value()) << "the program hung after being closed during a scan";
        EXPECT_FALSE(resultsShown) << "the results page came before the program ended: the close was not in the scan";
        EXPECT_EQ(*exit, static_cast<DWORD>(app::kExitCancel));
        exitMs.push_back(since(closing));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("%d runs in %.1f s, each closed during its scan\n", kRuns,
                std::chrono::duration<double>(Clock::now() - started).count());
    std::printf("median ms: start to wizard %.0f, Next to the first folder %.0f, close to exit %.0f (slowest %.0f)\n",
                median(upMs), median(scanMs), median(exitMs), *std::max_element(exitMs.begin(), exitMs.end()));
}

// ---- A whole journey through the program ----------------------------------------------------

// The folder the fixture maps to a drive of its own for the journey, as Unix and Windows paths.
std::string JourneyUnixFolder() {
    const char* folder = std::getenv("QM_JOURNEY_DRIVE_FOLDER");
    return folder ? folder : "";
}

std::string WindowsPathOfUnix(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// The drive letter the fixture mapped (a letter file beside the folder), or 0.
char JourneyDrive() {
    if (JourneyUnixFolder().empty()) return 0;
    const std::string letter = test::ReadFile(Widen(WindowsPathOfUnix(JourneyUnixFolder() + ".letter")));
    return letter.empty() ? 0 : static_cast<char>(std::toupper(static_cast<unsigned char>(letter[0])));
}

std::string TrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    return data && *data ? WindowsPathOfUnix(std::string(data) + "/Trash") : "";
}

std::string FolderOf(const std::string& path) { return path.substr(0, path.find_last_of('\\')); }
std::string NameOf(const std::string& path) { return path.substr(path.find_last_of('\\') + 1); }

// The value of a "Key=" line of a trash info file, its %XX escapes decoded.
std::string TrashInfoValue(const std::string& info, const std::string& key) {
    const size_t at = info.find("\n" + key + "=");
    if (at == std::string::npos) return {};
    const size_t from = at + key.size() + 2;
    const std::string raw = info.substr(from, info.find('\n', from) - from);
    std::string decoded;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '%' && i + 2 < raw.size()) {
            decoded += static_cast<char>(std::stoi(raw.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            decoded += raw[i];
        }
    }
    return decoded;
}

using Row = std::array<std::string, 3>;  // name, folder, folder of the missing target

std::vector<Row> ListRows(const results::ResultsPage& page) {
    std::vector<Row> rows;
    for (int row = 0; row < page.RowCount(); ++row) rows.push_back({page.RowText(row, 0), page.RowText(row, 1), page.RowText(row, 2)});
    return rows;
}

std::vector<Row> Sorted(std::vector<Row> rows) {
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The page object behind a page window of the wizard (the page base keeps it in the window).
template <typename Page>
Page* PageObject(HWND page) {
    return page ? dynamic_cast<Page*>(reinterpret_cast<ui::PropertyPage*>(::GetWindowLongPtrW(page, GWLP_USERDATA))) : nullptr;
}

// The item of the folder tree whose label names `drive` (the drives hang below the computer),
// or null.
HTREEITEM DriveItem(HWND tree, char drive) {
    const std::wstring wanted = std::wstring(1, static_cast<wchar_t>(drive)) + L":";
    for (HTREEITEM top = TreeView_GetRoot(tree); top; top = TreeView_GetNextSibling(tree, top)) {
        for (HTREEITEM item = TreeView_GetChild(tree, top); item; item = TreeView_GetNextSibling(tree, item)) {
            wchar_t label[260] = {};
            TVITEMW data{};
            data.mask = TVIF_TEXT;
            data.hItem = item;
            data.pszText = label;
            data.cchTextMax = 260;
            TreeView_GetItem(tree, &data);
            if (std::wstring(label).find(wanted) != std::wstring::npos) return item;
        }
    }
    return nullptr;
}

folders::CheckState TickOf(HWND tree, HTREEITEM item) {
    return static_cast<folders::CheckState>(TreeView_GetItemState(tree, item, TVIS_STATEIMAGEMASK) >> 12);
}

// The drive the fixture mapped, announced to the running wineserver (which lists only the drives
// it was told of) for as long as the scope lives; the Recycle Bin private to the test, and the
// program's backups in a folder of the test's own (the settings point there).
struct JourneyDriveScope {
    char drive = 0;
    std::string root, trash;
    std::wstring announcedName, announcedTarget;
    JourneyDriveScope() = default;
    JourneyDriveScope(const JourneyDriveScope&) = delete;
    JourneyDriveScope& operator=(const JourneyDriveScope&) = delete;
    ~JourneyDriveScope() {
        if (!announcedTarget.empty())
            ::DefineDosDeviceW(DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE, announcedName.c_str(), announcedTarget.c_str());
    }
};

void PrepareJourneyDrive(JourneyDriveScope& scope) {
    scope.drive = JourneyDrive();
    if (!scope.drive) GTEST_SKIP() << "no drive mapped for the journey (the ctest fixture maps one)";
    scope.trash = TrashFolder();
    ASSERT_FALSE(scope.trash.empty()) << "the journey needs a private XDG_DATA_HOME";
    scope.root = std::string(1, scope.drive) + ":";
    ASSERT_NE(::GetFileAttributesW(Widen(scope.root + "\\").c_str()), INVALID_FILE_ATTRIBUTES) << scope.root;
    if (!(::GetLogicalDrives() & (1u << (scope.drive - 'A')))) {
        const std::wstring target = Widen(WindowsPathOfUnix(JourneyUnixFolder()));
        scope.announcedName = Widen(scope.root);
        ASSERT_TRUE(::DefineDosDeviceW(0, scope.announcedName.c_str(), target.c_str())) << ::GetLastError();
        scope.announcedTarget = target;
    }
    ASSERT_TRUE(::GetLogicalDrives() & (1u << (scope.drive - 'A'))) << "the system does not list " << scope.root;
    const std::string backups = WindowsPathOfUnix(JourneyUnixFolder() + "-backup");
    std::string ini = test::ReadFile(Folder() + L"\\config.ini");
    const size_t at = ini.find("vd_backup_dir=");
    ASSERT_NE(at, std::string::npos);
    ini.replace(at, ini.find_first_of("\r\n", at) - at, "vd_backup_dir=" + backups);
    test::WriteFile(Folder() + L"\\config.ini", ini);
}

// A journey's step never runs inside another: some steps pump messages (a picture of the page,
// a modal dialog), and the timer then calls again from that loop.
class OneStepAtATime {
public:
    explicit OneStepAtATime(bool& busy) : busy_(busy), entered_(!busy) { busy_ = true; }
    ~OneStepAtATime() {
        if (entered_) busy_ = false;
    }
    OneStepAtATime(const OneStepAtATime&) = delete;
    OneStepAtATime& operator=(const OneStepAtATime&) = delete;
    bool Entered() const { return entered_; }

private:
    bool& busy_;
    bool entered_;
};

// Runs the program with g_step on its message loop's timer and gives back its exit code; the
// module XML at `xmlPath` is written back to `xml` however it ends. A program that no longer runs
// its message loop cannot be closed from the timer: the watchdog then ends the test with the step
// it hung at, rather than leaving CI to wait.
int RunJourney(const std::function<int()>& stepNow, const std::wstring& xmlPath, const std::string& xml) {
    KernelHandle finished(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
    std::thread watchdog([&] {
        if (::WaitForSingleObject(finished.Get(), 240000) == WAIT_OBJECT_0) return;
        std::printf("[  FAILED  ] the journey hung at step %d; the program no longer answers\n", stepNow());
        std::fflush(stdout);
        test::WriteFile(xmlPath, xml);
        ::TerminateProcess(::GetCurrentProcess(), 3);
    });
    const UINT_PTR timer = ::SetTimer(nullptr, 0, 20, &OnTimer);
    const int code = app::RunProgram(::GetModuleHandleW(nullptr), "", SW_SHOWNORMAL, nullptr);
    ::SetEvent(finished.Get());
    watchdog.join();
    ::KillTimer(nullptr, timer);
    g_step = nullptr;
    test::WriteFile(xmlPath, xml);
    return code;
}

// The journey a user makes, through the program's own start-up with the suite's components: a
// drive of its own with 200 shortcuts, 30 of them broken (Unicode names, one path beyond 260
// characters); the drive ticked on the folder page, the scan, the list of exactly the 30; 10
// ticked and deleted to the Recycle Bin; one given a new target through the open-file dialog;
// Finish.
//
// The steps run from a timer of the program's message loop. Some of them pump messages (the
// picture of the page, the modal dialogs), so a step never runs inside another; and every wait
// has its bound: past it the wizard is closed, and a watchdog ends the whole test if even that
// does not end the program.
TEST_F(RealScan, WholeJourneyFindsDeletesAndRetargetsOnADriveOfItsOwn) {
    const auto testStart = Clock::now();
    const auto seconds = [](Clock::time_point from) { return std::chrono::duration<double>(Clock::now() - from).count(); };
    JourneyDriveScope journey;
    PrepareJourneyDrive(journey);
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    const char drive = journey.drive;
    const std::string& trash = journey.trash;
    const std::string& root = journey.root;

    // The tree: existing targets, 170 working shortcuts and 30 broken ones.
    const std::string targets = root + "\\targets";
    MakeFolder(Widen(targets));
    for (int i = 0; i < 10; ++i) test::WriteBytes(targets + "\\t" + std::to_string(i) + ".exe", {'M', 'Z'});
    const std::string newTarget = targets + "\\neues Ziel \u65e5.exe";
    test::WriteBytes(newTarget, {'M', 'Z', '!'});
    std::vector<std::string> folders;
    for (int i = 0; i < 8; ++i) folders.push_back(root + "\\links\\group " + std::to_string(i));
    folders.push_back(root + "\\links\\Ordner \u00fc \u65e5\u672c");
    MakeFolder(Widen(root + "\\links"));
    for (const std::string& folder : folders) MakeFolder(Widen(folder));
    std::string deep = root + "\\deep \u00e9";
    MakeFolder(Widen(deep));
    for (char c = 'a'; c < 'f'; ++c) {
        deep += "\\" + std::string(50, c);
        MakeFolder(Widen(deep));
    }

    struct Link {
        std::string path, target, arguments;
        bool broken = false;
        test::Bytes bytes;
    };
    std::vector<Link> links;
    const std::string icon = "C:\\windows\\system32\\shell32.dll";
    const int kDeepLink = 3 * 20 + 1;
    for (int i = 0; i < 200; ++i) {
        Link link;
        link.broken = i % 20 < 3;  // 30 of 200
        const std::string& folder = i == kDeepLink ? deep : folders[i % folders.size()];
        const std::string name = (i % 3 == 0 ? "Verkn\u00fcpfung \u2713 " : "link ") + std::to_string(i) + ".lnk";
        link.path = folder + "\\" + name;
        link.target = !link.broken ? targets + "\\t" + std::to_string(i % 10) + ".exe"
                      : i % 2 == 0 ? targets + "\\fehlt \u65e5 " + std::to_string(i) + ".exe"
                                   : root + "\\removed " + std::to_string(i) + "\\app.exe";
        lnkwriter::LinkFields linkFields;
        linkFields.localBasePath = link.target;
        linkFields.idListPath = link.target;
        link.arguments = "--journey " + std::to_string(i);
        linkFields.arguments = link.arguments;
        linkFields.iconLocation = icon;
        link.bytes = lnkwriter::BuildLink(linkFields);
        test::WriteBytes(link.path, link.bytes);
        links.push_back(std::move(link));
    }
    std::vector<Row> wanted;
    std::vector<const Link*> broken;
    for (const Link& link : links) {
        if (!link.broken) continue;
        broken.push_back(&link);
        wanted.push_back({NameOf(link.path), FolderOf(link.path), FolderOf(link.target)});
    }
    ASSERT_EQ(broken.size(), 30u);
    const Link& deepLink = links[kDeepLink];
    ASSERT_TRUE(deepLink.broken);
    ASSERT_GT(deepLink.path.size(), 260u);
    // Every third broken one (10) is deleted; the one beyond 260 characters is re-targeted.
    std::set<std::string> toDelete;
    for (size_t i = 0; i < broken.size(); i += 3) toDelete.insert(broken[i]->path);
    ASSERT_EQ(toDelete.size(), 10u);
    ASSERT_EQ(toDelete.count(deepLink.path), 0u);

    std::printf("[ journey  ] the drive and its shortcuts made in %.1f s\n", seconds(testStart));
    // Nothing preselected from an earlier run: only the tick below chooses the drive.
    const std::wstring xmlPath = Folder() + L"\\data\\QuillMend.xml";
    const std::string shippedXml = test::ReadFile(xmlPath);
    test::WriteFile(xmlPath, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <select_folders/>\n</config>\n");

    // The shell's confirmation of the delete, then the open-file dialog of the re-target.
    test::DialogScript script({test::DialogScript::Press(IDYES), test::DialogScript::OpenFile(Widen(newTarget))});
    enum class Step { TickDrive, WaitForResults, WaitForDelete, WaitForRetarget, Done };
    std::atomic<Step> step{Step::TickDrive};
    std::vector<Row> found, afterDelete, afterRetarget;
    std::wstring shotBefore, shotAfter;
    int menusOffered = 0;
    bool inStep = false, timedOut = false;
    const auto journeyStart = Clock::now();
    const auto deadline = journeyStart + std::chrono::seconds(120);
    const auto advance = [&](Step next) {
        step = next;
        std::printf("[ journey  ] step %d at %.1f s\n", static_cast<int>(next), seconds(journeyStart));
    };
    g_step = [&] {
        const OneStepAtATime once(inStep);
        if (!once.Entered()) return false;
        HWND wizard = ThisThreadsWizard();
        if (!wizard) return false;
        if (Clock::now() > deadline) {
            timedOut = true;
            ::PostMessageW(wizard, WM_CLOSE, 0, 0);
            return true;
        }
        HWND page = CurrentPageWindow(wizard);
        switch (step.load()) {
        case Step::TickDrive: {
            // Ticked once the drive has answered and no read is pending: a tick before that
            // could be undone by the page's own restoring of the saved selection.
            auto* folderPage = PageObject<folders::FolderPage>(page);
            if (!folderPage || !folderPage->Settled()) return false;
            HWND tree = folderPage->TreeWindow();
            HTREEITEM item = DriveItem(tree, drive);
            if (!item) return false;
            TreeView_SelectItem(tree, item);
            if (TickOf(tree, item) != folders::CheckState::Checked) ::SendMessageW(tree, WM_KEYDOWN, VK_SPACE, 0);
            if (TickOf(tree, item) != folders::CheckState::Checked) return false;
            advance(Step::WaitForResults);
            ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
            return false;
        }
        case Step::WaitForResults: {
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results || CurrentPage(wizard) != 2) return false;
            advance(Step::WaitForDelete);
            found = ListRows(*results);
            shotBefore = testkit::SaveWindowSnapshot(wizard, L"Journey-results-before");
            for (int row = 0; row < results->RowCount(); ++row)
                if (toDelete.count(results->RowPath(row))) results->SetTicked(row, true);
            ::PostMessageW(page, WM_COMMAND, MAKEWPARAM(IDC_RESULTS_DELETE, BN_CLICKED),
                           reinterpret_cast<LPARAM>(::GetDlgItem(page, IDC_RESULTS_DELETE)));
            return false;
        }
        case Step::WaitForDelete: {
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results || script.AnswersLeft() > 1 || results->RowCount() == static_cast<int>(found.size())) return false;
            advance(Step::WaitForRetarget);
            afterDelete = ListRows(*results);
            int row = 0;
            while (row < results->RowCount() && results->RowPath(row) != deepLink.path) ++row;
            if (row == results->RowCount()) {
                ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
                return true;
            }
            // The row selected and its context menu asked for as the menu key does; the menu's
            // own loop is left out (the choice is made here), the open-file dialog is real.
            results->SetMenuChooser([&](HMENU menu, POINT, HWND) -> UINT {
                ++menusOffered;
                return ::GetMenuState(menu, results::kRetarget, MF_BYCOMMAND) == UINT(-1) ? 0u : UINT{results::kRetarget};
            });
            ListView_SetItemState(results->ListWindow(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
            ::PostMessageW(page, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(results->ListWindow()), -1);
            return false;
        }
        case Step::WaitForRetarget: {
            // Done once the row shows the new target's folder (or a dialog nobody expected came).
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results || script.AnswersLeft() > 0 || !::IsWindowEnabled(wizard)) return false;
            bool shown = false;
            for (int row = 0; row < results->RowCount(); ++row)
                shown = shown || (results->RowPath(row) == deepLink.path && results->RowText(row, 2) == targets);
            if (!shown && script.Unexpected() == 0) return false;
            advance(Step::Done);
            afterRetarget = ListRows(*results);
            shotAfter = testkit::SaveWindowSnapshot(wizard, L"Journey-results-after");
            ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
            return true;
        }
        case Step::Done: return true;
        }
        return true;
    };
    const int code = RunJourney([&] { return static_cast<int>(step.load()); }, xmlPath, shippedXml);
    std::printf("[ journey  ] from start-up to exit: %.1f s\n", seconds(journeyStart));
    for (const std::wstring& shot : {shotBefore, shotAfter})
        if (!shot.empty()) std::printf("[ artifact ] %s\n", Narrow(shot).c_str());
    for (const test::SeenDialog& seen : script.Seen())
        std::printf("dialog answered: \"%s\" %s\n", Narrow(seen.caption).c_str(), Narrow(seen.text).c_str());

    ASSERT_FALSE(timedOut) << "the journey stopped at step " << static_cast<int>(step.load());
    EXPECT_EQ(step.load(), Step::Done);
    // Finish on the results page closes the wizard as Cancel does.
    EXPECT_EQ(code, app::kExitCancel);
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_EQ(menusOffered, 1);

    // The scan found exactly the 30, with their folders and the folders of their targets.
    EXPECT_EQ(Sorted(found), Sorted(wanted));
    // The 10 left the list, the rest stayed; the re-targeted row shows its new target's folder.
    std::vector<Row> kept;
    for (const Row& row : wanted)
        if (!toDelete.count(row[1] + "\\" + row[0])) kept.push_back(row);
    EXPECT_EQ(Sorted(afterDelete), Sorted(kept));
    for (Row& row : kept)
        if (row[1] + "\\" + row[0] == deepLink.path) row[2] = targets;
    EXPECT_EQ(Sorted(afterRetarget), Sorted(kept));

    // The 10 are in the private Recycle Bin, bytes unchanged, their trash info naming where
    // they were; every other shortcut but the re-targeted one is untouched.
    // Wine names the original place through the prefix's link for the drive.
    const char* prefix = std::getenv("WINEPREFIX");
    const std::string viaPrefix = std::string(prefix ? prefix : "") + "/dosdevices/" + static_cast<char>(std::tolower(drive)) + ":";
    for (const Link& link : links) {
        SCOPED_TRACE(link.path);
        if (&link == &deepLink) continue;
        test::Bytes now;
        if (toDelete.count(link.path)) {
            EXPECT_EQ(test::Attributes(link.path), INVALID_FILE_ATTRIBUTES);
            test::Bytes inTrash;
            EXPECT_TRUE(test::ReadBytes(trash + "\\files\\" + NameOf(link.path), inTrash));
            EXPECT_EQ(inTrash, link.bytes);
            const std::string info = test::ReadFile(Widen(trash + "\\info\\" + NameOf(link.path) + ".trashinfo"));
            std::string relative = link.path.substr(2);
            std::replace(relative.begin(), relative.end(), '\\', '/');
            const std::string named = TrashInfoValue(info, "Path");
            EXPECT_TRUE(named == JourneyUnixFolder() + relative || named == viaPrefix + relative) << named;
        } else {
            ASSERT_TRUE(test::ReadBytes(link.path, now));
            EXPECT_EQ(now, link.bytes);
        }
    }

    // The re-targeted shortcut opens the chosen file and kept its arguments and icon, read by
    // the suite's reader.
    test::Bytes retargeted;
    ASSERT_TRUE(test::ReadBytes(deepLink.path, retargeted));
    const lnk::ShellLinkInfo info = lnk::ParseShellLink(retargeted.data(), retargeted.size());
    ASSERT_EQ(info.status, lnk::ParseStatus::Ok) << info.error;
    EXPECT_EQ(info.LocalPath(), newTarget);
    EXPECT_EQ(info.idListPath, newTarget);
    EXPECT_EQ(info.arguments, deepLink.arguments);
    EXPECT_EQ(info.iconLocation, icon);
    // Debian's lnkinfo reads it after this test (journey-lnkinfo.sh): what it must find.
    std::string unixLink = JourneyUnixFolder() + deepLink.path.substr(2);
    std::replace(unixLink.begin(), unixLink.end(), '\\', '/');
    test::WriteFile(Widen(WindowsPathOfUnix(JourneyUnixFolder() + ".retargeted")),
                    unixLink + "\n" + newTarget + "\n" + deepLink.arguments + "\n" + icon + "\n");
    std::printf("[ journey  ] checked at %.1f s\n", seconds(testStart));
}

// ---- The same journey with the keyboard alone -------------------------------------------------

// One keystroke, posted to the focused window as the keyboard delivers it: the running loop (the
// wizard's, a dialog's or a menu's) translates it and its dialog manager sees it. With `alt`, Alt
// is held (for a mnemonic) until the next keystroke.
void HoldAlt(bool alt) {
    BYTE state[256] = {};
    ::GetKeyboardState(state);
    state[VK_MENU] = alt ? 0x80 : 0;
    ::SetKeyboardState(state);
}

void PressKey(WORD key, bool alt = false) {
    HoldAlt(alt);
    HWND focus = ::GetFocus();
    if (!focus) focus = ::GetActiveWindow();
    const LPARAM down = 1 | (static_cast<LPARAM>(::MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16) | (alt ? LPARAM{1} << 29 : 0);
    const LPARAM up = down | (LPARAM{1} << 30) | (LPARAM{1} << 31);
    ::PostMessageW(focus, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, down);
    ::PostMessageW(focus, alt ? WM_SYSKEYUP : WM_KEYUP, key, up);
}

// A visible dialog of this thread other than the wizard (a question, the shell's confirmation).
HWND ThisThreadsDialog() {
    HWND found = nullptr;
    ::EnumThreadWindows(
        ::GetCurrentThreadId(),
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t name[16] = {};
            ::GetClassNameW(window, name, 16);
            if (std::wstring(name) == L"#32770" && !test::IsWizard(window) && ::IsWindowVisible(window))
                *reinterpret_cast<HWND*>(context) = window;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

std::wstring SelectedLabel(HWND tree) {
    wchar_t label[260] = {};
    TVITEMW data{};
    data.mask = TVIF_TEXT;
    data.hItem = TreeView_GetSelection(tree);
    data.pszText = label;
    data.cchTextMax = 260;
    if (data.hItem) TreeView_GetItem(tree, &data);
    return label;
}

// A folder ticked, the scan, two rows ticked, Delete, Undo and the wizard closed, with nothing
// but keys: Tab to the tree, the arrows to the folder, Space, Alt+N; Tab to the list, Home,
// Space, Down, Space, Delete, Enter for the shell's question; the context-menu key and the
// Undo item's letter; Escape. The program runs as in the journey above; the steps only read the
// windows and press keys.
TEST_F(RealScan, WholeJourneyByKeysOnlyTicksScansDeletesAndUndoes) {
    JourneyDriveScope journey;
    PrepareJourneyDrive(journey);
    if (::testing::Test::IsSkipped() || ::testing::Test::HasFatalFailure()) return;
    const std::string folder = journey.root + "\\keys";
    MakeFolder(Widen(folder));
    std::map<std::string, test::Bytes> broken;  // path to bytes
    for (int i = 0; i < 4; ++i) {
        lnkwriter::LinkFields fields;
        fields.localBasePath = journey.root + "\\keys gone\\app " + std::to_string(i) + ".exe";
        fields.idListPath = fields.localBasePath;
        const std::string path = folder + "\\keyboard " + std::to_string(i) + ".lnk";
        broken[path] = lnkwriter::BuildLink(fields);
        test::WriteBytes(path, broken[path]);
    }
    const std::wstring xmlPath = Folder() + L"\\data\\QuillMend.xml";
    const std::string shippedXml = test::ReadFile(xmlPath);
    test::WriteFile(xmlPath, "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <select_folders/>\n</config>\n");

    enum class Step { ToTree, ToFolder, Next, ToList, TickRows, Delete, Undo, Close, Done };
    Step step = Step::ToTree;
    int presses = 0, rowKeys = 0;
    bool inStep = false, timedOut = false, menuAsked = false;
    std::vector<std::string> dialogs, ticked, afterDelete, afterUndo;
    const auto deadline = Clock::now() + std::chrono::seconds(150);
    const auto press = [&](WORD key, bool alt = false) {
        ++presses;
        PressKey(key, alt);
    };
    const auto rowsOf = [](const results::ResultsPage& page) {
        std::vector<std::string> paths;
        for (int row = 0; row < page.RowCount(); ++row) paths.push_back(page.RowPath(row));
        std::sort(paths.begin(), paths.end());
        return paths;
    };
    g_step = [&] {
        const OneStepAtATime once(inStep);
        if (!once.Entered()) return false;
        HWND wizard = ThisThreadsWizard();
        if (!wizard) return false;
        if (Clock::now() > deadline || presses > 400) {
            timedOut = true;
            ::PostMessageW(wizard, WM_CLOSE, 0, 0);
            return true;
        }
        HoldAlt(false);  // the last keystroke has been seen
        // Keys go to the window in front, as a user's do; other programs on the display may
        // have taken the front meanwhile.
        HWND dialog = ThisThreadsDialog();
        if (::GetForegroundWindow() != (dialog ? dialog : wizard)) ::SetForegroundWindow(dialog ? dialog : wizard);
        if (dialog) {
            // The shell's question before the Recycle Bin (Yes is its default), or any other.
            dialogs.push_back(Narrow(test::WindowText(dialog)));
            press(VK_RETURN);
            return false;
        }
        HWND page = CurrentPageWindow(wizard);
        HWND focus = ::GetFocus();
        switch (step) {
        case Step::ToTree: {
            auto* folderPage = PageObject<folders::FolderPage>(page);
            if (!folderPage || !folderPage->Settled()) return false;
            if (focus == folderPage->TreeWindow()) {
                step = Step::ToFolder;
                press(VK_HOME);
            } else {
                press(VK_TAB);
            }
            return false;
        }
        case Step::ToFolder: {
            auto* folderPage = PageObject<folders::FolderPage>(page);
            HWND tree = folderPage->TreeWindow();
            HTREEITEM selected = TreeView_GetSelection(tree);
            if (selected && selected == DriveItem(tree, journey.drive) &&
                !(TreeView_GetItemState(tree, selected, TVIS_EXPANDED) & TVIS_EXPANDED)) {
                press(VK_RIGHT);
            } else if (selected && SelectedLabel(tree) == L"keys" &&
                       TreeView_GetParent(tree, selected) == DriveItem(tree, journey.drive)) {
                if (TickOf(tree, selected) == folders::CheckState::Checked) {
                    step = Step::Next;
                } else {
                    press(VK_SPACE);
                }
            } else {
                press(VK_DOWN);
            }
            return false;
        }
        case Step::Next:
            if (PageObject<folders::FolderPage>(page)) {
                press('N', true);  // "&Next >"
                step = Step::ToList;
            }
            return false;
        case Step::ToList: {
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results || results->RowCount() != static_cast<int>(broken.size())) return false;
            if (focus == results->ListWindow()) {
                step = Step::TickRows;
            } else {
                press(VK_TAB);
            }
            return false;
        }
        case Step::TickRows: {
            auto* results = PageObject<results::ResultsPage>(page);
            static const WORD keys[] = {VK_HOME, VK_SPACE, VK_DOWN, VK_SPACE};
            if (rowKeys < 4) {
                press(keys[rowKeys++]);
                return false;
            }
            for (int row = 0; row < results->RowCount(); ++row)
                if (results->IsTicked(row)) ticked.push_back(results->RowPath(row));
            std::sort(ticked.begin(), ticked.end());
            step = Step::Delete;
            press(VK_DELETE);
            return false;
        }
        case Step::Delete: {
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results || results->RowCount() == static_cast<int>(broken.size())) return false;
            afterDelete = rowsOf(*results);
            step = Step::Undo;
            return false;
        }
        case Step::Undo: {
            auto* results = PageObject<results::ResultsPage>(page);
            if (!results) return false;
            if (results->RowCount() == static_cast<int>(broken.size())) {
                afterUndo = rowsOf(*results);
                step = Step::Close;
            } else if (focus != results->ListWindow()) {
                press(VK_TAB);  // the shell's question had the focus
            } else if (!menuAsked) {
                // The menu opens at the key and reads the next one in its own loop.
                menuAsked = true;
                press(VK_APPS);
                press('N');  // "U&ndo last change"
            }
            return false;
        }
        case Step::Close:
            press(VK_ESCAPE);
            step = Step::Done;
            return false;
        case Step::Done: return false;
        }
        return false;
    };
    const int code = RunJourney([&] { return static_cast<int>(step); }, xmlPath, shippedXml);
    HoldAlt(false);
    for (const std::string& dialog : dialogs) std::printf("dialog answered with Enter: \"%s\"\n", dialog.c_str());
    std::printf("[ keyboard ] %d keys pressed, no mouse\n", presses);

    ASSERT_FALSE(timedOut) << "the keyboard journey stopped at step " << static_cast<int>(step);
    EXPECT_EQ(step, Step::Done);
    EXPECT_EQ(code, app::kExitCancel);
    // Space ticked the first two rows; Delete took exactly those to the Recycle Bin and Undo
    // put them back, byte for byte.
    ASSERT_EQ(ticked.size(), 2u);
    std::vector<std::string> all;
    for (const auto& [path, bytes] : broken) all.push_back(path);
    std::vector<std::string> kept;
    std::set_difference(all.begin(), all.end(), ticked.begin(), ticked.end(), std::back_inserter(kept));
    EXPECT_EQ(afterDelete, kept);
    EXPECT_EQ(afterUndo, all);
    for (const auto& [path, bytes] : broken) {
        test::Bytes now;
        EXPECT_TRUE(test::ReadBytes(path, now)) << path;
        EXPECT_EQ(now, bytes) << path;
    }
}

}  // namespace
}  // namespace qm::scan
