// Writes a synthetic folder tree with plain files and real shell-link files of every kind the
// search must tell apart, and says which links it expects to be reported as broken. Used by the
// end-to-end tests (small trees) and the scan benchmark (20,000 folders). Portable C++.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace qm::lnkwriter {

struct TreeShape {
    std::filesystem::path root;  // where to write; must not exist yet or be empty
    std::string windowsRoot;     // the same folder as Windows sees it, e.g. "Z:\tmp\tree"
    uint32_t folders = 200;      // including the root and the target folders
    uint32_t files = 2000;       // plain files
    uint32_t links = 300;
    char absentDrive = 0;        // a drive letter that does not exist where the tree is searched
};

// The kinds of link the tree holds; the first four are broken.
enum class LinkKind {
    BrokenLocal,          // LinkInfo path to a missing file in an existing folder
    BrokenVanishedFolder, // LinkInfo path into a folder that is gone
    BrokenIdList,         // only an IDList, its file missing
    BrokenEnvironment,    // environment target, expanded path missing
    WorkingLocal,
    WorkingFolder,
    WorkingEnvironment,
    WorkingRelative,      // LinkInfo path gone, relative path still leads to the file
    Advertised,
    ShellObject,
    AbsentDrive,
    DeadShare,
    NotALink,             // junk bytes in a file named .lnk
    Count
};
const char* KindName(LinkKind kind);
bool IsBroken(LinkKind kind);

struct TreeResult {
    std::vector<std::string> broken;  // Windows paths of the links that must be reported, sorted
    uint64_t folders = 0, files = 0, links = 0;
    uint64_t perKind[static_cast<int>(LinkKind::Count)] = {};
};

// Throws std::filesystem::filesystem_error when writing fails.
TreeResult GenerateTree(const TreeShape& shape);

}  // namespace qm::lnkwriter
