// One broken shortcut as a line of a report a user or an administrator keeps: CSV for
// spreadsheets, JSON lines for scripts. Both carry the same columns in the same order; every
// text is UTF-8.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm {

struct ShortcutReportRow {
    std::string path;        // the shortcut file's full path; folder and name are cut from it
    std::string target;      // the target judged missing
    std::string reason;      // the search's reason name
    std::string suggestion;  // the suggested new target; empty when there is none
    std::string confidence;  // the suggestion's confidence name; empty when there is none
};

// The byte-order mark a CSV file starts with, so that a spreadsheet reads it as UTF-8.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

// RFC 4180: a field holding a comma, a quote, CR or LF is quoted, its quotes doubled; records
// end in CRLF. The header names the columns: path, folder, name, target, reason, suggestion,
// confidence; and, in a report over several users' profiles, profile (the profile a row came
// from), which every record of that report then gives.
std::string CsvHeader(bool profileColumn = false);
std::string CsvRecord(const ShortcutReportRow& row, std::optional<std::string_view> profile = std::nullopt);

// One JSON object on one line (ending in LF) with the same keys as the CSV header; absent
// values are empty strings. Quotes, backslashes and control characters are escaped; other
// UTF-8 passes through, invalid bytes become U+FFFD so that the line stays valid JSON.
std::string JsonLine(const ShortcutReportRow& row, std::optional<std::string_view> profile = std::nullopt);

}  // namespace qm
