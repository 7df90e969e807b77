// The report writers read back by independent CSV and JSON readers: the same table comes out
// that went in, whatever the paths hold.
#include "base/ShortcutReport.h"
#include "tests/base/ReportParsers.h"

#include <gtest/gtest.h>

#include <vector>

namespace qm {
namespace {

using testing::CsvTable;
using testing::JsonObject;

const std::vector<std::string> kHeader = {"path", "folder", "name", "target", "reason", "suggestion", "confidence"};

std::vector<ShortcutReportRow> AwkwardRows() {
    return {
        {"C:\\Users\\ann\\Desktop\\Plain.lnk", "C:\\Tools\\plain.exe", "TargetMissing", "", ""},
        {"C:\\Links\\Smith, \"Jr\".lnk", "D:\\Old, \"quoted\"\\app.exe", "TargetMissing",
         "D:\\New\\app.exe", "Certain"},
        {"C:\\Bücher\\日本語\\Ünïcödé 🎵.lnk", "E:\\Música\\canción.mp3", "TargetMissing", "E:\\Música\\2024\\canción.mp3",
         "Possible"},
        {"C:\\odd\\line\r\nbreak\nand\rcr.lnk", "C:\\tab\there\x01\x1f.exe", "FolderGone", "", ""},
        {"\\\\server\\share\\x.lnk", "C:\\cr\ronly.exe", "", "", ""},
    };
}

std::vector<std::string> ExpectedFields(const ShortcutReportRow& row, const std::string& folder, const std::string& name) {
    return {row.path, folder, name, row.target, row.reason, row.suggestion, row.confidence};
}

std::string CsvFile(const std::vector<ShortcutReportRow>& rows) {
    std::string text(kUtf8ByteOrderMark);
    text += CsvHeader();
    for (const ShortcutReportRow& row : rows) text += CsvRecord(row);
    return text;
}

TEST(ShortcutReport, CsvReadsBackAsTheSameTable) {
    const std::vector<ShortcutReportRow> rows = AwkwardRows();
    const std::string text = CsvFile(rows);
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF");

    CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(std::string_view(text).substr(3), table)) << text;
    ASSERT_EQ(table.size(), rows.size() + 1);
    EXPECT_EQ(table[0], kHeader);
    EXPECT_EQ(table[1], ExpectedFields(rows[0], "C:\\Users\\ann\\Desktop", "Plain.lnk"));
    EXPECT_EQ(table[2], ExpectedFields(rows[1], "C:\\Links", "Smith, \"Jr\".lnk"));
    EXPECT_EQ(table[3], ExpectedFields(rows[2], "C:\\Bücher\\日本語", "Ünïcödé 🎵.lnk"));
    EXPECT_EQ(table[4], ExpectedFields(rows[3], "C:\\odd", "line\r\nbreak\nand\rcr.lnk"));
    EXPECT_EQ(table[5], ExpectedFields(rows[4], "\\\\server\\share", "x.lnk"));

    // Plain fields stay unquoted and records end in CRLF, as spreadsheets write them.
    EXPECT_EQ(CsvRecord(rows[0]),
              "C:\\Users\\ann\\Desktop\\Plain.lnk,C:\\Users\\ann\\Desktop,Plain.lnk,C:\\Tools\\plain.exe,TargetMissing,,\r\n");
}

TEST(ShortcutReport, JsonLinesParseAndAgreeWithTheCsv) {
    const std::vector<ShortcutReportRow> rows = AwkwardRows();
    std::string text;
    for (const ShortcutReportRow& row : rows) text += JsonLine(row);

    std::vector<JsonObject> objects;
    ASSERT_TRUE(testing::ParseJsonLines(text, objects)) << text;
    CsvTable table;
    const std::string csv = CsvFile(rows);
    ASSERT_TRUE(testing::ParseCsv(std::string_view(csv).substr(3), table));
    ASSERT_EQ(objects.size(), rows.size());
    ASSERT_EQ(table.size(), rows.size() + 1);
    for (size_t r = 0; r < objects.size(); ++r) {
        ASSERT_EQ(objects[r].size(), kHeader.size()) << r;
        for (size_t c = 0; c < kHeader.size(); ++c) {
            EXPECT_EQ(objects[r][c].first, kHeader[c]) << r;
            EXPECT_EQ(objects[r][c].second, table[r + 1][c]) << r << " " << kHeader[c];
        }
    }
}

TEST(ShortcutReport, ProfileColumnComesLastWhereAReportHasIt) {
    const ShortcutReportRow row = AwkwardRows()[1];
    std::vector<std::string> header = kHeader, fields = ExpectedFields(row, "C:\\Links", "Smith, \"Jr\".lnk");
    header.push_back("profile");
    fields.push_back("All Users, \"Public\"");
    CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(CsvHeader(true) + CsvRecord(row, "All Users, \"Public\""), table));
    EXPECT_EQ(table, (CsvTable{header, fields}));
    std::vector<JsonObject> objects;
    ASSERT_TRUE(testing::ParseJsonLines(JsonLine(row, "All Users, \"Public\""), objects));
    ASSERT_EQ(objects.size(), 1u);
    ASSERT_EQ(objects[0].size(), header.size());
    for (size_t c = 0; c < header.size(); ++c) EXPECT_EQ(objects[0][c], std::make_pair(header[c], fields[c])) << c;
}

TEST(ShortcutReport, JsonLineStaysValidForBytesThatAreNotUtf8) {
    ShortcutReportRow row{"C:\\a\\x.lnk", "C:\\bad\xFF\xC3(.exe", "TargetMissing", "", ""};
    JsonObject object;
    std::string line = JsonLine(row);
    ASSERT_EQ(line.back(), '\n');
    line.pop_back();
    ASSERT_TRUE(testing::ParseJsonStringObject(line, object)) << line;
    EXPECT_EQ(object[3].second, "C:\\bad\xEF\xBF\xBD\xEF\xBF\xBD(.exe");
}

}  // namespace
}  // namespace qm
