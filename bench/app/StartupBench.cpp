// Start-up time of QuillMend under Wine: from CreateProcess to the wizard window being
// visible, over several runs, against a baseline measured in the same run: starting this
// benchmark program itself with --noop until it has ended (the cost of any process start).
//
//   startup_bench [installation-folder] [runs]
//
// The folder holds QuillMend.exe, the components' DLL and settings with the welcome dialog
// switched off (the build prepares bench/app-startup that way).
#include "ProgramDriver.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n == 0 ? 0 : (n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2);
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

// One start of this program with --noop, until it has ended.
double BaselineRun() {
    wchar_t self[MAX_PATH];
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring command = L"\"" + std::wstring(self) + L"\" --noop";
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    const auto start = Clock::now();
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) return -1;
    ::WaitForSingleObject(info.hProcess, INFINITE);
    const double elapsed = Milliseconds(Clock::now() - start);
    ::CloseHandle(info.hThread);
    ::CloseHandle(info.hProcess);
    return elapsed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc > 1 && std::wstring(argv[1]) == L"--noop") return 0;
    const std::wstring folder = argc > 1 ? argv[1] : qm::test::TestFolder() + L"\\app-startup";
    const int runs = argc > 2 ? std::max(1, _wtoi(argv[2])) : 7;

    std::vector<double> startup, baseline;
    for (int i = 0; i < runs; ++i) {
        baseline.push_back(BaselineRun());
        if (!qm::test::WaitUntilNoInstanceRuns()) {
            std::fprintf(stderr, "another copy of QuillMend keeps running\n");
            return 1;
        }
        qm::test::Program program(folder);
        HWND wizard = program.WaitForWizard(std::chrono::seconds(120));
        if (!wizard) {
            std::fprintf(stderr, "run %d: no wizard appeared\n", i + 1);
            return 1;
        }
        startup.push_back(Milliseconds(Clock::now() - program.StartTime()));
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        const auto code = program.WaitForExit(std::chrono::seconds(60));
        if (code != 2u) {
            std::fprintf(stderr, "run %d: exit code %lu, expected 2\n", i + 1, code ? *code : 999ul);
            return 1;
        }
        std::printf("run %d: start-up to visible wizard %.0f ms, baseline process start %.0f ms\n", i + 1,
                    startup.back(), baseline.back());
    }
    const double median = Median(startup), base = Median(baseline);
    std::printf("median start-up to visible wizard: %.0f ms over %d runs\n", median, runs);
    std::printf("median baseline (empty process start and end): %.0f ms\n", base);
    std::printf("ratio start-up / baseline: %.2f\n", base > 0 ? median / base : 0.0);
    return 0;
}
