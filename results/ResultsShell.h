// What the results page asks of the shell: the open and save dialogs, the Recycle Bin with the
// shell's own confirmation, a shortcut's property sheet, its folder in Explorer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace qm::results {

// The file the user picks as a shortcut's new target, the dialog opening in the deepest folder
// of the old target that is still there; "" when cancelled.
std::string ChooseNewTarget(HWND owner, const std::string& oldTargetFolder);
// Where to save the list (a CSV file); "" when cancelled.
std::string ChooseListFile(HWND owner);

// Moves the files to the Recycle Bin in one operation of the shell, which asks for confirmation
// as far as the user's settings say, owned by `owner`; true when the user declined.
bool RecycleWithShell(HWND owner, const std::vector<std::string>& paths);

void LaunchExplorer(const std::wstring& parameters);
void LaunchProperties(HWND owner, const std::wstring& file);

}  // namespace qm::results
