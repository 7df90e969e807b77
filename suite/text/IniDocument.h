// The settings file as a document of lines: reads answer from it, and a write changes only the
// one line it concerns, so comments, unknown lines, their order and the line endings survive a
// rewrite. Portable (no <windows.h>); the configuration component does the file access.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::suite {

class IniDocument {
public:
    // Why a text is not a settings file; `line` is 1-based (0 when the fault is not on a line).
    struct ParseError {
        size_t line = 0;
        std::string message;
    };

    IniDocument() = default;

    // Parses UTF-8 text (an optional byte-order mark is kept for the rewrite). A binary file (a NUL
    // byte) or a section header without its closing bracket is an error; other lines that are not
    // comments, headers or key=value pairs are kept and otherwise ignored, as Windows does.
    static std::optional<IniDocument> Parse(std::string_view text, ParseError& error);

    // Section and key names compare without regard to ASCII case. The first section of that name
    // and the first key in it answer, as GetPrivateProfileString does. Surrounding whitespace of
    // the value is dropped, and a value wholly in double quotes loses the quotes.
    std::optional<std::string> Get(std::string_view section, std::string_view key) const;

    // GetPrivateProfileInt's reading: optional sign and decimal digits, or 0x and hex digits;
    // anything after the number is ignored. Absent key, no number, or out of range: 0.
    int GetInt(std::string_view section, std::string_view key) const;

    // Replaces the value of the line that Get reads, or adds the key at the end of its section
    // (after the section's last non-blank line), or adds the section at the end of the document.
    void Set(std::string_view section, std::string_view key, std::string_view value);

    // The document as file content, with the original line ending (CRLF when the file used it,
    // or when it was empty) and byte-order mark.
    std::string Serialize() const;

private:
    enum class LineKind { Other, Section, Pair };
    struct Line {
        std::string text;      // the line as read, without its line ending
        LineKind kind = LineKind::Other;
        std::string name;      // section name or key, trimmed
        size_t valueBegin = 0; // for pairs: where the text after '=' starts
    };

    // Index of the first line of the first section called `section` (the header itself), or
    // npos; the lines before the first header belong to no section and are never matched.
    size_t FindSection(std::string_view section) const;
    // Index of the key's line within the section starting at `header`, or npos.
    size_t FindKey(size_t header, std::string_view key) const;
    size_t SectionEnd(size_t header) const;

    std::vector<Line> lines_;
    bool bom_ = false;
    bool crlf_ = true;
    bool finalNewline_ = true;
};

// Whether `name` can be written as a section name (isSection) or a key without changing the
// meaning of the file: not empty, one line, and no character that would end or start something
// else (']' in a section; '=' or a leading ';', '#' or '[' in a key).
bool IsWritableIniName(std::string_view name, bool isSection);

// Parses an integer the way GetPrivateProfileInt does (see IniDocument::GetInt).
int ParseProfileInt(std::string_view text);

}  // namespace qm::suite
