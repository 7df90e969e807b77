// Folder macros in settings values ("%ModulePath%\lang\English.lng"), the program's own file
// and folder, and strings from a file's version resource. Every folder is looked up afresh at
// each call; nothing here fails: an unknown folder leaves its macro as written, a missing
// version string is the empty text. All text is UTF-8.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace qm::ui {

// Replaces %Windows%, %WindowsDirectory%, %ModulePath%, %SystemDirectory%, %TempDirectory%,
// %Personal%, %AppData%, %CommonAppData% and %LocalAppData% (same folder as %CommonAppData%).
std::string ExpandPathMacros(std::string_view text);

// The full file name of `module` (null: the program's own file).
std::string GetModulePath(HMODULE module = nullptr);
// The folder of that file, without a trailing backslash.
std::string GetModuleDirectory(HMODULE module = nullptr);

// A value of the file's version resource (its first language), or "" when there is none.
std::string GetVersionString(std::string_view filePath, std::string_view valueName);
std::string GetProductName(std::string_view filePath);
std::string GetProductVersion(std::string_view filePath);

}  // namespace qm::ui
