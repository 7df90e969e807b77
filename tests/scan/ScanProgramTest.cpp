// The scan with the suite's real components and the shipped data files (folder "app-real"):
// end to end through the program's own start-up in this process, where the result store can be
// read, against the console scanner over the same roots; and the real QuillMend.exe closed in
// the middle of a scan, many times in a row.
#include "app/Startup.h"
#include "app/WizardSheet.h"
#include "base/Utf.h"
#include "wizard/ResultStore.h"
#include "wizard/ScanRoots.h"
#include "tests/app/ProgramDriver.h"
#include "tests/controls/WindowTestKit.h"
#include "tools/lnkwriter/LinkWriter.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace qm::scan {
namespace {

namespace fs = std::filesystem;
using wizard::BrokenShortcut;
using wizard::TheResultStore;
using wizard::TheScanRoots;
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

// Runs QuillMendScan.exe (from the installation) and returns its standard output.
std::string RunConsoleScanner(const std::wstring& arguments, DWORD& exitCode) {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring scanner = self;
    scanner.resize(scanner.find_last_of(L'\\'));
    scanner += L"\\..\\..\\bin\\QuillMendScan.exe";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    ::CreatePipe(&readEnd, &writeEnd, &inherit, 0);
    KernelHandle reader(readEnd), writer(writeEnd);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    std::wstring command = L"\"" + scanner + L"\" " + arguments;
    exitCode = 0xFFFFFFFF;
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &process)) return {};
    KernelHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writer.Reset();
    std::string out;
    char chunk[4096];
    DWORD read = 0;
    while (::ReadFile(readEnd, chunk, sizeof chunk, &read, nullptr) && read) out.append(chunk, read);
    ::WaitForSingleObject(process.hProcess, INFINITE);
    ::GetExitCodeProcess(process.hProcess, &exitCode);
    return out;
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
    lnkwriter::TreeSpec shape;
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
            lnkwriter::LinkSpec link;
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
    g_step = [&] {
        HWND wizard = ThisThreadsWizard();
        if (!wizard) return false;
        if (!started) {
            TheScanRoots().Replace(roots);
            ::SendMessageW(wizard, PSM_SETCURSEL, 1, 0);
            started = true;
            return false;
        }
        if (CurrentPage(wizard) != 2) return false;
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
    for (size_t i = 0; i < TheResultStore().Count(); ++i) {
        const BrokenShortcut& record = TheResultStore().At(i);
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

// The scan page's progress bar in the wizard of another process (null until it exists).
HWND FindProgressBar(HWND wizard) {
    HWND found = nullptr;
    ::EnumChildWindows(
        wizard,
        [](HWND window, LPARAM context) -> BOOL {
            wchar_t name[32] = {};
            ::GetClassNameW(window, name, 32);
            if (std::wstring(name) != L"msctls_progress32") return TRUE;
            *reinterpret_cast<HWND*>(context) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

TEST_F(RealScan, ClosingTheProgramDuringAScanEndsItPromptlyAHundredTimesInARow) {
    // A first-level folder of C:, so the folder page shows and ticks it from the saved selection.
    const std::wstring treeRoot = L"C:\\qm-scan-close-tree";
    if (::GetFileAttributesW((treeRoot + L"\\complete").c_str()) == INVALID_FILE_ATTRIBUTES) {
        DeleteTree(treeRoot);
        lnkwriter::TreeSpec shape;
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

    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> delayMs(0, 300);
    const int kRuns = 100;
    int closedDuringScan = 0;
    std::vector<double> upMs, scanMs, exitMs;  // start to wizard, Next to a moving bar, close to exit
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
        // The folder page reads drives and folders on threads of its own and ticks the saved
        // folder once they have answered, which on a loaded machine can take a few seconds after
        // the wizard shows; its notice that nothing is ticked is then closed and Next pressed
        // again, for as long as the drives' two-second answer bound and a margin allow.
        HWND progress = nullptr;
        const auto givingUp = Clock::now() + std::chrono::seconds(30);
        while (!progress && Clock::now() < givingUp) {
            ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
            const auto deadline = Clock::now() + std::chrono::seconds(10);
            while (Clock::now() < deadline) {
                HWND shown = program.VisibleWindow();
                if (shown && shown != wizard && !test::IsWizard(shown)) {
                    ::PostMessageW(shown, WM_COMMAND, IDOK, 0);
                    ::Sleep(500);
                    break;
                }
                HWND bar = FindProgressBar(wizard);
                if (bar && ::SendMessageW(bar, PBM_GETPOS, 0, 0) > 0) {
                    progress = bar;
                    break;
                }
                ::Sleep(2);
            }
        }
        if (!progress) {
            const std::string shot = Narrow(testkit::SaveWindowSnapshot(program.VisibleWindow(), L"ScanClose-no-scan"));
            std::printf("[ artifact ] %s (what the program showed instead of a scan)\n", shot.c_str());
        }
        ASSERT_NE(progress, nullptr) << "the scan page never came";
        ASSERT_GT(::SendMessageW(progress, PBM_GETPOS, 0, 0), 0) << "the scan never began";
        scanMs.push_back(since(next));
        ::Sleep(delayMs(random));
        if (run == 0) {
            const std::string shot = Narrow(testkit::SaveWindowSnapshot(wizard, L"ScanPage-real-components-during-scan"));
            if (!shot.empty()) std::printf("[ artifact ] %s\n", shot.c_str());
        }
        const LRESULT position = ::SendMessageW(progress, PBM_GETPOS, 0, 0);
        if (position > 0 && position < 8000) ++closedDuringScan;
        const UINT* close = closeMessages[run % 3];
        const auto closing = Clock::now();
        ::PostMessageW(wizard, close[0], close[1], close[2]);
        const std::optional<DWORD> exit = program.WaitForExit(std::chrono::seconds(10));
        ASSERT_TRUE(exit.has_value()) << "the program hung after being closed during a scan";
        EXPECT_EQ(*exit, static_cast<DWORD>(app::kExitCancel));
        exitMs.push_back(since(closing));
    }
    const auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.empty() ? 0.0 : v[v.size() / 2];
    };
    std::printf("%d runs in %.1f s; %d closed while the bar was between 0 and 8000\n", kRuns,
                std::chrono::duration<double>(Clock::now() - started).count(), closedDuringScan);
    std::printf("median ms: start to wizard %.0f, Next to a moving bar %.0f, close to exit %.0f (slowest %.0f)\n",
                median(upMs), median(scanMs), median(exitMs), *std::max_element(exitMs.begin(), exitMs.end()));
    // Most closes must land in the scan, or the tree is too small for what this test is about.
    EXPECT_GE(closedDuringScan, kRuns * 3 / 4) << "the tree is too small to close during the scan";
}

}  // namespace
}  // namespace qm::scan
