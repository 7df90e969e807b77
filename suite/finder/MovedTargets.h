// Where did a broken shortcut's target go? A phase of its own after the search: given the broken
// shortcuts (their parsed links and the rule's judgements), it says in structured form which part
// of each target's path is gone and, where it finds one, where the target went and how sure that
// is. Window-free: everything comes through FileSystem, so it is tested against a fake.
//
// Candidates, cheapest first; each only on a local fixed drive, or on the very network location
// the target was on:
//  - the file the tracker's object identifier names, where the system can open files by it;
//  - known relocations: "Program Files" and "Program Files (x86)" (and their variables) swapped,
//    the profile part replaced by each existing profile ("Documents and Settings\<user>\My
//    Documents" against "Users\<user>\Documents" too), the same path on another fixed drive;
//  - a renamed version folder: the first missing folder's siblings that differ from it only in
//    digits, dots or a version suffix, holding the same rest of the path;
//  - the target's name in the subtree of its nearest existing folder, within a budget of
//    folders; one walk serves every shortcut that shares that folder.
// A suggestion is certain only when the name matches, the size and last-write time the link's
// header recorded match the file, and no other candidate matches as well; otherwise it is a
// possibility, never to be repaired without the user's look.
#pragma once

#include "suite/finder/BrokenRule.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm::finder {

// In the order they are tried.
enum class Strategy { ObjectId, KnownRelocation, VersionFolder, SubtreeSearch, Count };

enum class Confidence { None, Possible, Certain };

// Which part of the target's path is gone, for a sentence in the user's language.
enum class GoneKind {
    NotBroken,        // the shortcut was not judged broken: nothing is said
    ItemNotInFolder,  // `name` is no longer in `folder`, which exists
    FolderGone,       // `folder` (the outermost missing folder of the path) no longer exists
    MissingOnShare,   // `name` is missing on the network location `folder` ("\\server\share", "N:")
};

// The enumerators' own names ("KnownRelocation", "Certain", "FolderGone"), stable: they cross
// to the program, which keys its texts on them. None, Count and NotBroken give "".
const char* StrategyKey(Strategy strategy);
const char* ConfidenceKey(Confidence confidence);
const char* GoneKindKey(GoneKind kind);

struct GoneExplanation {
    GoneKind kind = GoneKind::NotBroken;
    std::string name;    // the target's own name (its last path component)
    std::string folder;  // see GoneKind
    bool targetIsFolder = false;  // the link recorded a folder as its target
};

// What the link's tracker block says, kept for the program and for a search by object
// identifier.
struct TrackerData {
    bool present = false;
    std::string machine;  // NetBIOS name of the machine the target was last seen on
    lnk::ShellLinkInfo::Guid volumeId{}, objectId{}, birthVolumeId{}, birthObjectId{};
};

struct TargetSuggestion {
    GoneExplanation gone;
    TrackerData tracker;
    Confidence confidence = Confidence::None;  // None: no suggestion
    std::string target;                        // the suggested new target
    Strategy strategy = Strategy::Count;       // the cheapest search that found it
    uint32_t candidates = 0;                   // existing candidates the searches found
};

struct BrokenLink {
    lnk::ShellLinkInfo link;  // empty for an internet shortcut, which is judged by its URL alone
    Judgement judgement;
    bool read = false;  // the file held a shell link or an internet shortcut
};

struct SuggestOptions {
    uint32_t foldersPerSubtree = 1000;  // folders one subtree walk lists at most
    uint32_t foldersInAll = 4000;       // folders the whole phase lists at most
    // Asked before each shortcut file is read, between shortcuts and before each folder is
    // listed; true ends the phase (what was found stays).
    std::function<bool()> stopRequested;
    // Told after each shortcut: how many are done of how many.
    std::function<void(size_t done, size_t total)> progress;
};

struct SuggestStats {
    uint64_t found[static_cast<int>(Strategy::Count)] = {};    // suggestions per strategy
    uint64_t certain[static_cast<int>(Strategy::Count)] = {};  // of which certain
    uint64_t foldersListed = 0;
    uint64_t subtreeWalks = 0, subtreeWalksCut = 0;  // walks, and walks the budget ended
    bool stopped = false;
};

// One result per link, in the same order. Links not judged broken get an empty result.
std::vector<TargetSuggestion> SuggestMovedTargets(const std::vector<BrokenLink>& links, FileSystem& fileSystem,
                                                  const SuggestOptions& options = {}, SuggestStats* stats = nullptr);

// ---- Pieces the search is made of, tested on their own ------------------------------------

// The name with its version marks removed and ASCII letters lowered ("App 1.2" and "app-v1.3
// beta" both give "app"): two folder names are versions of one another when this agrees and is
// not empty. Names without a letter give "".
std::string VersionStem(std::string_view name);

// Whether the candidate's write time and size are those the link's header recorded. A header
// without a write time matches nothing. Times within two seconds agree (FAT keeps even seconds).
bool MatchesHeader(const lnk::ShellLinkInfo& link, const ItemDetails& details);

}  // namespace qm::finder
