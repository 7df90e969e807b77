// Every document, web page and mail link the help menus and dialogs open goes through here:
// the shell's "open" verb, owned by a window. Tests put a recorder in its place so that no
// browser or mail program starts.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>

namespace qm::help {

// Opens `target` (UTF-8) with ShellExecute: "open", no parameters, no folder, shown normally.
// The result is not looked at: the shell reports its own failures.
void ShellOpen(HWND owner, std::string_view target);

using ShellOpener = std::function<void(HWND owner, const std::string& target)>;
// Replaces the opener (an empty function restores the shell); returns the previous one.
ShellOpener ReplaceShellOpener(ShellOpener opener);

}  // namespace qm::help
