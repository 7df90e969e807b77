#include "base/ShortcutReport.h"

#include "base/PathSplit.h"
#include "base/Utf.h"

#include <vector>

namespace qm {
namespace {

std::vector<std::string_view> Columns(bool profileColumn) {
    std::vector<std::string_view> columns = {"path", "folder", "name", "target", "reason", "suggestion", "confidence"};
    if (profileColumn) columns.push_back("profile");
    return columns;
}

std::vector<std::string> Fields(const ShortcutReportRow& row, std::optional<std::string_view> profile) {
    std::vector<std::string> fields = {row.path,   PathFolder(row.path), PathFileName(row.path), row.target,
                                       row.reason, row.suggestion,       row.confidence};
    if (profile) fields.emplace_back(*profile);
    return fields;
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

std::string CsvHeader(bool profileColumn) { return CsvLine(Columns(profileColumn)); }

std::string CsvRecord(const ShortcutReportRow& row, std::optional<std::string_view> profile) {
    return CsvLine(Fields(row, profile));
}

std::string JsonLine(const ShortcutReportRow& row, std::optional<std::string_view> profile) {
    const std::vector<std::string> fields = Fields(row, profile);
    const std::vector<std::string_view> columns = Columns(profile.has_value());
    std::string line = "{";
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i) line += ',';
        AppendJsonString(line, columns[i]);
        line += ':';
        AppendJsonString(line, fields[i]);
    }
    line += "}\n";
    return line;
}

}  // namespace qm
