// Internet shortcuts (.url files): INI text whose [InternetShortcut] section names, in URL=,
// what the shortcut opens. Reading, the path a file: URL names, and a re-target that changes
// only what names the target. Pure C++ over a byte buffer, no <windows.h>.
//
// The file's text: UTF-16LE after a byte-order mark; otherwise 8-bit text, taken as UTF-8 when
// it is well-formed UTF-8 (a UTF-8 byte-order mark is skipped) and else as ANSI text of a code
// page the file does not record (read as Windows-1252, and marked lossy). Windows writes the
// URL a second time, UTF-7 encoded, in [InternetShortcut.W] when the ANSI code page cannot
// spell it; that exact form is preferred. Sections and keys are matched without regard to
// ASCII case, the first key of a name in a section of that name counts, values are trimmed and lose one pair of enclosing
// double quotes, as the system's profile functions read them.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::lnk {

enum class UrlFileStatus {
    Ok,         // an [InternetShortcut] section with a URL
    NotText,    // empty, or binary: a NUL byte in 8-bit text, or a UTF-16 file of odd length
    NoSection,  // no [InternetShortcut] section
    NoUrl,      // the section has no URL= (or an empty one)
};

struct InternetShortcutInfo {
    UrlFileStatus status = UrlFileStatus::NotText;
    std::string url;       // UTF-8
    bool urlIsLossy = false;  // from ANSI text with bytes above 0x7F: right only under Windows-1252
    std::string iconFile;  // IconFile=, "" when absent
};

InternetShortcutInfo ParseInternetShortcut(const unsigned char* data, size_t size);

// The file-system path a URL names: a file: URL ("file:///C:/a%20b" -> "C:\a b",
// "file://server/share/x" -> "\\server\share\x"; percent-escapes are UTF-8, and a URL whose
// escapes are not well-formed UTF-8 is decoded as Windows-1252 and marked lossy), or a bare
// full path ("C:\a", "\\server\share\a"). nullopt for any other scheme, for a file: URL that
// names no full path (or holds a NUL or a control character), and for plain text.
struct UrlPath {
    std::string path;
    bool lossy = false;
    // Set when the URL holds a '?' or '#': `path` stops before it (a query or a fragment, as in
    // "file:///C:/help.htm#intro"), `literal` keeps it as part of the name, which Windows allows.
    std::optional<std::string> literal;
};
std::optional<UrlPath> PathFromUrl(std::string_view url);

// The file: URL of a full path, ASCII only: "C:\a b\ü" -> "file:///C:/a%20b/%C3%BC",
// "\\server\share\x" -> "file://server/share/x". Everything but letters, digits, "-._/" and a
// drive's colon is percent-escaped ('+' too, so the text is also its own UTF-7 form).
std::string FileUrlFromPath(std::string_view path);

struct UrlRetargetResult {
    bool ok = false;
    std::string error;                 // why not, for messages and tests
    std::vector<unsigned char> bytes;  // the new file when ok
};

// Makes the internet shortcut open `newTarget` (a full path): the URL= values of
// [InternetShortcut] and of [InternetShortcut.W] become its file: URL, and an IconFile= (in
// either) that named the old target names the new one, in the form it had (path or URL).
// Every other byte stays as it was: line ends, other keys and sections, the spelling of the
// keys. Refused when the file is not an internet shortcut with a URL, when its URL names no
// file-system path, or when a UTF-16 file would not come back unchanged.
UrlRetargetResult RetargetInternetShortcut(const unsigned char* data, size_t size, std::string_view newTarget);

}  // namespace qm::lnk
