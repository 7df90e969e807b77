// The ready drives of the computer, as the folder page lists them.
#pragma once

#include "folders/FolderTree.h"

#include <vector>

namespace qm::folders {

// Every drive whose free-space query succeeds (fixed, removable, optical, network, RAM), in the
// order the system lists them; a drive without a medium or without access is left out.
std::vector<DriveInfo> ListDrives();

}  // namespace qm::folders
