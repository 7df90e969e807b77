// Scan benchmark: the whole FindFiles (through the COM component, with the scan's arguments)
// against a bare FindFirstFileExW walk of the same tree, in the same process and run. Prints
// times, their ratio, folders/s, shortcuts/s and the peak working set, and checks the reported
// set against the generator's list when one is given.
//
//   scan_bench ROOT [--expected FILE] [--rounds N] [--make-tree FOLDERS FILES LINKS [ABSENT_DRIVE]]
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "suite/finder/Engine.h"
#include "suite/finder/WindowsFileSystem.h"
#include "suite/lnk/ShellLink.h"
#include "suite/include/QuillSuite.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <windows.h>
#include <psapi.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <set>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

double MiB(SIZE_T bytes) { return static_cast<double>(bytes) / (1024.0 * 1024.0); }

PROCESS_MEMORY_COUNTERS Memory() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    ::GetProcessMemoryInfo(::GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

struct WalkCounts {
    uint64_t folders = 0, files = 0, links = 0;
};

bool EndsWithLnk(const wchar_t* name) {
    size_t n = wcslen(name);
    return n >= 4 && _wcsicmp(name + n - 4, L".lnk") == 0;
}

struct LinkFile {
    std::wstring path;   // "\\?\" form
    std::string folder;  // as the engine reports it
};

// The baseline: every folder listed once with the cheapest listing the API offers, reparse
// points not entered, nothing else done. `links`, when given, gets the shortcut files the
// engine would open (not while timed).
WalkCounts BareWalk(const std::wstring& root, std::vector<LinkFile>* links = nullptr) {
    WalkCounts counts;
    std::vector<std::wstring> pending{L"\\\\?\\" + root};
    WIN32_FIND_DATAW data;
    while (!pending.empty()) {
        std::wstring folder = std::move(pending.back());
        pending.pop_back();
        qm::FindHandle find(::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                               nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find) continue;
        ++counts.folders;
        do {
            const wchar_t* name = data.cFileName;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                if (name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))) continue;
                if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) continue;
                pending.push_back(folder + L"\\" + name);
            } else {
                ++counts.files;
                if (!EndsWithLnk(name)) continue;
                ++counts.links;
                if (links && data.nFileSizeLow >= 0x4C) {
                    links->push_back({folder + L"\\" + name, qm::Narrow(std::wstring_view(folder).substr(4))});
                }
            }
        } while (::FindNextFileW(find.Get(), &data));
    }
    return counts;
}

// Where the time beyond the walk goes: each shortcut file opened, read and closed, then every
// target judged with a fresh per-scan cache, each step timed on its own (one pass, not timed
// against anything; the shares of the whole matter).
void PrintBreakdown(const std::wstring& root) {
    std::vector<LinkFile> links;
    BareWalk(root, &links);

    double open = 0, read = 0, close = 0;
    std::vector<qm::lnk::ShellLinkInfo> parsed;
    std::vector<std::string> folders;
    std::vector<unsigned char> buffer(qm::lnk::kMaxLinkFileSize);
    for (const LinkFile& link : links) {
        auto t0 = Clock::now();
        qm::FileHandle file(::CreateFileW(link.path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                          nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        auto t1 = Clock::now();
        DWORD got = 0;
        if (file) ::ReadFile(file.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr);
        auto t2 = Clock::now();
        file.Reset();
        auto t3 = Clock::now();
        open += Seconds(t1 - t0);
        read += Seconds(t2 - t1);
        close += Seconds(t3 - t2);
        qm::lnk::ShellLinkInfo info = qm::lnk::ParseShellLink(buffer.data(), got);
        if (info.status != qm::lnk::ParseStatus::Ok) continue;
        parsed.push_back(std::move(info));
        folders.push_back(link.folder);
    }
    qm::finder::WindowsFileSystem system(qm::finder::kDefaultProbeTimeoutMs);
    qm::finder::ScanCache cache(system);
    auto t0 = Clock::now();
    for (size_t i = 0; i < parsed.size(); ++i) qm::finder::JudgeShortcut(parsed[i], folders[i], cache);
    const double judge = Seconds(Clock::now() - t0);
    const double n = static_cast<double>(std::max<size_t>(links.size(), 1));
    const qm::finder::ScanCache::Counters& calls = cache.SystemCalls();
    std::printf("where the time goes (%zu shortcut files, one pass): open %.3f s (%.0f us each), read %.3f s (%.0f us), "
                "close %.3f s (%.0f us); judging %zu targets %.3f s (%llu checks, %llu folder listings, %llu drive, "
                "%llu network queries)\n",
                links.size(), open, 1e6 * open / n, read, 1e6 * read / n, close, 1e6 * close / n, parsed.size(), judge,
                (unsigned long long)calls.probes, (unsigned long long)calls.listings, (unsigned long long)calls.drives,
                (unsigned long long)calls.answers);
}

struct Found {
    uint64_t folders = 0;
    std::vector<std::string> broken;
};

int __cdecl OnFile(const char* path, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    static_cast<Found*>(context)->broken.emplace_back(path);
    return 1;
}
int __cdecl OnFolder(const char*, const FinderReport*, WIN32_FIND_DATAA, void* context) {
    ++static_cast<Found*>(context)->folders;
    return 1;
}

HRESULT FindThroughComponent(IFileFinderComponent* finder, const std::string& root, Found& found) {
    std::vector<char> buffer(root.begin(), root.end());
    buffer.resize(root.size() + 2, '\0');
    const char* include[2] = {"", ""};
    const char* exclude[1] = {""};
    return finder->FindFiles(buffer.data(), include, 0, OnFile, &found, OnFolder, &found, exclude, 0, 1, 0, 0, 0, 0, 1, 0, 0);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

int Run(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: scan_bench ROOT [--expected FILE] [--rounds N] [--make-tree FOLDERS FILES LINKS [DRIVE]]\n");
        return 1;
    }
    std::vector<wchar_t> fullPath(32768);
    if (!::GetFullPathNameW(argv[1], static_cast<DWORD>(fullPath.size()), fullPath.data(), nullptr)) {
        std::fprintf(stderr, "scan_bench: not a folder path\n");
        return 1;
    }
    std::wstring root = fullPath.data();
    while (root.size() > 3 && root.back() == L'\\') root.pop_back();
    std::wstring expectedFile;
    int rounds = 3;
    for (int i = 2; i < argc; ++i) {
        std::wstring arg = argv[i];
        if (arg == L"--expected" && i + 1 < argc) {
            expectedFile = argv[++i];
        } else if (arg == L"--rounds" && i + 1 < argc) {
            rounds = std::max(1, _wtoi(argv[++i]));
        } else if (arg == L"--make-tree" && i + 3 < argc) {
            qm::lnkwriter::TreeShape shape;
            shape.root = std::filesystem::path(root);
            shape.windowsRoot = qm::Narrow(root);
            shape.folders = static_cast<uint32_t>(_wtoi(argv[++i]));
            shape.files = static_cast<uint32_t>(_wtoi(argv[++i]));
            shape.links = static_cast<uint32_t>(_wtoi(argv[++i]));
            if (i + 1 < argc && argv[i + 1][0] != L'-') shape.absentDrive = static_cast<char>(argv[++i][0]);
            qm::lnkwriter::TreeResult tree = qm::lnkwriter::GenerateTree(shape);
            std::ofstream out(std::filesystem::path(root + L".expected"), std::ios::binary);
            for (const std::string& path : tree.broken) out << path << "\n";
            expectedFile = root + L".expected";
        } else {
            std::fprintf(stderr, "scan_bench: unknown argument %s\n", qm::Narrow(arg).c_str());
            return 1;
        }
    }

    qm::ComApartment apartment;
    Microsoft::WRL::ComPtr<IFileFinderComponent> finder;
    HRESULT created = ::CoCreateInstance(CLSID_FileFinderComponent, nullptr, CLSCTX_ALL, __uuidof(IFileFinderComponent),
                                         reinterpret_cast<void**>(finder.GetAddressOf()));
    if (FAILED(created)) {
        std::fprintf(stderr, "scan_bench: the file finder component could not be created (0x%08lX)\n", created);
        return 2;
    }

    const std::string root8 = qm::Narrow(root);
    auto start = Clock::now();
    WalkCounts tree = BareWalk(root);  // warms the caches for both contenders
    const double cold = Seconds(Clock::now() - start);
    std::printf("tree %s: %llu folders, %llu files, %llu .lnk files (first walk %.3f s)\n", root8.c_str(),
                (unsigned long long)tree.folders, (unsigned long long)tree.files, (unsigned long long)tree.links, cold);

    std::vector<double> bare, full, walkOnly;
    SIZE_T peakBeforeFind = 0;
    Found found;
    HRESULT result = S_OK;
    for (int round = 0; round < rounds; ++round) {
        start = Clock::now();
        WalkCounts walked = BareWalk(root);
        bare.push_back(Seconds(Clock::now() - start));
        if (round == 0) peakBeforeFind = Memory().PeakWorkingSetSize;
        if (walked.folders != tree.folders) std::printf("warning: the tree changed while measured\n");

        found = Found();
        start = Clock::now();
        result = FindThroughComponent(finder.Get(), root8, found);
        full.push_back(Seconds(Clock::now() - start));
        // The engine's walk alone (no shortcut read), to tell the walk's cost from the links'.
        qm::finder::FindRequest walkRequest;
        walkRequest.root = root8;
        walkRequest.options.checkTargets = false;
        walkRequest.options.includeMasks = {"?"};  // one-letter names: none in the tree
        start = Clock::now();
        qm::finder::RunFind(walkRequest);
        walkOnly.push_back(Seconds(Clock::now() - start));
        std::printf("round %d: bare walk %.3f s, engine walk only %.3f s, FindFiles %.3f s (ratio %.3f)\n", round + 1,
                    bare.back(), walkOnly.back(), full.back(), full.back() / bare.back());
    }
    const PROCESS_MEMORY_COUNTERS memory = Memory();

    // The engine's own counters from one more run in this process (not timed).
    qm::finder::FindRequest request;
    request.root = root8;
    qm::finder::FindResult engine = qm::finder::RunFind(request);

    const double bareBest = *std::min_element(bare.begin(), bare.end());
    const double fullBest = *std::min_element(full.begin(), full.end());
    std::printf("\nFindFiles result 0x%08lX, %llu folders entered, %zu broken shortcuts reported\n", result,
                (unsigned long long)found.folders, found.broken.size());
    std::printf("bare FindFirstFileExW walk: best %.3f s, median %.3f s\n", bareBest, Median(bare));
    std::printf("engine walk, no link read:  best %.3f s, median %.3f s\n", *std::min_element(walkOnly.begin(), walkOnly.end()),
                Median(walkOnly));
    std::printf("full FindFiles search:      best %.3f s, median %.3f s\n", fullBest, Median(full));
    // Each round's own ratio: the two runs of a round are seconds apart, so a machine whose load
    // drifts (other builds sharing the cores and the wineserver) disturbs these least.
    std::vector<double> roundRatios;
    for (size_t i = 0; i < full.size(); ++i) roundRatios.push_back(full[i] / bare[i]);
    std::printf("ratio FindFiles / bare walk: best %.3f, median %.3f, median of the rounds' ratios %.3f (goal <= 1.10)\n",
                fullBest / bareBest, Median(full) / Median(bare), Median(roundRatios));
    std::printf("throughput: %.0f folders/s, %.0f shortcuts/s, %.0f entries/s\n", tree.folders / fullBest,
                tree.links / fullBest, (tree.folders + tree.files) / fullBest);
    std::printf("peak working set: %.1f MiB after the bare walks, %.1f MiB after FindFiles (goal < 64 MiB)\n",
                MiB(peakBeforeFind), MiB(memory.PeakWorkingSetSize));
    std::printf("engine: %llu shortcuts read, %llu target checks, %llu folder listings, %llu drive queries, %llu network probes, "
                "%llu folders unlisted\n",
                (unsigned long long)engine.stats.shortcuts, (unsigned long long)engine.stats.systemCalls.probes,
                (unsigned long long)engine.stats.systemCalls.listings,
                (unsigned long long)engine.stats.systemCalls.drives, (unsigned long long)engine.stats.systemCalls.answers,
                (unsigned long long)engine.stats.unlisted);

    PrintBreakdown(root);

    if (!expectedFile.empty()) {
        std::set<std::string> expected;
        std::ifstream in(std::filesystem::path(expectedFile), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) expected.insert(line);
        }
        std::set<std::string> reported(found.broken.begin(), found.broken.end());
        size_t missing = 0, extra = 0;
        for (const std::string& path : expected) missing += !reported.count(path);
        for (const std::string& path : reported) extra += !expected.count(path);
        std::printf("check: %zu expected, %zu reported, %zu missed, %zu false alarms\n", expected.size(), reported.size(),
                    missing, extra);
        if (missing || extra || reported.size() != found.broken.size()) return 3;
    }
    return FAILED(result) ? 2 : 0;
}

}  // namespace

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    int code = 1;
    try {
        code = Run(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "scan_bench: %s\n", error.what());
        code = 1;
    }
    ::LocalFree(argv);
    return code;
}
