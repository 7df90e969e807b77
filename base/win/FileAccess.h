// Looking at paths and reading small files, for UTF-8 paths of any length (base/win/LongPath.h).
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qm {

// Whether a file or folder is at `path` (its attributes can be read).
bool PathExists(std::string_view path);
bool IsFolder(std::string_view path);
// Whether the system says nothing is at `path`: a file that another program holds open, or one
// that cannot be looked at, is still there.
bool PathIsGone(std::string_view path);

// The file's bytes, read to its end; nullopt when it cannot be opened or read, or holds more than
// `cap` bytes. Others may read, write and delete it meanwhile. `flags`: CreateFileW's flags.
std::optional<std::string> ReadWholeFile(std::string_view path, std::size_t cap, DWORD flags = 0);

}  // namespace qm
