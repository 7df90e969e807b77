// The language file: UTF-8 (optional byte-order mark), one `KEY=display text` per line.
//   - blank lines, lines starting with ';' or '#', and `[section]` lines are ignored;
//   - whitespace around KEY is trimmed; the text after the first '=' is taken as is, except a
//     trailing CR, with the escapes \n (newline), \t (tab) and \\ (backslash); any other
//     backslash stays as written, so paths need no doubling;
//   - a later duplicate key wins; keys are case-sensitive;
//   - a line without '=' or with an empty key is malformed; it costs only itself (a file cut
//     short or damaged in one place keeps every other text).
// Portable (no <windows.h>).
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

namespace qm::suite {

using LanguageTable = std::unordered_map<std::string, std::string>;

struct LanguageParseError {
    size_t line = 0;  // 1-based; 0 when the fault is not on one line
    std::string message;  // empty when there was none
};

// The texts of every well-formed line; `error` tells of the first malformed one. A file that is
// no text at all (a NUL byte: binary, or UTF-16) gives no table.
std::optional<LanguageTable> ParseLanguageFile(std::string_view text, LanguageParseError& error);

// Decodes the three escapes of a display text.
std::string UnescapeLanguageText(std::string_view text);

}  // namespace qm::suite
