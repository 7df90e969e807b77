// Scan page benchmark: the whole scan through the real scan page in the program's wizard sheet
// (worker, callbacks, result store, status line and bar, the real components) against the
// console scanner doing the same work over the same tree (the search and the moved-target
// search, its own timing, which leaves out its start and the component's creation as the
// page's figure leaves out the wizard's), in rounds of A B B A, in the same run; and the latency
// of Stop pressed at random moments: from the click to the worker's end and to the results
// page's activation. A scan's time runs from the page's activation to the worker's end, taken
// on a thread of its own.
//
//   scan_page_bench ROOT [--rounds N] [--stops N] [--all] [--in-process]
#include "app/WizardSheet.h"
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "host/Components.h"
#include "res/dialogs/ScanPage.h"
#include "scan/ScanPage.h"
#include "tests/support/ChildProcess.h"
#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "wizard/ResultStore.h"
#include "wizard/ScanRoots.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shellapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace qm;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return 0;
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::wstring ProgramFolder() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path = self;
    path.resize(path.find_last_of(L'\\'));
    return path;
}

// The console scanner's own time for `root` (its --stats line), and the whole process's time;
// the broken shortcuts it found. With `suggestions` it also looks where their targets went, as
// the scan page does after the roots (its report format), and its time counts that too.
struct ConsoleRun {
    double searchMs = 0, processMs = 0;
    size_t broken = 0;
};

ConsoleRun RunConsole(const std::wstring& root, bool suggestions) {
    ConsoleRun run;
    const auto start = Clock::now();
    const test::ProcessRun process = test::RunProcess(L"\"" + ProgramFolder() + L"\\..\\bin\\QuillMendScan.exe\" --stats " +
                                                      (suggestions ? L"--format=csv \"" : L"\"") + root + L"\"");
    if (!process.started) {
        std::fprintf(stderr, "QuillMendScan.exe could not be started\n");
        std::exit(1);
    }
    run.processMs = Ms(Clock::now() - start);
    // "<root>: N folders, M broken shortcuts, S.SSS s"
    const size_t comma = process.err.rfind(", ");
    if (comma != std::string::npos) run.searchMs = std::atof(process.err.c_str() + comma + 2) * 1000.0;
    const size_t folders = process.err.rfind(" folders, ");
    if (folders != std::string::npos) run.broken = std::strtoull(process.err.c_str() + folders + 10, nullptr, 10);
    return run;
}

// The console scanner's calls (the search, then the moved-target search for what it found) made
// on a plain thread of this process through the component object the page uses: no page, no
// window touched. Its time, as the console scanner takes its own.
int __cdecl CollectFound(const char* path, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(path ? path : "");
    return 1;
}
int __cdecl CountFolder(const char*, const FinderReport*, WIN32_FIND_DATAA, void*) { return 1; }

double RunInProcess(const std::string& root) {
    double ms = 0;
    std::thread worker([&] {
        const ComApartment apartment;
        const host::FileFinderComponent& finder = host::TheComponents().finder;
        try {
            const auto start = Clock::now();
            std::vector<std::string> found;
            finder.FindBrokenShortcuts(root, &CollectFound, &CountFolder, &found);
            std::vector<host::MovedTarget> moved;
            if (!found.empty()) finder.SuggestTargets(found, moved, nullptr, nullptr);
            ms = Ms(Clock::now() - start);
        } catch (const host::ComponentError& error) {
            std::fprintf(stderr, "the search failed: %s\n", error.Message().c_str());
            std::exit(1);
        }
    });
    worker.join();
    return ms;
}

// Answers every message box this thread shows with OK, as a user would: the results page tells
// that a scan found nothing (the first empty scan, an early Stop) in a modal box.
class MessageBoxAnswerer {
public:
    MessageBoxAnswerer() : hook_(::SetWindowsHookExW(WH_CBT, &Watch, nullptr, ::GetCurrentThreadId())) {}
    ~MessageBoxAnswerer() {
        if (hook_) ::UnhookWindowsHookEx(hook_);
    }
    MessageBoxAnswerer(const MessageBoxAnswerer&) = delete;
    MessageBoxAnswerer& operator=(const MessageBoxAnswerer&) = delete;

private:
    static LRESULT CALLBACK Watch(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE) {
            const HWND window = reinterpret_cast<HWND>(wParam);
            wchar_t className[16] = {};
            ::GetClassNameW(window, className, 16);
            // A message box is a dialog with its text in the static control 0xFFFF.
            if (std::wstring(className) == L"#32770" && ::GetDlgItem(window, 0xFFFF)) {
                ::PostMessageW(window, WM_COMMAND, IDOK, 0);
            }
        }
        return ::CallNextHookEx(nullptr, code, wParam, lParam);
    }
    HHOOK hook_;
};

// The moment a thread ends, taken on a thread of its own: the user-interface thread may be busy
// then (moving on to the results page).
class EndWatch {
public:
    explicit EndWatch(HANDLE thread) {
        HANDLE copy = nullptr;
        ::DuplicateHandle(::GetCurrentProcess(), thread, ::GetCurrentProcess(), &copy, SYNCHRONIZE, FALSE, 0);
        handle_.Reset(copy);
        watcher_ = std::thread([this] {
            ::WaitForSingleObject(handle_.Get(), INFINITE);
            end_ = Clock::now();
            ended_ = true;
        });
    }
    ~EndWatch() { watcher_.join(); }
    EndWatch(const EndWatch&) = delete;
    EndWatch& operator=(const EndWatch&) = delete;

    HANDLE Handle() const { return handle_.Get(); }
    // Once Handle() is signalled.
    Clock::time_point End() const {
        while (!ended_) ::Sleep(0);
        return end_;
    }

private:
    KernelHandle handle_;
    std::thread watcher_;
    Clock::time_point end_{};
    std::atomic<bool> ended_{false};
};

// The program's wizard in this process, with the real components.
class Wizard {
public:
    explicit Wizard(const std::wstring& folder) {
        ui::TheAppModule().Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_WIN95_CLASSES};
        ::InitCommonControlsEx(&init);
        host::Components& c = host::TheComponents();
        const std::string base = Narrow(folder);
        std::ofstream(std::filesystem::path(folder + L"\\scan-page-bench.ini")) << "[common]\nEnableSkin=0\n[quillmend_module]\nshowstartup=0\n";
        std::ofstream(std::filesystem::path(folder + L"\\scan-page-bench.xml"))
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config><select_folders/></config>\n";
        if (FAILED(host::ConfigComponent::Create(c.config)) || FAILED(host::LanguageComponent::Create(c.language)) ||
            FAILED(host::XmlStoreComponent::Create(c.commonXml)) || FAILED(host::XmlStoreComponent::Create(c.moduleXml)) ||
            FAILED(host::SkinComponent::Create(c.skin)) || FAILED(host::FileFinderComponent::Create(c.finder))) {
            std::fprintf(stderr, "the components could not be created\n");
            std::exit(1);
        }
        c.config.Load(base + "\\scan-page-bench.ini");
        c.language.Load(base + "\\English.lng");
        c.moduleXml.Load(base + "\\scan-page-bench.xml");
        sheet_ = std::make_unique<app::WizardSheet>(nullptr);
        window_ = sheet_->Create();
        ::ShowWindow(window_, SW_SHOWNORMAL);
        Pump();
        // A first scan of nothing creates the page's window.
        Scan({});
        // The page object behind its window (the property-page base keeps it there).
        page_ = dynamic_cast<scan::ScanPage*>(
            reinterpret_cast<ui::PropertyPage*>(::GetWindowLongPtrW(PageWindow(), GWLP_USERDATA)));
        if (!page_) {
            std::fprintf(stderr, "the scan page was not found\n");
            std::exit(1);
        }
    }
    ~Wizard() {
        sheet_.reset();
        host::TheComponents() = host::Components{};
    }

    const wizard::ResultStore& Findings() { return sheet_->State().findings; }
    void SetRefreshInterval(int ms) { page_->SetRefreshInterval(std::chrono::milliseconds(ms)); }

    struct Times {
        double workerEndMs = 0, resultsMs = 0;
    };
    // Shows the scan page with these roots and pumps until the worker ended and the wizard moved
    // on: the times from the activation to the worker's end and to the results page's activation
    // (which reads every recorded shortcut again).
    Times Scan(std::vector<std::string> roots) {
        sheet_->State().roots.Replace(std::move(roots));
        const auto start = Clock::now();
        ::SendMessageW(window_, PSM_SETCURSEL, 1, 0);
        const EndWatch worker(sheet_->State().roots.Reader());
        return Finish(worker, start);
    }

    // Starts a scan, presses Stop after `delay`, and times the worker's end and the results
    // page's activation from the click.
    Times ScanAndStop(const std::string& root, std::chrono::milliseconds delay) {
        sheet_->State().roots.Replace({root});
        ::SendMessageW(window_, PSM_SETCURSEL, 1, 0);
        const EndWatch worker(sheet_->State().roots.Reader());
        const auto until = Clock::now() + delay;
        while (Clock::now() < until) {
            Pump();
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
        }
        const auto click = Clock::now();
        HWND stop = ::GetDlgItem(PageWindow(), IDC_SCAN_STOP);
        ::SendMessageW(PageWindow(), WM_COMMAND, MAKEWPARAM(IDC_SCAN_STOP, BN_CLICKED), reinterpret_cast<LPARAM>(stop));
        return Finish(worker, click);
    }

private:
    static void Pump() {
        MSG message;
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) continue;
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
    }
    // Pumps until the worker ended and what it posted last (the wizard moving on) was handled.
    Times Finish(const EndWatch& worker, Clock::time_point from) const {
        HANDLE handle = worker.Handle();
        for (;;) {
            Pump();
            if (::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT) == WAIT_OBJECT_0) break;
        }
        Pump();
        Times times;
        times.resultsMs = CurrentPage() == 2 ? Ms(Clock::now() - from) : 0;
        times.workerEndMs = Ms(worker.End() - from);
        return times;
    }
    HWND PageWindow() const { return reinterpret_cast<HWND>(::SendMessageW(window_, PSM_INDEXTOHWND, 1, 0)); }
    int CurrentPage() const {
        HWND page = reinterpret_cast<HWND>(::SendMessageW(window_, PSM_GETCURRENTPAGEHWND, 0, 0));
        return static_cast<int>(::SendMessageW(window_, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
    }

    std::unique_ptr<app::WizardSheet> sheet_;
    HWND window_ = nullptr;
    scan::ScanPage* page_ = nullptr;
};

int Run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_page_bench ROOT [--rounds N] [--stops N] [--all] [--in-process]\n");
        return 1;
    }
    const std::wstring root = argv[1];
    int rounds = 9, stops = 20;
    bool all = false, inProcess = false;
    for (int i = 2; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--all") all = true;
        if (arg == L"--in-process") inProcess = true;
        if (i + 1 < argc && arg == L"--rounds") rounds = std::max(1, _wtoi(argv[++i]));
        if (i + 1 < argc && arg == L"--stops") stops = _wtoi(argv[++i]);
    }
    ComApartment apartment;
    const MessageBoxAnswerer answerer;
    Wizard wizard(ProgramFolder());
    const std::string rootUtf8 = Narrow(root);

    std::printf("Warm-up: one console scan and one page scan of %s\n", rootUtf8.c_str());
    const ConsoleRun warm = RunConsole(root, /*suggestions=*/false);
    wizard.SetRefreshInterval(0);
    wizard.Scan({rootUtf8});
    if (wizard.Findings().Count() != warm.broken) {
        std::printf("MISMATCH: the page recorded %zu broken shortcuts, the console scanner printed %zu\n",
                    wizard.Findings().Count(), warm.broken);
        return 1;
    }
    std::printf("  %zu broken shortcuts both ways\n", warm.broken);

    // The page's scan searches the roots and then looks where the broken shortcuts' targets went:
    // the console scanner does the same work with its report format. Under Wine both are bound by
    // round trips to the wineserver, whose speed on a shared virtual machine changes by a factor
    // of two to four within minutes, even with nothing else running; so each round measures every side twice, in the order A B .. B A,
    // which cancels a drift that is steady over the round, and the figure is the median of the
    // rounds' ratios. With --all a round also has the page refreshing at every folder and the
    // console scanner with FindFiles alone; with --in-process, the console scanner's calls made
    // on a plain thread of this process (no page, no window touched), which tells the cost of the
    // page from the cost of running in this process.
    enum Side { kConsole, kPage, kInProcess, kPageEvery, kConsoleFindFiles, kSides };
    const char* const sideNames[kSides] = {"console scanner, FindFiles and moved targets", "scan page",
                                           "same calls on a plain thread of this process",
                                           "scan page, status at every folder", "console scanner, FindFiles alone"};
    const char* const shortNames[kSides] = {"console", "page", "plain thread", "page at every folder", "console FindFiles alone"};
    std::vector<Side> order{kConsole, kPage};
    if (inProcess) order.push_back(kInProcess);
    if (all) {
        order.push_back(kPageEvery);
        order.push_back(kConsoleFindFiles);
    }
    std::vector<double> roundMs[kSides], roundRatio[kSides], pageToFindFiles, results;
    const int interval = static_cast<int>(scan::kStatusRefreshInterval.count());
    for (int round = 0; round < rounds; ++round) {
        double ms[kSides] = {};
        std::vector<Side> sequence = order;
        sequence.insert(sequence.end(), order.rbegin(), order.rend());
        for (Side side : sequence) {
            switch (side) {
            case kConsole: ms[side] += RunConsole(root, /*suggestions=*/true).searchMs; break;
            case kConsoleFindFiles: ms[side] += RunConsole(root, /*suggestions=*/false).searchMs; break;
            case kInProcess: ms[side] += RunInProcess(rootUtf8); break;
            case kPage:
            case kPageEvery: {
                wizard.SetRefreshInterval(side == kPage ? interval : 0);
                const Wizard::Times times = wizard.Scan({rootUtf8});
                ms[side] += times.workerEndMs;
                if (side == kPage) results.push_back(times.resultsMs);
                break;
            }
            default: break;
            }
        }
        std::printf("round %2d:", round + 1);
        for (Side side : order) {
            roundMs[side].push_back(ms[side] / 2);
            roundRatio[side].push_back(ms[side] / ms[kConsole]);
            if (side == kConsole) {
                std::printf(" console %.0f ms", ms[side] / 2);
            } else {
                std::printf("; %s %.0f ms x%.3f", shortNames[side], ms[side] / 2, ms[side] / ms[kConsole]);
            }
        }
        if (all) pageToFindFiles.push_back(ms[kPage] / ms[kConsoleFindFiles]);
        std::printf("\n");
    }
    std::printf("\nWhole scan (the page: activation to the worker's end; status and bar at most every %d ms),\n"
                "medians over %d rounds; ratios are medians of the rounds' ratios to the console scanner doing\n"
                "the same work (search and moved targets, its own timing):\n",
                interval, rounds);
    for (Side side : order) {
        std::printf("  %-48s %8.0f ms", sideNames[side], Median(roundMs[side]));
        if (side != kConsole) {
            std::vector<double> sorted = roundRatio[side];
            std::sort(sorted.begin(), sorted.end());
            std::printf("  ratio x%.3f (rounds from x%.3f to x%.3f)", Median(sorted), sorted.front(), sorted.back());
        }
        std::printf("\n");
    }
    std::printf("  %-48s %8.0f ms\n", "scan page, activation to the results page shown", Median(results));
    if (all) std::printf("  scan page against FindFiles alone in the console scanner: ratio x%.3f\n", Median(pageToFindFiles));

    // Stop at random moments within the first 80% of a scan, with the shipped refresh setting.
    std::mt19937 random(8);
    std::uniform_int_distribution<int> moment(50, std::max(60, static_cast<int>(Median(roundMs[kPage]) * 0.8)));
    std::vector<double> toWorkerEnd, toResults;
    for (int i = 0; i < stops; ++i) {
        const Wizard::Times times = wizard.ScanAndStop(rootUtf8, std::chrono::milliseconds(moment(random)));
        toWorkerEnd.push_back(times.workerEndMs);
        toResults.push_back(times.resultsMs);
    }
    if (stops > 0) {
        std::printf("\nStop pressed at %d random moments: click to the worker's end median %.1f ms, max %.1f ms; "
                    "click to the results page median %.1f ms, max %.1f ms\n",
                    stops, Median(toWorkerEnd), *std::max_element(toWorkerEnd.begin(), toWorkerEnd.end()),
                    Median(toResults), *std::max_element(toResults.begin(), toResults.end()));
    }
    if (ui::HasFatalError()) {
        std::printf("A component failure was reported during the benchmark.\n");
        return 1;
    }
    return 0;
}

}  // namespace

int main() {
    // Each figure shows as soon as it is measured, also through a pipe.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    const int code = Run(argc, argv);
    ::LocalFree(argv);
    return code;
}
