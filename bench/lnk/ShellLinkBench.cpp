// How many shell links the reader parses per second from memory (goal: a million or more for
// typical files). The baseline, measured in the same run over the same buffers, is one pass
// that only reads every byte: the floor for any reader of those files. Time is the process's
// CPU time, so that other work on a shared machine doesn't count against the reader.
//
//   lnk_bench [corpus-folder]     (default: the corpus the build was configured with)
#include <ctime>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "suite/lnk/ShellLink.h"
#include "tools/lnkwriter/LinkBytes.h"

namespace {

using Buffers = std::vector<std::vector<unsigned char>>;

// A typical shortcut as Windows 10 writes it for a program: IDList down to the file, LinkInfo,
// relative path, working directory, icon, tracker block.
std::vector<unsigned char> TypicalLink() {
    using namespace qm::lnkwriter;
    return Concat({Header(kFlagIdList | kFlagLinkInfo | kFlagRelativePath | kFlagWorkingDir | kFlagIconLocation |
                          kFlagUnicode),
                   IdList({MyComputerItem(), DriveItem("C:\\"), FileEntryItem(true, "PROGRA~1", u"Program Files"),
                           FileEntryItem(true, "MOZILL~1", u"Mozilla Firefox"),
                           FileEntryItem(false, "firefox.exe", u"firefox.exe")}),
                   LinkInfo({.basePath = "C:\\Program Files\\Mozilla Firefox\\firefox.exe"}),
                   CountedString(true, u"..\\..\\..\\..\\..\\Program Files\\Mozilla Firefox\\firefox.exe"),
                   CountedString(true, u"C:\\Program Files\\Mozilla Firefox"),
                   CountedString(true, u"C:\\Program Files\\Mozilla Firefox\\firefox.exe"),
                   TrackerBlock("desktop-4h2k1q"), Terminal()});
}

Buffers LoadCorpus(const std::filesystem::path& folder) {
    Buffers files;
    std::error_code error;
    for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
         !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
        if (it->path().filename() == "_expected") {
            it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file()) continue;
        std::ifstream in(it->path(), std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
        auto info = qm::lnk::ParseShellLink(bytes.data(), bytes.size());
        if (info.status == qm::lnk::ParseStatus::Ok) files.push_back(std::move(bytes));
    }
    return files;
}

// Runs pass over all buffers until about a CPU second has gone; answers items per CPU second.
template <typename Pass>
double PerSecond(const Buffers& buffers, Pass pass) {
    size_t items = 0;
    const std::clock_t start = std::clock();
    double elapsed = 0;
    do {
        for (const auto& b : buffers) pass(b);
        items += buffers.size();
        elapsed = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    } while (elapsed < 1.0);
    return items / elapsed;
}

volatile size_t g_sink;  // keeps the work from being optimised away

void Measure(const char* name, const Buffers& buffers) {
    if (buffers.empty()) return;
    size_t bytes = 0;
    for (const auto& b : buffers) bytes += b.size();
    const double baseline = PerSecond(buffers, [](const std::vector<unsigned char>& b) {
        size_t sum = 0;
        for (unsigned char c : b) sum += c;
        g_sink = g_sink + sum;
    });
    const double parsed = PerSecond(buffers, [](const std::vector<unsigned char>& b) {
        auto info = qm::lnk::ParseShellLink(b.data(), b.size());
        g_sink = g_sink + info.LocalPath().size() + info.idListPath.size();
    });
    std::printf("%-28s %5zu files, %6zu bytes avg: %10.0f links/s parsed, baseline read-through %10.0f/s (CPU time), "
                "parse costs %.1fx the read-through\n",
                name, buffers.size(), bytes / buffers.size(), parsed, baseline, baseline / parsed);
    std::printf("%-28s goal 1,000,000 links/s: %s\n", name, parsed >= 1e6 ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
    Buffers typical(64, TypicalLink());
    Measure("typical Windows 10 link", typical);
#ifdef QM_LNK_CORPUS
    const char* corpus = argc > 1 ? argv[1] : QM_LNK_CORPUS;
#else
    const char* corpus = argc > 1 ? argv[1] : nullptr;
#endif
    if (corpus) Measure("corpus (readable links)", LoadCorpus(corpus));
    return 0;
}
