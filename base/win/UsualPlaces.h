// The usual places of the user running the program, found with the shell's known folders, and
// what the shell says about a folder: its display name and its icon.
#pragma once

#include "base/UsualPlaceTable.h"
#include "base/win/Handle.h"

#include <string>
#include <vector>

namespace qm {

// The usual places that exist for the calling user (see ResolveUsualPlaces), each with the
// shell's display name. Nothing is created: a known folder missing here is left out.
std::vector<UsualPlaceFolder> FindUsualPlaces();

// The shell's full path of a known folder for the calling user; empty when it has none.
std::string KnownFolderPath(KnownFolder folder);

// The name the shell shows for a file, folder or drive ("Desktop", "Local Disk (C:)"); empty
// when the shell has none. It may ask the disk.
std::string ShellDisplayName(const std::string& path);

// The shell's icon for a file, folder or drive, `pixels` wide and high where the icon file has
// that size (else the shell's small icon); none when the shell has none. It may ask the disk.
IconHandle ShellIcon(const std::string& path, int pixels);

}  // namespace qm
