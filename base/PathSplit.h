// Splitting paths and texts without touching the file system. Paths are UTF-8; a backslash or
// a colon separates components. UTF-8 never uses the bytes 0x5C or 0x3A inside a multi-byte
// character, so a byte search finds only real separators.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qm {

// The text after the last backslash or colon ("C:\a\x.lnk" -> "x.lnk"); the whole path when
// there is none, empty when the path ends in a separator.
std::string PathFileName(std::string_view path);

// The text before the last backslash or colon, without it ("C:\a\x.lnk" -> "C:\a"); the whole
// path when there is none. A one-byte result is taken for a drive letter and gets its colon
// back ("C:\x.lnk" -> "C:", "x" -> "x:").
std::string PathFolder(std::string_view path);

// Cuts `text` at every occurrence of any delimiter, the earliest match first (at one position
// the first listed delimiter wins). Empty delimiters are ignored. With `dropEmpty`, empty pieces
// are left out: "C:\Windows\" split at "\" gives C:, Windows.
std::vector<std::string> SplitText(std::string_view text, const std::vector<std::string>& delimiters,
                                   bool dropEmpty);

}  // namespace qm
