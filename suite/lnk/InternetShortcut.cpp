#include "suite/lnk/InternetShortcut.h"

#include "base/Text.h"
#include "base/Utf.h"

#include <algorithm>

namespace qm::lnk {

namespace {

constexpr std::string_view kSection = "InternetShortcut";
constexpr std::string_view kUnicodeSection = "InternetShortcut.W";

// The file as 8-bit text: its own bytes, or a UTF-16 file's text in UTF-8.
struct FileText {
    bool utf16 = false;
    bool utf8 = false;  // the 8-bit text is UTF-8 (always so for a UTF-16 file)
    std::string text;
};

std::optional<FileText> ReadText(const unsigned char* data, size_t size) {
    FileText file;
    if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
        if (size % 2 != 0) return std::nullopt;
        file.utf16 = file.utf8 = true;
        file.text = Utf16LeBytesToUtf8(data + 2, (size - 2) / 2);
        return file;
    }
    file.text.assign(reinterpret_cast<const char*>(data), size);
    if (size == 0 || file.text.find('\0') != std::string::npos) return std::nullopt;
    file.utf8 = IsWellFormedUtf8(file.text);
    return file;
}

// Where the text starts: after a UTF-8 byte-order mark, if any.
size_t TextStart(std::string_view text) { return text.rfind("\xEF\xBB\xBF", 0) == 0 ? 3 : 0; }

// Where a key's value lies in the text: [begin, end), trimmed, inside one pair of enclosing
// double quotes.
struct ValueSpan {
    size_t begin = 0, end = 0;
};

std::optional<ValueSpan> FindValue(std::string_view text, std::string_view section, std::string_view key) {
    bool inSection = false;
    size_t at = TextStart(text);
    while (at < text.size()) {
        size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const std::string_view raw = text.substr(at, lineEnd - at);
        const std::string_view line = Trim(raw);
        const size_t lineStart = at;
        at = lineEnd + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            const size_t close = line.find(']');
            if (close == std::string_view::npos) continue;
            inSection = EqualsIgnoringAsciiCase(Trim(line.substr(1, close - 1)), section);
            continue;
        }
        const size_t equals = line.find('=');
        if (!inSection || equals == std::string_view::npos || !EqualsIgnoringAsciiCase(Trim(line.substr(0, equals)), key)) continue;
        const size_t lineOffset = lineStart + static_cast<size_t>(line.data() - raw.data());
        std::string_view value = Trim(line.substr(equals + 1));
        ValueSpan span;
        span.begin = lineOffset + static_cast<size_t>(value.data() - line.data());
        span.end = span.begin + value.size();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
            ++span.begin;
            --span.end;
        }
        return span;
    }
    return std::nullopt;
}

bool HasSection(std::string_view text, std::string_view section) {
    size_t at = TextStart(text);
    while (at < text.size()) {
        size_t lineEnd = text.find('\n', at);
        if (lineEnd == std::string_view::npos) lineEnd = text.size();
        const std::string_view line = Trim(text.substr(at, lineEnd - at));
        at = lineEnd + 1;
        const size_t close = line.find(']');
        if (!line.empty() && line[0] == '[' && close != std::string_view::npos &&
            EqualsIgnoringAsciiCase(Trim(line.substr(1, close - 1)), section))
            return true;
    }
    return false;
}

// ---- UTF-7 (RFC 2152), the form of the values in [InternetShortcut.W] ----------------------

int Base64Value(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

std::optional<std::string> DecodeUtf7(std::string_view text) {
    std::u16string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (static_cast<unsigned char>(c) >= 0x80) return std::nullopt;
        if (c != '+') {
            out += static_cast<char16_t>(c);
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == '-') {
            out += u'+';
            ++i;
            continue;
        }
        uint32_t bits = 0;
        int count = 0;
        for (++i; i < text.size() && Base64Value(text[i]) >= 0; ++i) {
            bits = (bits << 6) | static_cast<uint32_t>(Base64Value(text[i]));
            count += 6;
            if (count >= 16) {
                count -= 16;
                out += static_cast<char16_t>((bits >> count) & 0xFFFF);
            }
        }
        if (i < text.size() && text[i] != '-') --i;  // the character that ended the run is text
    }
    return Utf16ToUtf8(out);
}

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::string EncodeUtf7(std::string_view utf8) {
    const std::u16string wide = Utf8ToUtf16(utf8);
    std::string out;
    for (size_t i = 0; i < wide.size();) {
        const char16_t c = wide[i];
        if (c < 0x80 && c != '+' && c != '~' && c != '\\') {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (c == '+') {
            out += "+-";
            ++i;
            continue;
        }
        out += '+';
        uint32_t bits = 0;
        int count = 0;
        for (; i < wide.size() && (wide[i] >= 0x80 || wide[i] == '~' || wide[i] == '\\'); ++i) {
            bits = (bits << 16) | wide[i];
            count += 16;
            while (count >= 6) {
                count -= 6;
                out += kBase64[(bits >> count) & 0x3F];
            }
        }
        if (count > 0) out += kBase64[(bits << (6 - count)) & 0x3F];
        out += '-';
    }
    return out;
}

// ---- URLs and paths ------------------------------------------------------------------------

bool IsDriveSpec(std::string_view text) {
    return text.size() >= 2 && IsAsciiLetter(text[0]) && (text[1] == ':' || text[1] == '|') &&
           (text.size() == 2 || text[2] == '/' || text[2] == '\\');
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Percent-escapes decoded (a '%' without two hex digits stays), slashes turned into
// backslashes; nullopt for a NUL or control character.
std::optional<std::string> DecodePathText(std::string_view text, bool& lossy) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 && HexValue(text[i + 2]) >= 0) {
            c = static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return std::nullopt;
        out += c == '/' ? '\\' : c;
    }
    if (!IsWellFormedUtf8(out)) {
        lossy = true;
        out = Windows1252ToUtf8(reinterpret_cast<const unsigned char*>(out.data()), out.size());
    }
    return out;
}

// The path of what follows "file:".
std::optional<std::string> FileUrlRest(std::string_view rest, bool& lossy) {
    if (rest.rfind("//", 0) == 0) {
        const std::string_view afterSlashes = rest.substr(2);
        const size_t slash = afterSlashes.find_first_of("/\\");
        const std::string_view host = afterSlashes.substr(0, slash);
        if (host.empty() || EqualsIgnoringAsciiCase(host, "localhost")) {
            rest = slash == std::string_view::npos ? std::string_view() : afterSlashes.substr(slash);
        } else if (IsDriveSpec(host)) {
            rest = afterSlashes;  // "file://C:/x": the drive where the host would be
        } else {
            std::optional<std::string> unc = DecodePathText(afterSlashes, lossy);
            if (!unc) return std::nullopt;
            return "\\\\" + *unc;
        }
    }
    size_t slashes = 0;
    while (slashes < rest.size() && (rest[slashes] == '/' || rest[slashes] == '\\')) ++slashes;
    rest.remove_prefix(slashes);
    if (IsDriveSpec(rest)) {
        std::optional<std::string> path = DecodePathText(rest, lossy);
        if (path) (*path)[1] = ':';
        return path;
    }
    if (slashes >= 2 && !rest.empty()) {  // "file:////server/share": a UNC path after an empty host
        std::optional<std::string> unc = DecodePathText(rest, lossy);
        if (!unc) return std::nullopt;
        return "\\\\" + *unc;
    }
    return std::nullopt;
}

bool NamesPath(std::string_view url, std::string_view path) {
    std::optional<UrlPath> named = PathFromUrl(url);
    if (!named) return false;
    // Letter case ignored as by the file system; a trailing backslash says nothing.
    auto same = [&](std::string a) {
        std::string b(path);
        while (a.size() > 3 && a.back() == '\\') a.pop_back();
        while (b.size() > 3 && b.back() == '\\') b.pop_back();
        return EqualsIgnoringAsciiCase(a, b);
    };
    return same(named->path) || (named->literal && same(*named->literal));
}

bool IsBarePath(std::string_view value) {
    return (IsDriveSpec(value) && value[1] == ':') || value.rfind("\\\\", 0) == 0;
}

bool IsAscii(std::string_view text) {
    for (char c : text)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

InternetShortcutInfo ParseInternetShortcut(const unsigned char* data, size_t size) {
    InternetShortcutInfo info;
    std::optional<FileText> file = ReadText(data, size);
    if (!file) return info;
    const std::string_view text = file->text;
    auto value = [&](std::string_view section, std::string_view key, bool& lossy) -> std::optional<std::string> {
        std::optional<ValueSpan> span = FindValue(text, section, key);
        if (!span) return std::nullopt;
        std::string_view raw = text.substr(span->begin, span->end - span->begin);
        if (file->utf8 || IsAscii(raw)) return std::string(raw);
        lossy = true;
        return Windows1252ToUtf8(reinterpret_cast<const unsigned char*>(raw.data()), raw.size());
    };
    if (!HasSection(text, kSection)) {
        info.status = UrlFileStatus::NoSection;
        return info;
    }
    bool lossy = false;
    std::optional<std::string> url = value(kSection, "URL", lossy);
    bool unused = false;
    if (std::optional<std::string> unicode = value(kUnicodeSection, "URL", unused)) {
        if (std::optional<std::string> decoded = DecodeUtf7(*unicode); decoded && !decoded->empty()) {
            url = std::move(decoded);
            lossy = false;
        }
    }
    if (!url || url->empty()) {
        info.status = UrlFileStatus::NoUrl;
        return info;
    }
    info.status = UrlFileStatus::Ok;
    info.url = std::move(*url);
    info.urlIsLossy = lossy;
    bool iconLossy = false;
    if (std::optional<std::string> icon = value(kSection, "IconFile", iconLossy)) info.iconFile = std::move(*icon);
    return info;
}

std::optional<UrlPath> PathFromUrl(std::string_view url) {
    url = Trim(url);
    UrlPath result;
    if (IsBarePath(url)) {
        for (char c : url)
            if (static_cast<unsigned char>(c) < 0x20) return std::nullopt;
        result.path.assign(url);
        for (char& c : result.path) c = c == '/' ? '\\' : c;
        return result;
    }
    if (url.size() < 5 || !EqualsIgnoringAsciiCase(url.substr(0, 5), "file:")) return std::nullopt;
    const std::string_view rest = url.substr(5);
    const size_t cut = rest.find_first_of("?#");
    std::optional<std::string> path = FileUrlRest(rest.substr(0, cut), result.lossy);
    if (!path) return std::nullopt;
    result.path = std::move(*path);
    if (cut != std::string_view::npos) {
        bool literalLossy = false;
        result.literal = FileUrlRest(rest, literalLossy);
        result.lossy = result.lossy || literalLossy;
    }
    return result;
}

std::string FileUrlFromPath(std::string_view path) {
    std::string out = "file:";
    size_t at = 0;
    if (path.rfind("\\\\", 0) == 0) {
        out += "//";
        at = 2;
    } else {
        out += "///";
        if (IsDriveSpec(path)) {
            out += path[0];
            out += ':';
            at = 2;
        }
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (; at < path.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(path[at]);
        if (c == '\\' || c == '/') {
            out += '/';
        } else if (IsAsciiLetter(static_cast<char>(c)) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 0xF];
        }
    }
    return out;
}

UrlRetargetResult RetargetInternetShortcut(const unsigned char* data, size_t size, std::string_view newTarget) {
    UrlRetargetResult result;
    InternetShortcutInfo info = ParseInternetShortcut(data, size);
    if (info.status != UrlFileStatus::Ok) {
        result.error = "not an internet shortcut with a URL";
        return result;
    }
    const std::optional<UrlPath> oldTarget = PathFromUrl(info.url);
    if (!oldTarget) {
        result.error = "the shortcut's URL names no file-system path";
        return result;
    }
    if (!IsBarePath(newTarget)) {
        result.error = "the new target is not a full path";
        return result;
    }
    std::optional<FileText> file = ReadText(data, size);
    if (file->utf16) {
        const std::u16string units = Utf8ToUtf16(file->text);
        bool same = units.size() == (size - 2) / 2;
        for (size_t i = 0; same && i < units.size(); ++i) same = units[i] == (data[2 + 2 * i] | (data[3 + 2 * i] << 8));
        if (!same) {
            result.error = "the UTF-16 text does not convert back unchanged";
            return result;
        }
    }
    const std::string& text = file->text;
    const std::string newUrl = FileUrlFromPath(newTarget);

    struct Edit {
        ValueSpan span;
        std::string value;
    };
    std::vector<Edit> edits;
    // The new value in the form the old one had, where this section's text can spell it.
    auto rewrite = [&](std::string_view section, std::string_view key, bool unicodeSection, bool onlyIfOldTarget) {
        std::optional<ValueSpan> span = FindValue(text, section, key);
        if (!span) return;
        std::string old = text.substr(span->begin, span->end - span->begin);
        if (unicodeSection) {
            std::optional<std::string> decoded = DecodeUtf7(old);
            if (!decoded) return;
            old = std::move(*decoded);
        } else if (!file->utf8 && !IsAscii(old)) {
            old = Windows1252ToUtf8(reinterpret_cast<const unsigned char*>(old.data()), old.size());
        }
        if (onlyIfOldTarget && !NamesPath(old, oldTarget->path) &&
            !(oldTarget->literal && NamesPath(old, *oldTarget->literal)))
            return;
        // Windows reads 8-bit values in the ANSI code page: a name outside ASCII goes into an
        // ASCII file only as a URL's UTF-8 escapes.
        const bool spellable = unicodeSection || file->utf16 || IsAscii(newTarget) || (file->utf8 && !IsAscii(text));
        const bool bare = IsBarePath(Trim(old)) && spellable;
        std::string value = bare ? std::string(newTarget) : newUrl;
        edits.push_back({*span, unicodeSection ? EncodeUtf7(value) : value});
    };
    rewrite(kSection, "URL", false, false);
    rewrite(kUnicodeSection, "URL", true, false);
    rewrite(kSection, "IconFile", false, true);
    rewrite(kUnicodeSection, "IconFile", true, true);
    std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) { return a.span.begin < b.span.begin; });

    std::string edited;
    size_t at = 0;
    for (const Edit& edit : edits) {
        edited.append(text, at, edit.span.begin - at);
        edited += edit.value;
        at = edit.span.end;
    }
    edited.append(text, at, std::string::npos);

    if (file->utf16) {
        const std::u16string units = Utf8ToUtf16(edited);
        result.bytes = {0xFF, 0xFE};
        for (char16_t unit : units) {
            result.bytes.push_back(static_cast<unsigned char>(unit & 0xFF));
            result.bytes.push_back(static_cast<unsigned char>(unit >> 8));
        }
    } else {
        result.bytes.assign(edited.begin(), edited.end());
    }
    // Read back: the file must now name the new target.
    InternetShortcutInfo check = ParseInternetShortcut(result.bytes.data(), result.bytes.size());
    if (check.status != UrlFileStatus::Ok || !NamesPath(check.url, newTarget)) {
        result.error = "the rewritten shortcut does not name the new target";
        result.bytes.clear();
        return result;
    }
    result.ok = true;
    return result;
}

}  // namespace qm::lnk
