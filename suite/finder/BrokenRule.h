// When is a shortcut broken? The one place that decides it, without any window or Win32 call:
// everything it needs to know about drives, shares and files comes through FileSystem, so the
// rule is tested against a fake file system.
//
// A shell link is broken when its target is a file-system path that certainly does not exist.
// The target is taken the way the shell takes it: the environment-variable target (expanded),
// otherwise LinkInfo's local path, otherwise its network path, otherwise the IDList's path.
// Unknown is not missing, so these are never broken:
//  - advertised installer shortcuts (Darwin data) and links to shell objects without a path;
//  - an environment target that names an unset variable;
//  - targets on a drive letter that is absent or not ready (unplugged stick, empty drive);
//  - targets on a removable drive that now holds another volume than the link recorded;
//  - targets on a network share or mapped drive that does not answer (probed once per scan);
//  - targets whose check fails in any other way than "not found".
// Access denied counts as existing; a folder target that exists is fine. A missing target whose
// link also has a relative path that leads, from the link's folder, to an existing item still
// works.
// A path stored as ANSI text with bytes above 0x7F decodes right only under the code page it
// was written in, which the link does not keep. Its spelling is mended from the Unicode names
// the link holds elsewhere, the surest first: the IDList's long names (the whole path), the
// tail of the relative path, the working directory (the folders), each only where it fits the
// stored text. A miss under a name still uncertain is reported only when a folder above it
// whose name is certain is gone; otherwise it is not reported.
#pragma once

#include "suite/lnk/InternetShortcut.h"
#include "suite/lnk/ShellLink.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::finder {

enum class Presence { Exists, Missing, Unknown };

enum class DriveKind {
    Absent,     // no such drive letter
    NotReady,   // the letter exists but has no medium (empty card reader, optical drive)
    Fixed,
    Removable,  // removable or optical with a medium: `serial` is that volume's
    Remote,     // a mapped network drive
};

struct DriveState {
    DriveKind kind = DriveKind::Absent;
    bool serialKnown = false;  // asked only of drives whose medium can change
    uint32_t serial = 0;
};

// What a listing or a look at one item tells of it (for the search for moved targets).
struct ItemDetails {
    bool folder = false;
    bool reparsePoint = false;  // a junction or symbolic link: never entered by a search
    uint64_t size = 0;
    uint64_t writeTime = 0;     // FILETIME: 100 ns units since 1601, UTC
    // The file's identity where known (both 0 otherwise): one file seen under two paths (through
    // a junction such as "Documents and Settings") has the same.
    uint32_t volumeSerial = 0;
    uint64_t fileIndex = 0;
};
struct FolderEntry {
    std::string name;
    ItemDetails details;
};

// What the rule asks of the system. Paths are full UTF-8 paths ("C:\a\b", "\\server\share\a").
class FileSystem {
public:
    virtual ~FileSystem() = default;
    // Whether a file or folder exists. Access denied answers Exists; an error that says nothing
    // about the item itself answers Unknown.
    virtual Presence Probe(const std::string& path) = 0;
    virtual DriveState Drive(char letter) = 0;
    // Whether a network location ("\\server\share", or "X:" for a mapped drive) answers within
    // the time bound.
    virtual bool Answers(const std::string& location) = 0;
    virtual std::optional<std::string> EnvironmentVariable(const std::string& name) = 0;

    // Asked only by the search for moved targets (MovedTargets.h). The defaults know nothing,
    // which makes that search find less, never something wrong.
    // The folder's entries without "." and ".."; false when it can't be listed.
    virtual bool ListFolder(const std::string& path, std::vector<FolderEntry>& entries) {
        (void)path;
        entries.clear();
        return false;
    }
    // The item's size, time and kind; nullopt when it can't be had.
    virtual std::optional<ItemDetails> Details(const std::string& path) {
        (void)path;
        return std::nullopt;
    }
    // The full path of the file that carries this object identifier on a local volume, where the
    // system can open files by object identifier; nullopt otherwise.
    virtual std::optional<std::string> PathOfObject(const lnk::ShellLinkInfo::Guid& objectId) {
        (void)objectId;
        return std::nullopt;
    }
};

enum class Verdict { Working, Broken, Unjudged };

enum class Reason {
    TargetExists,
    RelativePathExists,
    TargetMissing,
    Advertised,
    NoFileSystemPath,
    UnsetVariable,
    NotAbsolute,
    DriveAbsent,
    DriveNotReady,
    OtherVolume,
    NetworkSilent,
    TargetUnknown,
    TargetNameUncertain,
};

struct Judgement {
    Verdict verdict = Verdict::Unjudged;
    Reason reason = Reason::NoFileSystemPath;
    std::string target;  // the path that was checked, when there was one
};

const char* ReasonName(Reason reason);
// The reason as it crosses FindFiles to the program ("TargetMissing"): the enumerator's own
// name, stable, for the program to key its texts on.
const char* ReasonKey(Reason reason);

// `linkFolder` is the full path of the folder that holds the link.
Judgement JudgeShortcut(const lnk::ShellLinkInfo& link, std::string_view linkFolder, FileSystem& fs);

// An internet shortcut whose URL is a file: URL or a bare full path is judged like a shell link
// with that target (drive, volume of a swappable medium aside, and share first); one with any
// other URL, or a file that is no internet shortcut, is never broken (NoFileSystemPath). A name
// from ANSI text of an unknown code page counts as uncertain, as a shell link's does.
Judgement JudgeInternetShortcut(const lnk::InternetShortcutInfo& shortcut, FileSystem& fs);

// ---- Path helpers the rule and the walk share -------------------------------------------

// "%NAME%" runs replaced by their values; nullopt when a named variable is unset. A lone '%'
// and "%%" stay as they are.
std::optional<std::string> ExpandVariables(std::string_view text, FileSystem& fs);

// The form of a full path: "X:\..." (drive letter in `drive`, upper case), "\\server\share..."
// (`share` = "\\server\share"), or neither. "\\?\" and "\\?\UNC\" prefixes are understood.
struct PathRoot {
    enum class Kind { Drive, Unc, Other } kind = Kind::Other;
    char drive = 0;
    std::string share;
    std::string path;  // the path without any "\\?\" prefix, slashes turned into backslashes
};
PathRoot ClassifyPath(std::string_view path);

// Joins a relative path to a folder, resolving "." and ".." (never above the folder's root).
std::string ResolveRelative(std::string_view folder, std::string_view relative);

}  // namespace qm::finder
