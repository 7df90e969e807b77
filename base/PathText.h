// The text rules behind the path macros and the module folder, apart from the system calls
// that supply the folders, so they can be tested on any platform.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

// Macro name (with its percent signs) to folder. A std::map keeps the names in byte order,
// which is the order in which the macros are replaced.
using MacroTable = std::map<std::string, std::string, std::less<>>;

// Replaces the first occurrence of each macro, matched without regard to ASCII case; a later
// occurrence of the same macro and unknown names stay as written. Folders keep their own case.
std::string ExpandMacros(std::string_view text, const MacroTable& macros);

// Removes one trailing backslash, if any.
std::string WithoutTrailingBackslash(std::string folder);

// The folder part of a module's full file name: the text before the last backslash
// ("C:\Tools\app.exe" gives "C:\Tools", "C:\app.exe" gives "C:", and a program on a network
// share, "\\server\share\app.exe", gives "\\server\share").
// A name whose last separator is a drive colon (C:app.exe) keeps the colon: C:.
std::string ModuleFolderOf(std::string_view modulePath);

// `path` below `folder`, or `folder` itself, comparing ASCII letters without regard to case
// ("C:\Users\Ann\Desktop\x.lnk" is inside "c:\users\ann"; "C:\Users\Anna" is not). Either
// may end in one backslash ("C:\").
bool IsSameOrInside(std::string_view path, std::string_view folder) noexcept;

// `roots` without those that lie inside another of them (or repeat one), in their order: the
// search of the outer root finds everything in the inner one anyway.
std::vector<std::string> WithoutNestedRoots(const std::vector<std::string>& roots);

// A path in the form paths are compared in: slashes as backslashes, no trailing backslash
// ("C:\" gives "C:"), letters upper-cased as Windows' file systems compare names
// (simple upper case of each UTF-16 unit; here for ASCII, Latin-1, Latin Extended-A, Greek and
// Cyrillic, where nearly every real name is; other characters stay as they are, so such names
// only match when spelled the same).
std::string PathCompareKey(std::string_view path);

}  // namespace qm
