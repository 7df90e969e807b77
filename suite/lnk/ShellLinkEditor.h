// Re-targets an existing shell link (.lnk) in memory: the result is the same file with only its
// target changed. Pure C++ over a byte buffer, no <windows.h>; every read is bounds-checked, and
// a file the reader does not accept as a well-formed shell link is refused, never guessed at.
//
// What changes:
//  - header: LinkFlags as the sections below need; FileAttributes, FileSize and the three times
//    from the new target when the caller knows them, zero otherwise (they describe the target);
//  - LinkTargetIDList: rebuilt for a drive path (My Computer, drive, one item per component);
//    dropped for a UNC path, whose LinkInfo names it;
//  - LinkInfo: written anew (VolumeID and local base path, or the network form with the share as
//    net name and the rest as common path suffix; Unicode fields when the path is not ASCII);
//    ForceNoLinkInfo is cleared, since the new LinkInfo is the one that names the target;
//  - relative path: recomputed from the link's folder, dropped when no relative path leads there;
//  - working directory: a folder that no longer exists becomes the new target's folder;
//  - icon location (string and icon environment block): one that named the old target names the
//    new one;
//  - environment-variable target block: both forms hold the new path (dropped when it does not
//    fit the block's 260 characters);
//  - property-store blocks: kept, with the text values that name the old target rewritten (one
//    that spells its path, such as System.Link.TargetParsingPath, gets the new path; the
//    target's folder and name as the shell shows them get the new one's); the application's
//    identity (System.AppUserModel.*) and every other value stay byte for byte. A store that
//    cannot be read is kept as it is, unless its bytes spell an old target (then dropped);
//  - blocks that point at the old target by other means are dropped: the tracker block (object
//    identifiers of the old file), the known-folder and special-folder blocks (offsets into the
//    old IDList), the Vista IDList block, and any other block whose bytes spell an old target.
// Everything else (description, arguments, icon index, show command, hot key, run-as flag and
// the other flags, console, Darwin and shim blocks, data after the terminal block) is copied
// byte for byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace qm::lnk {

// The file the link should now open. Text is UTF-8.
struct NewTarget {
    std::string path;  // "C:\dir\file.exe", "C:\" or "\\server\share\dir\file"
    bool isFolder = false;
    // What the header records of the target; zero where the caller does not know it.
    uint32_t attributes = 0;
    uint64_t size = 0;
    uint64_t creationTime = 0, accessTime = 0, writeTime = 0;  // FILETIME values
    // The VolumeID of a drive path.
    uint32_t driveType = 3;  // DRIVE_FIXED
    uint32_t driveSerialNumber = 0;
    std::string volumeLabel;
};

// What the editor asks of the system around the link.
struct RetargetContext {
    std::string linkFolder;  // full path of the folder holding the link (for the relative path)
    // Whether the link's working directory still exists; null keeps it as it is.
    std::function<bool(const std::string&)> folderExists;
    // Expands "%NAME%" runs, for comparing an environment form with a plain path; null: none.
    std::function<std::string(const std::string&)> expandVariables;
};

struct RetargetResult {
    bool ok = false;
    std::string error;                // why not, for messages and tests
    std::vector<unsigned char> bytes;  // the new file when ok
};

RetargetResult RetargetShellLink(const unsigned char* data, size_t size, const NewTarget& target,
                                 const RetargetContext& context);

// The target a link names, the way the shell picks it: the environment-variable target
// (expanded when `expandVariables` is given), else LinkInfo's local path (the IDList's when the
// ANSI base path may be in another code page), else its network path, else the IDList's path.
// Empty for links to shell objects without a file-system path.
struct ShellLinkInfo;
std::string LinkTargetPath(const ShellLinkInfo& link,
                           const std::function<std::string(const std::string&)>& expandVariables = nullptr);

}  // namespace qm::lnk
