#include "suite/finder/ScanCache.h"

#include "base/Text.h"

namespace qm::finder {

namespace {

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

// A listed name as AsciiLower makes a target's: two non-ASCII letters are the same as an ASCII
// one to the file system's case-insensitive compare (their capitals are "S" and "I").
std::string FoldListedName(std::string_view name) {
    std::string out = AsciiLower(name);
    for (size_t at = 0; (at = out.find_first_of("\xC4\xC5", at)) != std::string::npos && at + 1 < out.size(); ++at) {
        if (out.compare(at, 2, "\xC5\xBF") == 0) out.replace(at, 2, "s");       // U+017F long s
        else if (out.compare(at, 2, "\xC4\xB1") == 0) out.replace(at, 2, "i");  // U+0131 dotless i
    }
    return out;
}

// A name that a listing can prove absent: ASCII (the listing's names are compared with ASCII
// letters folded), and nothing the system would read as another name: no "~" (a short name),
// no stream, wildcard or trailing dot or space.
bool ListingCanDeny(std::string_view name) {
    if (name.empty() || name.back() == '.' || name.back() == ' ') return false;
    for (char c : name) {
        if ((c & 0x80) != 0 || c == '~' || c == ':' || c == '*' || c == '?') return false;
    }
    return true;
}

}  // namespace

Presence ScanCache::Probe(const std::string& path) {
    return ProbeFolded(path, AsciiLower(path));
}

Presence ScanCache::ProbeFolded(const std::string& path, const std::string& key) {
    if (auto known = presence_.find(key); known != presence_.end()) return known->second;

    // A target inside a folder already known (or listed) to be missing is missing too.
    for (std::string_view folder = ParentOf(key); !folder.empty(); folder = ParentOf(folder)) {
        std::optional<Presence> answer;
        if (auto known = presence_.find(std::string(folder)); known != presence_.end()) {
            answer = known->second;
        } else {
            answer = FromListing(path.substr(0, folder.size()), folder, false);
        }
        if (!answer) continue;
        if (*answer == Presence::Missing) return Presence::Missing;
        break;  // the nearest known ancestor exists (or is unknown): ask about the target itself
    }

    if (presence_.size() >= kMaxRemembered) presence_.clear();
    std::optional<Presence> listed = FromListing(path, key, true);
    if (!listed) ++calls_.probes;
    Presence presence = listed ? *listed : system_.Probe(path);
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

std::optional<Presence> ScanCache::FromListing(std::string_view path, std::string_view key, bool mayList) {
    std::string_view parent = ParentOf(key);
    // Local drives only: listing a large folder over a slow network could hold the scan long.
    if (parent.size() < 3 || parent[1] != ':') return std::nullopt;
    auto found = listings_.find(std::string(parent));
    if (found == listings_.end()) {
        if (!mayList) return std::nullopt;
        if (listings_.size() >= kMaxRemembered) {
            listings_.clear();
            listedNames_ = 0;
        }
        found = listings_.emplace(std::string(parent), Listing{}).first;
    }
    Listing& folder = found->second;
    if (!folder.listed) {
        if (!mayList || folder.refused || ++folder.asked < kListAfter) return std::nullopt;
        const DriveKind drive = Drive(AsciiUpper(parent[0])).kind;
        std::vector<FolderEntry> entries;
        bool listed = false;
        if (drive == DriveKind::Fixed || drive == DriveKind::Removable) {
            ++calls_.listings;
            listed = system_.ListFolder(std::string(path.substr(0, parent.size())), entries);
        }
        if (!listed || entries.size() > kMaxListed || listedNames_ + entries.size() > kMaxRemembered) {
            folder.refused = true;
            return std::nullopt;
        }
        for (const FolderEntry& entry : entries) folder.names.insert(FoldListedName(entry.name));
        listedNames_ += entries.size();
        folder.listed = true;
        presence_.emplace(std::string(parent), Presence::Exists);
    }
    std::string_view name = key.substr(parent.size() + (parent.back() == '\\' ? 0 : 1));
    if (folder.names.count(std::string(name))) return Presence::Exists;
    if (ListingCanDeny(name)) return Presence::Missing;
    return std::nullopt;
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
    std::string key = AsciiLower(location);
    auto known = answers_.find(key);
    if (known != answers_.end()) return known->second;
    ++calls_.answers;
    bool answers = system_.Answers(location);
    answers_.emplace(std::move(key), answers);
    return answers;
}

std::optional<std::string> ScanCache::EnvironmentVariable(const std::string& name) {
    std::string key = AsciiLower(name);
    auto known = environment_.find(key);
    if (known != environment_.end()) return known->second;
    std::optional<std::string> value = system_.EnvironmentVariable(name);
    environment_.emplace(std::move(key), value);
    return value;
}

}  // namespace qm::finder
