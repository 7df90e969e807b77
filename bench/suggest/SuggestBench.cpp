// Benchmark of the search for moved targets: on the scan benchmark's tree, the engine's scan and
// then the suggestion phase over the broken shortcuts it reported, in the same process and
// round. Prints both times and the phase's share of the scan (goal: at most 25%), with what the
// phase found and how many folders it listed.
//
//   suggest_bench ROOT [--rounds N] [--make-tree FOLDERS FILES LINKS [ABSENT_DRIVE]]
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "suite/finder/Engine.h"
#include "suite/finder/MovedTargets.h"
#include "suite/finder/ScanCache.h"
#include "suite/finder/SuggestPhase.h"
#include "suite/finder/WindowsFileSystem.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using namespace qm::finder;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int __cdecl OnFile(const char* path, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    static_cast<std::vector<std::string>*>(context)->emplace_back(path);
    return 1;
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: suggest_bench ROOT [--rounds N] [--make-tree FOLDERS FILES LINKS [DRIVE]]\n");
        return 1;
    }
    std::vector<wchar_t> fullPath(32768);
    if (!::GetFullPathNameW(argv[1], static_cast<DWORD>(fullPath.size()), fullPath.data(), nullptr)) return 1;
    std::wstring root = fullPath.data();
    while (root.size() > 3 && root.back() == L'\\') root.pop_back();
    int rounds = 3;
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--rounds" && i + 1 < argc) {
            rounds = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--make-tree" && i + 3 < argc) {
            qm::lnkwriter::TreeShape shape;
            shape.root = std::filesystem::path(root);
            shape.windowsRoot = qm::Narrow(root);
            shape.folders = static_cast<uint32_t>(_wtoi(argv[++i]));
            shape.files = static_cast<uint32_t>(_wtoi(argv[++i]));
            shape.links = static_cast<uint32_t>(_wtoi(argv[++i]));
            if (i + 1 < argc && argv[i + 1][0] != L'-') shape.absentDrive = static_cast<char>(argv[++i][0]);
            qm::lnkwriter::GenerateTree(shape);
        } else {
            std::fprintf(stderr, "suggest_bench: unknown argument %s\n", qm::Narrow(arg).c_str());
            return 1;
        }
    }

    std::vector<double> scans, reads, phases;
    SuggestStats stats;
    size_t broken = 0, judgedBroken = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::string> reported;
        FindRequest request;
        request.root = qm::Narrow(root);
        request.onFileFound = OnFile;
        request.fileContext = &reported;
        auto start = Clock::now();
        FindResult scan = RunFind(request);
        scans.push_back(Seconds(Clock::now() - start));
        if (FAILED(scan.code)) {
            std::fprintf(stderr, "suggest_bench: the scan failed: %s\n", scan.message.c_str());
            return 2;
        }
        broken = reported.size();

        WindowsFileSystem windows(request.options.probeTimeoutMs);
        start = Clock::now();
        ScanCache cache(windows);
        // What the scan knew of each broken shortcut (its parsed link and judgement) does not travel
        // with its report yet, so the links are read again here, timed apart.
        std::vector<BrokenLink> links = ReadShortcuts(reported, cache);
        reads.push_back(Seconds(Clock::now() - start));
        judgedBroken = std::count_if(links.begin(), links.end(), [](const BrokenLink& l) { return l.judgement.verdict == Verdict::Broken; });

        stats = SuggestStats();
        start = Clock::now();
        std::vector<TargetSuggestion> suggestions = SuggestMovedTargets(links, windows, {}, &stats);
        phases.push_back(Seconds(Clock::now() - start));
        std::printf("round %d: scan %.3f s, re-reading the broken links %.3f s, suggestion phase %.3f s (%.1f%% of the scan)\n",
                    round + 1, scans.back(), reads.back(), phases.back(), 100.0 * phases.back() / scans.back());
    }

    std::vector<double> shares;
    for (size_t i = 0; i < scans.size(); ++i) shares.push_back(phases[i] / scans[i]);
    std::printf("\n%zu broken shortcuts reported, %zu judged broken again\n", broken, judgedBroken);
    std::printf("scan (engine, no COM): median %.3f s\n", Median(scans));
    std::printf("re-reading the links:  median %.3f s (not needed once the scan hands its parsed links over)\n", Median(reads));
    std::printf("suggestion phase:      median %.3f s\n", Median(phases));
    std::printf("share of the scan: median of the rounds' shares %.1f%% (goal <= 25%%); with the re-reading %.1f%%\n",
                100.0 * Median(shares), 100.0 * (Median(phases) + Median(reads)) / Median(scans));
    std::printf("phase: %llu folders listed, %llu subtree walks (%llu cut by the budget)\n", (unsigned long long)stats.foldersListed,
                (unsigned long long)stats.subtreeWalks, (unsigned long long)stats.subtreeWalksCut);
    for (int s = 0; s < static_cast<int>(Strategy::Count); ++s) {
        std::printf("  %-24s found %llu, certain %llu\n", StrategyKey(static_cast<Strategy>(s)), (unsigned long long)stats.found[s],
                    (unsigned long long)stats.certain[s]);
    }
    return 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int code = 1;
    try {
        code = Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "suggest_bench: %s\n", error.what());
    }
    ::LocalFree(argv);
    return code;
}
