// The drives of the computer, as the folder page lists them.
#pragma once

#include "folders/FolderTree.h"

#include <optional>
#include <string>
#include <vector>

namespace qm::folders {

// The root path ("C:\") of every drive letter in use, in the order the system lists them. Reads
// the system's drive table only: no drive is asked, so it answers at once.
std::vector<std::string> DriveRoots();

// The drive at `rootPath` when its free-space query succeeds (fixed, removable, optical,
// network, RAM), with its label and the shell's name for it; nothing for a drive without a
// medium or without access. Asks the drive, so it
// may block for as long as the drive takes to answer.
std::optional<DriveInfo> QueryDrive(const std::string& rootPath);

// QueryDrive for every root of DriveRoots, keeping the ready ones.
std::vector<DriveInfo> ListDrives();

}  // namespace qm::folders
