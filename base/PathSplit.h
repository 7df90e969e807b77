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

// A full path taken apart: its root ("C:" for a drive, "\\server\share" for a share) and its
// components, empty ones left out ("C:\a\\b\" gives C:, a, b).
struct PathParts {
    enum class Kind { Other, Drive, Unc } kind = Kind::Other;  // Other: not a full path, nothing set
    std::string root;
    std::vector<std::string> parts;

    // The root and the first `count` components; a drive root keeps its backslash ("C:\").
    std::string Join(size_t count) const;
    std::string Full() const { return Join(parts.size()); }
};

// Takes apart "X:\..." and "\\server\share..." as written (backslashes only, no "\\?\" prefix,
// the letter's case kept); anything else, "\\?\..." and "\\.\..." included, is Kind::Other.
PathParts SplitFullPath(std::string_view path);

// Cuts `text` at every occurrence of any delimiter, the earliest match first (at one position
// the first listed delimiter wins). Empty delimiters are ignored. With `dropEmpty`, empty pieces
// are left out: "C:\Windows\" split at "\" gives C:, Windows.
std::vector<std::string> SplitText(std::string_view text, const std::vector<std::string>& delimiters,
                                   bool dropEmpty);

}  // namespace qm
