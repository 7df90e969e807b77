// A world of moved targets, for the ground truth of the search for moved targets: the files on
// a system's drives (with sizes and times), the shortcuts written before their targets moved,
// and for each shortcut where its target went, with decoys that must not fool the search (the
// same name with another size or time, two equally good copies, a copy on a removable drive).
// Pure data: the tests load it into a fake file system. Portable C++.
#pragma once

#include "tools/lnkwriter/LinkWriter.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace qm::lnkwriter {

// How a target moved; each kind is what one search is meant to find.
enum class MoveKind {
    ProgramFiles,   // "Program Files" <-> "Program Files (x86)"
    Profile,        // to another profile, or from "Documents and Settings" to "Users"
    OtherDrive,     // the same path on another fixed drive
    VersionFolder,  // "Tool 1.4" renamed to "Tool 1.5"
    Subfolder,      // into a subfolder of the folder it was in
    Count
};
const char* MoveKindName(MoveKind kind);

enum class Decoy {
    None,
    OtherSize,         // the same name with another size, where the subtree search sees it
    OtherTime,         // the same name with another last-write time, likewise
    TwoEqual,          // a second copy, equal in name, size and time: nothing may be certain
    OnRemovable,       // an equal copy on a removable drive: never a candidate
    OnlyOnRemovable,   // the target went to a removable drive only: no suggestion is right
    Updated,           // the moved file was changed too: found, but only a possibility
    Count
};
const char* DecoyName(Decoy decoy);

struct WorldItem {
    std::string path;  // full Windows path
    bool folder = false;
    uint64_t size = 0;
    uint64_t writeTime = 0;
};

struct MovedLink {
    MoveKind kind = MoveKind::Count;
    Decoy decoy = Decoy::None;
    LinkFields link;           // the shortcut as written before its target moved
    std::string truth;       // where the target is now; empty when no suggestion is right
    bool certainAllowed = true;  // false where no suggestion may be certain
};

struct MovedWorldShape {
    uint32_t perKind = 21;        // shortcuts per kind of move (decoys in turn)
    uint32_t fillerFolders = 300; // unrelated folders the searches walk through
};

struct MovedWorld {
    // Drive letters: C and D fixed, E removable (see kRemovableDrive).
    std::vector<WorldItem> items;
    std::vector<MovedLink> links;
    std::map<std::string, std::string> environment;  // variable names in lower case
};
inline constexpr char kOtherFixedDrive = 'D';
inline constexpr char kRemovableDrive = 'E';

MovedWorld GenerateMovedWorld(const MovedWorldShape& shape);

}  // namespace qm::lnkwriter
