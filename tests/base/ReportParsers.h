// Independent readers for the two report formats, written from RFC 4180 and RFC 8259 rather
// than from the writers, so that a report is checked the way a spreadsheet or a script reads it.
// Each answers false on malformed input.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace qm::testing {

using CsvTable = std::vector<std::vector<std::string>>;

// Records end in CRLF (a lone CR or LF outside quotes is malformed); the last record may lack it.
inline bool ParseCsv(std::string_view text, CsvTable& table) {
    table.clear();
    std::vector<std::string> record;
    std::string field;
    size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '"') {
            if (!field.empty()) return false;
            ++i;
            for (;;) {
                if (i >= text.size()) return false;
                if (text[i] == '"') {
                    if (i + 1 < text.size() && text[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                field += text[i++];
            }
            if (i < text.size() && text[i] != ',' && text[i] != '\r') return false;
            continue;
        }
        if (text[i] == ',') {
            record.push_back(std::move(field));
            field.clear();
            ++i;
        } else if (text[i] == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n') return false;
            record.push_back(std::move(field));
            field.clear();
            table.push_back(std::move(record));
            record.clear();
            i += 2;
        } else if (text[i] == '\n') {
            return false;
        } else {
            field += text[i++];
        }
    }
    if (!field.empty() || !record.empty()) {
        record.push_back(std::move(field));
        table.push_back(std::move(record));
    }
    return true;
}

namespace detail {

inline void AppendCodePoint(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

inline bool ParseHex4(std::string_view text, size_t& i, uint32_t& value) {
    if (i + 4 > text.size()) return false;
    value = 0;
    for (size_t end = i + 4; i < end; ++i) {
        const char c = text[i];
        value <<= 4;
        if (c >= '0' && c <= '9') value |= c - '0';
        else if (c >= 'a' && c <= 'f') value |= c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') value |= c - 'A' + 10;
        else return false;
    }
    return true;
}

inline bool ParseJsonString(std::string_view text, size_t& i, std::string& out) {
    if (i >= text.size() || text[i] != '"') return false;
    ++i;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '"') {
            ++i;
            return true;
        }
        if (c < 0x20) return false;  // control characters must be escaped
        if (c != '\\') {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        if (++i >= text.size()) return false;
        const char e = text[i++];
        switch (e) {
        case '"': out += '"'; break;
        case '\\': out += '\\'; break;
        case '/': out += '/'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'u': {
            uint32_t cp = 0;
            if (!ParseHex4(text, i, cp)) return false;
            if (cp >= 0xD800 && cp <= 0xDBFF) {
                uint32_t low = 0;
                if (i + 2 > text.size() || text[i] != '\\' || text[i + 1] != 'u') return false;
                i += 2;
                if (!ParseHex4(text, i, low) || low < 0xDC00 || low > 0xDFFF) return false;
                cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
            } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
                return false;
            }
            AppendCodePoint(out, cp);
            break;
        }
        default: return false;
        }
    }
    return false;
}

}  // namespace detail

// One JSON object whose values are all strings, as the report writes them; keys in order.
using JsonObject = std::vector<std::pair<std::string, std::string>>;

inline bool ParseJsonStringObject(std::string_view line, JsonObject& object) {
    object.clear();
    size_t i = 0;
    auto skipSpace = [&] {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
    };
    skipSpace();
    if (i >= line.size() || line[i++] != '{') return false;
    skipSpace();
    if (i < line.size() && line[i] == '}') return ++i, skipSpace(), i == line.size();
    for (;;) {
        std::string key, value;
        skipSpace();
        if (!detail::ParseJsonString(line, i, key)) return false;
        skipSpace();
        if (i >= line.size() || line[i++] != ':') return false;
        skipSpace();
        if (!detail::ParseJsonString(line, i, value)) return false;
        object.emplace_back(std::move(key), std::move(value));
        skipSpace();
        if (i >= line.size()) return false;
        if (line[i] == ',') {
            ++i;
            continue;
        }
        if (line[i++] != '}') return false;
        skipSpace();
        return i == line.size();
    }
}

// JSON lines: one object per LF-ended line (a CR before the LF is allowed).
inline bool ParseJsonLines(std::string_view text, std::vector<JsonObject>& objects) {
    objects.clear();
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        JsonObject object;
        if (!ParseJsonStringObject(line, object)) return false;
        objects.push_back(std::move(object));
        start = end + 1;
    }
    return true;
}

}  // namespace qm::testing
