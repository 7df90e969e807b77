#include "suite/finder/MovedTargets.h"

#include "base/PathSplit.h"
#include "base/Text.h"
#include "suite/finder/ScanCache.h"

#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <unordered_map>

namespace qm::finder {

namespace {

constexpr uint32_t kFileAttributeDirectory = 0x10;
constexpr uint64_t kTimeTolerance = 2 * 10'000'000ull;  // two seconds in FILETIME units

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (static_cast<unsigned char>(c) >= 0x80); }

// A full path taken apart, in the form the rule gives it (no "\\?\" prefix, backslashes).
PathParts Split(std::string_view path) { return SplitFullPath(ClassifyPath(path).path); }

std::string JoinParts(std::string base, const std::vector<std::string>& parts, size_t from) {
    for (size_t i = from; i < parts.size(); ++i) {
        if (base.empty() || base.back() != '\\') base += '\\';
        base += parts[i];
    }
    return base;
}

bool IsZero(const lnk::ShellLinkInfo::Guid& id) {
    return std::all_of(id.begin(), id.end(), [](unsigned char b) { return b == 0; });
}

// Folders whose content is never a place a target moved to: deleted items and system data.
bool IsSkippedFolder(std::string_view name) {
    for (const char* skipped : {"$recycle.bin", "recycler", "recycled", "system volume information"}) {
        if (EqualsIgnoringAsciiCase(name, skipped)) return true;
    }
    return false;
}

// Natural order on digit runs, so "App 1.10" comes after "App 1.9".
bool VersionBefore(std::string_view a, std::string_view b) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            size_t ei = i, ej = j;
            while (ei < a.size() && IsDigit(a[ei])) ++ei;
            while (ej < b.size() && IsDigit(b[ej])) ++ej;
            std::string_view na = a.substr(i, ei - i), nb = b.substr(j, ej - j);
            while (na.size() > 1 && na[0] == '0') na.remove_prefix(1);
            while (nb.size() > 1 && nb[0] == '0') nb.remove_prefix(1);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ei;
            j = ej;
            continue;
        }
        char ca = AsciiLower(a[i]), cb = AsciiLower(b[j]);
        if (ca != cb) return ca < cb;
        ++i;
        ++j;
    }
    return (a.size() - i) < (b.size() - j);
}

struct Candidate {
    std::string path;
    Strategy strategy;
    ItemDetails details;
    bool exact = false;  // name, size and time as the header recorded
    int score = 0;       // for the order among possibilities
};

// Everything the phase knows about one broken shortcut while it searches.
struct Work {
    const BrokenLink* input = nullptr;
    PathParts target;
    std::string targetName;  // folded
    bool targetIsFolder = false;
    bool attributesKnown = false;
    size_t existingDepth = 0;  // components of the nearest existing ancestor
    bool ancestorKnown = false;
    std::vector<Candidate> candidates;
    std::set<std::string> seen;  // folded candidate paths
};

class Search {
public:
    Search(FileSystem& system, const SuggestOptions& options, SuggestStats& stats)
        : cache_(system), options_(options), stats_(stats) {}

    std::vector<TargetSuggestion> Run(const std::vector<BrokenLink>& links);

private:
    bool Stopped() {
        if (!stats_.stopped && options_.stopRequested && options_.stopRequested()) stats_.stopped = true;
        return stats_.stopped;
    }
    bool Allowed(const Work& work, const std::string& path);
    void Consider(Work& work, const std::string& path, Strategy strategy);
    void Explain(Work& work, TargetSuggestion& out);
    void ByObjectId(Work& work);
    void KnownRelocations(Work& work);
    void ProgramFilesSwaps(Work& work);
    void ProfileSwaps(Work& work);
    void OtherDrives(Work& work);
    void VersionFolders(Work& work);
    void SubtreeSearches(std::vector<Work>& works);
    void Decide(Work& work, TargetSuggestion& out);
    const std::vector<FolderEntry>* Listing(const std::string& folder);

    ScanCache cache_;
    const SuggestOptions& options_;
    SuggestStats& stats_;
    // The folders listed for the profile and version searches (folded path; nullopt: unlistable).
    std::unordered_map<std::string, std::optional<std::vector<FolderEntry>>> listings_;
};

const std::vector<FolderEntry>* Search::Listing(const std::string& folder) {
    // Each listing may take long on a slow drive; after a stop nothing more is listed.
    if (Stopped()) return nullptr;
    auto [known, added] = listings_.try_emplace(AsciiLower(folder));
    if (added) {
        ++stats_.foldersListed;
        std::vector<FolderEntry> entries;
        if (cache_.ListFolder(folder, entries)) known->second = std::move(entries);
    }
    return known->second ? &*known->second : nullptr;
}

bool Search::Allowed(const Work& work, const std::string& path) {
    PathParts candidate = Split(path);
    if (candidate.kind == PathParts::Kind::Unc) {
        return work.target.kind == PathParts::Kind::Unc && EqualsIgnoringAsciiCase(candidate.root, work.target.root);
    }
    if (candidate.kind != PathParts::Kind::Drive) return false;
    DriveState drive = cache_.Drive(candidate.root[0]);
    if (drive.kind == DriveKind::Fixed) return true;
    // A mapped network drive only when the target was on that very drive.
    return drive.kind == DriveKind::Remote && work.target.kind == PathParts::Kind::Drive &&
           EqualsIgnoringAsciiCase(candidate.root, work.target.root);
}

void Search::Consider(Work& work, const std::string& path, Strategy strategy) {
    std::string key = AsciiLower(path);
    if (!work.seen.insert(key).second) return;
    if (EqualsIgnoringAsciiCase(path, work.target.Full())) return;
    if (!Allowed(work, path)) return;
    if (cache_.Probe(path) != Presence::Exists) return;
    std::optional<ItemDetails> details = cache_.Details(path);
    if (!details) return;
    if (work.attributesKnown && details->folder != work.targetIsFolder) return;
    Candidate candidate{path, strategy, *details};
    const PathParts split = Split(path);
    const bool sameName = !split.parts.empty() && AsciiLower(split.parts.back()) == work.targetName;
    candidate.exact = sameName && MatchesHeader(work.input->link, *details);
    candidate.score = (sameName ? 4 : 0) + (details->size == work.input->link.fileSize ? 2 : 0) +
                      (work.input->link.writeTime != 0 && details->writeTime == work.input->link.writeTime ? 1 : 0);
    work.candidates.push_back(std::move(candidate));
}

void Search::Explain(Work& work, TargetSuggestion& out) {
    const PathParts& target = work.target;
    out.gone.name = target.parts.empty() ? target.root : target.parts.back();
    out.gone.targetIsFolder = work.targetIsFolder;
    bool onNetwork = target.kind == PathParts::Kind::Unc;
    if (target.kind == PathParts::Kind::Drive && cache_.Drive(target.root[0]).kind == DriveKind::Remote) onNetwork = true;

    // The nearest existing ancestor: Unknown counts as existing, it is not proven gone.
    size_t depth = target.parts.empty() ? 0 : target.parts.size() - 1;
    while (depth > 0 && cache_.Probe(target.Join(depth)) == Presence::Missing) --depth;
    work.existingDepth = depth;
    work.ancestorKnown = true;

    if (onNetwork) {
        out.gone.kind = GoneKind::MissingOnShare;
        out.gone.folder = target.root;
    } else if (target.parts.empty() || depth + 1 == target.parts.size()) {
        out.gone.kind = GoneKind::ItemNotInFolder;
        out.gone.folder = target.Join(depth);
    } else {
        out.gone.kind = GoneKind::FolderGone;
        out.gone.folder = target.Join(depth + 1);
    }
}

void Search::ByObjectId(Work& work) {
    const lnk::ShellLinkInfo& link = work.input->link;
    if (!link.hasTracker || IsZero(link.trackerObjectId)) return;
    if (std::optional<std::string> path = cache_.PathOfObject(link.trackerObjectId)) {
        Consider(work, *path, Strategy::ObjectId);
    }
    if (link.trackerBirthObjectId != link.trackerObjectId && !IsZero(link.trackerBirthObjectId)) {
        if (std::optional<std::string> path = cache_.PathOfObject(link.trackerBirthObjectId)) {
            Consider(work, *path, Strategy::ObjectId);
        }
    }
}

void Search::KnownRelocations(Work& work) {
    ProgramFilesSwaps(work);
    ProfileSwaps(work);
    OtherDrives(work);
}

void Search::ProgramFilesSwaps(Work& work) {
    const PathParts& target = work.target;
    // By name, anywhere below the root.
    for (size_t i = 0; i < target.parts.size(); ++i) {
        const char* other = nullptr;
        if (EqualsIgnoringAsciiCase(target.parts[i], "Program Files")) other = "Program Files (x86)";
        if (EqualsIgnoringAsciiCase(target.parts[i], "Program Files (x86)")) other = "Program Files";
        if (!other) continue;
        PathParts swapped = target;
        swapped.parts[i] = other;
        Consider(work, swapped.Full(), Strategy::KnownRelocation);
    }
    // By the variables' values, which may name other folders or drives.
    static const char* const kGroups[][3] = {
        {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432"},
        {"CommonProgramFiles", "CommonProgramFiles(x86)", "CommonProgramW6432"},
    };
    const std::string full = target.Full();
    for (const auto& group : kGroups) {
        std::vector<std::string> values;
        for (const char* name : group) {
            std::optional<std::string> value = cache_.EnvironmentVariable(name);
            if (value && !value->empty()) values.push_back(ClassifyPath(*value).path);
        }
        for (const std::string& from : values) {
            if (full.size() <= from.size() || !EqualsIgnoringAsciiCase(std::string_view(full).substr(0, from.size()), from) ||
                full[from.size()] != '\\')
                continue;
            for (const std::string& to : values) {
                if (!EqualsIgnoringAsciiCase(to, from)) Consider(work, to + full.substr(from.size()), Strategy::KnownRelocation);
            }
        }
    }
}

void Search::ProfileSwaps(Work& work) {
    const PathParts& target = work.target;
    if (target.kind != PathParts::Kind::Drive || target.parts.size() < 3) return;
    const bool newForm = EqualsIgnoringAsciiCase(target.parts[0], "Users");
    const bool oldForm = EqualsIgnoringAsciiCase(target.parts[0], "Documents and Settings");
    if (!newForm && !oldForm) return;

    // Where profiles live now: beside the current user's, and under both names on this drive.
    std::vector<std::string> roots;
    if (std::optional<std::string> profile = cache_.EnvironmentVariable("USERPROFILE")) {
        PathParts own = Split(*profile);
        if (own.kind == PathParts::Kind::Drive && !own.parts.empty()) roots.push_back(own.Join(own.parts.size() - 1));
    }
    roots.push_back(target.root + "\\Users");
    roots.push_back(target.root + "\\Documents and Settings");

    // The rest of the path after the profile folder, and its other form for documents.
    std::vector<std::vector<std::string>> rests;
    std::vector<std::string> rest(target.parts.begin() + 2, target.parts.end());
    rests.push_back(rest);
    if (EqualsIgnoringAsciiCase(rest[0], "My Documents") && rest.size() > 1) {
        rests.push_back(rest);
        rests.back()[0] = "Documents";
    } else if (EqualsIgnoringAsciiCase(rest[0], "Documents") && rest.size() > 1) {
        rests.push_back(rest);
        rests.back()[0] = "My Documents";
    }

    std::set<std::string> rootsDone;
    for (const std::string& root : roots) {
        if (!rootsDone.insert(AsciiLower(root)).second) continue;
        const std::vector<FolderEntry>* profiles = Listing(root);
        if (!profiles) continue;
        for (const FolderEntry& entry : *profiles) {
            // "All Users", "Default User" and the old names under a new system are junctions.
            if (!entry.details.folder || entry.details.reparsePoint) continue;
            for (const std::vector<std::string>& tail : rests) {
                Consider(work, JoinParts(root + "\\" + entry.name, tail, 0), Strategy::KnownRelocation);
            }
        }
    }
}

void Search::OtherDrives(Work& work) {
    const PathParts& target = work.target;
    if (target.kind != PathParts::Kind::Drive || target.parts.empty()) return;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        if (letter == target.root[0]) continue;
        if (cache_.Drive(letter).kind != DriveKind::Fixed) continue;
        PathParts moved = target;
        moved.root[0] = letter;
        Consider(work, moved.Full(), Strategy::KnownRelocation);
    }
}

void Search::VersionFolders(Work& work) {
    const PathParts& target = work.target;
    const size_t missing = work.existingDepth;  // index of the first missing component
    if (missing >= target.parts.size()) return;
    // The target itself missing from an existing folder: only a folder target can be a
    // renamed version folder.
    if (missing + 1 == target.parts.size() && !work.targetIsFolder) return;
    const std::string stem = VersionStem(target.parts[missing]);
    if (stem.empty()) return;
    const std::vector<FolderEntry>* siblings = Listing(target.Join(missing));
    if (!siblings) return;
    std::vector<const FolderEntry*> versions;
    for (const FolderEntry& entry : *siblings) {
        if (!entry.details.folder || entry.details.reparsePoint) continue;
        if (EqualsIgnoringAsciiCase(entry.name, target.parts[missing]) || VersionStem(entry.name) != stem) continue;
        versions.push_back(&entry);
    }
    // The newest version first: among possibilities of equal weight it is the likelier one.
    std::sort(versions.begin(), versions.end(),
              [](const FolderEntry* a, const FolderEntry* b) { return VersionBefore(b->name, a->name); });
    for (const FolderEntry* entry : versions) {
        PathParts renamed = target;
        renamed.parts[missing] = entry->name;
        Consider(work, renamed.Full(), Strategy::VersionFolder);
    }
}

void Search::SubtreeSearches(std::vector<Work>& works) {
    // Group the shortcuts by their nearest existing folder: one walk serves a whole group.
    std::map<std::string, std::vector<Work*>> groups;  // folded ancestor
    std::map<std::string, std::string> ancestorPath;
    for (Work& work : works) {
        if (!work.ancestorKnown || work.target.parts.empty()) continue;
        std::string ancestor = work.target.Join(work.existingDepth);
        if (!Allowed(work, ancestor)) continue;
        std::string key = AsciiLower(ancestor);
        groups[key].push_back(&work);
        ancestorPath.emplace(key, ancestor);
    }
    // The groups with the most shortcuts first, while the budget lasts.
    std::vector<std::pair<std::string, std::vector<Work*>*>> order;
    for (auto& [key, members] : groups) order.emplace_back(key, &members);
    std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) { return a.second->size() > b.second->size(); });

    for (auto& [key, members] : order) {
        if (Stopped() || stats_.foldersListed >= options_.foldersInAll) break;
        std::unordered_map<std::string, std::vector<Work*>> wanted;  // folded name -> shortcuts
        for (Work* work : *members) wanted[work->targetName].push_back(work);

        ++stats_.subtreeWalks;
        std::deque<std::string> pending{ancestorPath[key]};
        uint32_t listed = 0;
        while (!pending.empty()) {
            if (listed >= options_.foldersPerSubtree || stats_.foldersListed >= options_.foldersInAll || Stopped()) {
                ++stats_.subtreeWalksCut;
                break;
            }
            std::string folder = std::move(pending.front());
            pending.pop_front();
            ++listed;
            std::vector<FolderEntry> entries;
            ++stats_.foldersListed;
            if (!cache_.ListFolder(folder, entries)) continue;
            for (const FolderEntry& entry : entries) {
                std::string path = JoinParts(folder, {entry.name}, 0);
                if (entry.details.folder && !entry.details.reparsePoint && !IsSkippedFolder(entry.name)) {
                    pending.push_back(path);
                }
                auto hit = wanted.find(AsciiLower(entry.name));
                if (hit == wanted.end()) continue;
                for (Work* work : hit->second) Consider(*work, path, Strategy::SubtreeSearch);
            }
        }
    }
}

void Search::Decide(Work& work, TargetSuggestion& out) {
    out.candidates = static_cast<uint32_t>(work.candidates.size());
    if (work.candidates.empty()) return;
    // Exact candidates, one file seen under two paths counted once.
    size_t exact = 0;
    for (size_t i = 0; i < work.candidates.size(); ++i) {
        const Candidate& candidate = work.candidates[i];
        if (!candidate.exact) continue;
        const ItemDetails& id = candidate.details;
        const bool knownIdentity = id.volumeSerial != 0 || id.fileIndex != 0;
        const bool seenBefore = knownIdentity && std::any_of(work.candidates.begin(), work.candidates.begin() + i, [&](const Candidate& other) {
                                    return other.exact && other.details.volumeSerial == id.volumeSerial &&
                                           other.details.fileIndex == id.fileIndex;
                                });
        exact += !seenBefore;
    }
    // Cheapest strategy first within equal weight; the candidates are in the order found.
    const Candidate* best = nullptr;
    for (const Candidate& candidate : work.candidates) {
        if (!best || candidate.exact > best->exact ||
            (candidate.exact == best->exact && candidate.score > best->score) ||
            (candidate.exact == best->exact && candidate.score == best->score && candidate.strategy < best->strategy)) {
            best = &candidate;
        }
    }
    out.target = best->path;
    out.strategy = best->strategy;
    out.confidence = (best->exact && exact == 1) ? Confidence::Certain : Confidence::Possible;
    const int index = static_cast<int>(best->strategy);
    ++stats_.found[index];
    if (out.confidence == Confidence::Certain) ++stats_.certain[index];
}

std::vector<TargetSuggestion> Search::Run(const std::vector<BrokenLink>& links) {
    std::vector<TargetSuggestion> results(links.size());
    std::vector<Work> works;
    works.reserve(links.size());
    std::vector<size_t> indexOf;
    for (size_t i = 0; i < links.size(); ++i) {
        const BrokenLink& input = links[i];
        TrackerData& tracker = results[i].tracker;
        tracker.present = input.link.hasTracker;
        tracker.machine = input.link.trackerMachineId;
        tracker.volumeId = input.link.trackerVolumeId;
        tracker.objectId = input.link.trackerObjectId;
        tracker.birthVolumeId = input.link.trackerBirthVolumeId;
        tracker.birthObjectId = input.link.trackerBirthObjectId;
        if (input.judgement.verdict != Verdict::Broken) continue;
        Work work;
        work.input = &input;
        work.target = Split(input.judgement.target);
        if (work.target.kind == PathParts::Kind::Other) continue;
        work.targetName = work.target.parts.empty() ? std::string() : AsciiLower(work.target.parts.back());
        work.attributesKnown = input.link.fileAttributes != 0;
        work.targetIsFolder = (input.link.fileAttributes & kFileAttributeDirectory) != 0;
        works.push_back(std::move(work));
        indexOf.push_back(i);
    }

    // The cheap searches, shortcut by shortcut.
    size_t done = 0;
    for (size_t w = 0; w < works.size(); ++w) {
        if (Stopped()) break;
        Work& work = works[w];
        Explain(work, results[indexOf[w]]);
        ByObjectId(work);
        KnownRelocations(work);
        VersionFolders(work);
        if (options_.progress) options_.progress(++done, works.size());
    }
    // The subtree walks, one per shared folder; every candidate counts before anything is
    // called certain, so a second equal file found by any search makes both possibilities.
    SubtreeSearches(works);
    for (size_t w = 0; w < works.size(); ++w) Decide(works[w], results[indexOf[w]]);
    return results;
}

}  // namespace

const char* StrategyKey(Strategy strategy) {
    switch (strategy) {
        case Strategy::ObjectId: return "ObjectId";
        case Strategy::KnownRelocation: return "KnownRelocation";
        case Strategy::VersionFolder: return "VersionFolder";
        case Strategy::SubtreeSearch: return "SubtreeSearch";
        case Strategy::Count: break;
    }
    return "";
}

const char* ConfidenceKey(Confidence confidence) {
    switch (confidence) {
        case Confidence::Possible: return "Possible";
        case Confidence::Certain: return "Certain";
        case Confidence::None: break;
    }
    return "";
}

const char* GoneKindKey(GoneKind kind) {
    switch (kind) {
        case GoneKind::ItemNotInFolder: return "ItemNotInFolder";
        case GoneKind::FolderGone: return "FolderGone";
        case GoneKind::MissingOnShare: return "MissingOnShare";
        case GoneKind::NotBroken: break;
    }
    return "";
}

std::string VersionStem(std::string_view name) {
    static const char* const kSuffixes[] = {"alpha", "beta", "rc", "preview", "pre", "final", "release", "build", "update", "sp"};
    // Digits and dots go; a 'v' right before a digit goes with them.
    std::string stem;
    for (size_t i = 0; i < name.size(); ++i) {
        char c = name[i];
        if (IsDigit(c) || c == '.') continue;
        if ((c == 'v' || c == 'V') && i + 1 < name.size() && IsDigit(name[i + 1]) && (i == 0 || !IsLetter(name[i - 1]))) continue;
        stem += AsciiLower(c);
    }
    // Separators and suffix words at the end go, repeatedly ("App 1.2 beta 3" -> "app").
    for (bool changed = true; changed;) {
        changed = false;
        while (!stem.empty() && (stem.back() == ' ' || stem.back() == '-' || stem.back() == '_')) {
            stem.pop_back();
            changed = true;
        }
        for (const char* suffix : kSuffixes) {
            const size_t length = std::char_traits<char>::length(suffix);
            if (stem.size() > length && stem.compare(stem.size() - length, length, suffix) == 0) {
                const char before = stem[stem.size() - length - 1];
                if (before == ' ' || before == '-' || before == '_') {
                    stem.resize(stem.size() - length);
                    changed = true;
                }
            }
        }
    }
    if (std::none_of(stem.begin(), stem.end(), IsLetter)) return {};
    return stem;
}

bool MatchesHeader(const lnk::ShellLinkInfo& link, const ItemDetails& details) {
    if (link.writeTime == 0 || details.writeTime == 0) return false;
    const uint64_t apart = link.writeTime > details.writeTime ? link.writeTime - details.writeTime : details.writeTime - link.writeTime;
    if (apart > kTimeTolerance) return false;
    // A folder's size means nothing; the header keeps only the low 32 bits of a file's.
    return details.folder || static_cast<uint32_t>(details.size) == link.fileSize;
}

std::vector<TargetSuggestion> SuggestMovedTargets(const std::vector<BrokenLink>& links, FileSystem& fileSystem,
                                                  const SuggestOptions& options, SuggestStats* stats) {
    SuggestStats local;
    Search search(fileSystem, options, stats ? *stats : local);
    return search.Run(links);
}

}  // namespace qm::finder
