#include "suite/finder/ScanCache.h"

namespace qm::finder {

namespace {

std::string FoldCase(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The parent of a full path ("C:\a\b" -> "C:\a", "C:\a" -> "C:\"), or empty at a root.
std::string_view ParentOf(std::string_view path) {
    size_t slash = path.rfind('\\');
    if (slash == std::string_view::npos) return {};
    if (slash == 2 && path.size() > 3 && path[1] == ':') return path.substr(0, 3);
    if (slash < 3) return {};  // "C:\" itself, or inside "\\server"
    std::string_view parent = path.substr(0, slash);
    // Never above "\\server\share": the share's own presence is Answers' business.
    if (parent.rfind("\\\\", 0) == 0 && parent.find('\\', 2) == std::string_view::npos) return {};
    return parent;
}

}  // namespace

Presence ScanCache::Probe(const std::string& path) {
    return ProbeFolded(path, FoldCase(path));
}

Presence ScanCache::ProbeFolded(const std::string& path, const std::string& key) {
    if (auto known = presence_.find(key); known != presence_.end()) return known->second;

    // A target inside a folder already known to be missing is missing too.
    for (std::string_view folder = ParentOf(key); !folder.empty(); folder = ParentOf(folder)) {
        auto known = presence_.find(std::string(folder));
        if (known == presence_.end()) continue;
        if (known->second == Presence::Missing) return Presence::Missing;
        break;  // the nearest known ancestor exists (or is unknown): ask the system
    }

    if (presence_.size() >= kMaxRemembered) presence_.clear();
    ++calls_.probes;
    Presence presence = system_.Probe(path);
    presence_.emplace(key, presence);

    std::string_view parent = ParentOf(key);
    if (!parent.empty()) {
        if (presence == Presence::Exists) {
            presence_.emplace(std::string(parent), Presence::Exists);
        } else if (presence == Presence::Missing) {
            // Learn whether the folder itself is gone: one call per distinct folder, and every
            // other target in a vanished folder is then answered from memory.
            ProbeFolded(path.substr(0, parent.size()), std::string(parent));
        }
    }
    return presence;
}

DriveState ScanCache::Drive(char letter) {
    auto known = drives_.find(letter);
    if (known != drives_.end()) return known->second;
    ++calls_.drives;
    DriveState state = system_.Drive(letter);
    drives_.emplace(letter, state);
    return state;
}

bool ScanCache::Answers(const std::string& location) {
    std::string key = FoldCase(location);
    auto known = answers_.find(key);
    if (known != answers_.end()) return known->second;
    ++calls_.answers;
    bool answers = system_.Answers(location);
    answers_.emplace(std::move(key), answers);
    return answers;
}

std::optional<std::string> ScanCache::EnvironmentVariable(const std::string& name) {
    std::string key = FoldCase(name);
    auto known = environment_.find(key);
    if (known != environment_.end()) return known->second;
    std::optional<std::string> value = system_.EnvironmentVariable(name);
    environment_.emplace(std::move(key), value);
    return value;
}

}  // namespace qm::finder
