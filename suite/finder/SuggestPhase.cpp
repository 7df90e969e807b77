#include "suite/finder/SuggestPhase.h"

#include "base/Utf.h"
#include "base/win/FileAccess.h"
#include "suite/finder/FindOptions.h"
#include "suite/finder/ScanCache.h"
#include "suite/finder/WindowsFileSystem.h"

#include <windows.h>

namespace qm::finder {

namespace {

std::string FolderOf(const std::string& path) {
    const size_t slash = path.find_last_of('\\');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

bool IsInternetShortcut(const std::string& path) {
    return path.size() >= 4 && MatchesMask(std::string_view(path).substr(path.size() - 4), ".url");
}

}  // namespace

std::vector<BrokenLink> ReadShortcuts(const std::vector<std::string>& paths, FileSystem& fileSystem,
                                      const std::function<bool()>& stopRequested) {
    std::vector<BrokenLink> links(paths.size());
    for (size_t i = 0; i < paths.size(); ++i) {
        // A file on a slow drive takes its time: Stop is looked at before each one.
        if (stopRequested && stopRequested()) break;
        // The search's own form of the path, as it listed the file. FILE_FLAG_OPEN_NO_RECALL: a
        // cloud placeholder is not fetched for this.
        const std::optional<std::string> bytes = ReadWholeFile(Narrow(ToExtendedPath(paths[i])), lnk::kMaxLinkFileSize,
                                                               FILE_FLAG_SEQUENTIAL_SCAN | FILE_FLAG_OPEN_NO_RECALL);
        if (!bytes) continue;
        const auto* data = reinterpret_cast<const unsigned char*>(bytes->data());
        if (IsInternetShortcut(paths[i])) {
            // Judged by its URL's path; the link stays empty, so only the path is searched for.
            const lnk::InternetShortcutInfo shortcut = lnk::ParseInternetShortcut(data, bytes->size());
            links[i].read = shortcut.status == lnk::UrlFileStatus::Ok;
            links[i].judgement = JudgeInternetShortcut(shortcut, fileSystem);
            continue;
        }
        links[i].link = lnk::ParseShellLink(data, bytes->size());
        if (links[i].link.status != lnk::ParseStatus::Ok) continue;
        links[i].read = true;
        links[i].judgement = JudgeShortcut(links[i].link, FolderOf(paths[i]), fileSystem);
    }
    return links;
}

std::vector<BrokenLink> JudgeShortcutFiles(const std::vector<std::string>& paths) {
    WindowsFileSystem system(kDefaultProbeTimeoutMs);
    ScanCache cache(system);
    return ReadShortcuts(paths, cache);
}

std::vector<TargetSuggestion> SuggestForShortcutFiles(const std::vector<std::string>& paths, const SuggestOptions& options,
                                                      SuggestStats* stats) {
    WindowsFileSystem system(kDefaultProbeTimeoutMs);
    ScanCache cache(system);
    std::vector<BrokenLink> links = ReadShortcuts(paths, cache, options.stopRequested);
    return SuggestMovedTargets(links, cache, options, stats);
}

}  // namespace qm::finder
