#include "base/ShortcutReport.h"

#include "base/PathSplit.h"
#include "base/Utf.h"

#include <array>

namespace qm {
namespace {

constexpr std::array<std::string_view, 7> kColumns = {"path", "folder", "name", "target", "reason", "suggestion",
                                                      "confidence"};

std::array<std::string, 7> Fields(const ShortcutReportRow& row) {
    return {row.path, PathFolder(row.path), PathFileName(row.path), row.target, row.reason, row.suggestion,
            row.confidence};
}

void AppendCsvField(std::string& out, std::string_view field) {
    if (field.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += field;
        return;
    }
    out += '"';
    for (char c : field) {
        if (c == '"') out += '"';
        out += c;
    }
    out += '"';
}

template <typename Range>
std::string CsvLine(const Range& fields) {
    std::string line;
    bool first = true;
    for (const auto& field : fields) {
        if (!first) line += ',';
        first = false;
        AppendCsvField(line, field);
    }
    line += "\r\n";
    return line;
}

void AppendJsonString(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (char c : Utf16ToUtf8(Utf8ToUtf16(text))) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\b': out += "\\b"; break;
        case '\f': out += "\\f"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (byte < 0x20) {
                out += "\\u00";
                out += kHex[byte >> 4];
                out += kHex[byte & 0xF];
            } else {
                out += c;
            }
        }
    }
    out += '"';
}

}  // namespace

std::string CsvHeader() { return CsvLine(kColumns); }

std::string CsvRecord(const ShortcutReportRow& row) { return CsvLine(Fields(row)); }

std::string JsonLine(const ShortcutReportRow& row) {
    const std::array<std::string, 7> fields = Fields(row);
    std::string line = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        AppendJsonString(line, kColumns[i]);
        line += ':';
        AppendJsonString(line, fields[i]);
    }
    line += "}\n";
    return line;
}

}  // namespace qm
