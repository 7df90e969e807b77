// The scan's two finder callbacks against a stand-in of the running scan, called as FindFiles
// calls them.
#include "scan/FinderCallbacks.h"

#include <gtest/gtest.h>

#include <cstring>
#include <new>
#include <string>
#include <vector>

namespace qm::scan {
namespace {

class FakeScan : public ScanContext {
public:
    bool StopRequested() override { return stop; }
    wizard::ResultStore& Store() override { return store; }
    void ShowFolder(const char* path, unsigned position) override {
        if (path) status = path;
        positions.push_back(position);
    }

    bool stop = false;
    wizard::ResultStore store;
    std::string status = "(untouched)";
    std::vector<unsigned> positions;
};

WIN32_FIND_DATAA Entry(const char* name, DWORD attributes = FILE_ATTRIBUTE_DIRECTORY) {
    WIN32_FIND_DATAA data{};
    data.dwFileAttributes = attributes;
    std::strncpy(data.cFileName, name, MAX_PATH - 1);
    return data;
}

TEST(FinderCallbacks, WithTheStopFlagSetTheFirstCallAnswersZeroAndChangesNothing) {
    FakeScan scan;
    scan.stop = true;
    const FinderReport report{sizeof(FinderReport), "C:\\gone.exe", "TargetMissing", ""};
    EXPECT_EQ(OnFileFound("C:\\a\\x.lnk", &report, Entry("x.lnk", 0), &scan), 0);
    EXPECT_EQ(scan.store.Count(), 0u);
    EXPECT_EQ(OnFolderEntered("C:\\a", nullptr, Entry("a"), &scan), 0);
    EXPECT_EQ(scan.status, "(untouched)");
    EXPECT_TRUE(scan.positions.empty());
    EXPECT_EQ(scan.folderCount, 0u);
}

TEST(FinderCallbacks, AReportBecomesOneRecordWithNameFolderTargetAndReason) {
    FakeScan scan;
    const std::string longFolder = "C:\\" + std::string(300, 'd') + "\\\xC3\xA9t\xC3\xA9";
    const FinderReport report{sizeof(FinderReport), "D:\\old\\app.exe", "TargetMissing", ""};
    const struct {
        const char* path;
        const FinderReport* report;
        std::string name, folder, target, reason;
    } cases[] = {
        {"C:\\x.lnk", &report, "x.lnk", "C:", "D:\\old\\app.exe", "TargetMissing"},  // drive root
        {"C:\\a\\b\\y.lnk", nullptr, "y.lnk", "C:\\a\\b", "", ""},                    // no details
        {"plain", &report, "plain", "plain", "D:\\old\\app.exe", "TargetMissing"},   // no separator
        {nullptr, nullptr, "", "", "", ""},                                            // null path
    };
    for (const auto& c : cases) EXPECT_EQ(OnFileFound(c.path, c.report, Entry("?", 0), &scan), 1);
    // A long UTF-8 path is kept whole; the same file twice gives two equal records.
    const std::string longPath = longFolder + "\\\xE2\x98\x85.lnk";
    EXPECT_EQ(OnFileFound(longPath.c_str(), &report, Entry("?", 0), &scan), 1);
    EXPECT_EQ(OnFileFound(longPath.c_str(), &report, Entry("?", 0), &scan), 1);

    ASSERT_EQ(scan.store.Count(), std::size(cases) + 2);
    for (size_t i = 0; i < std::size(cases); ++i) {
        const wizard::BrokenShortcut& record = scan.store.At(i);
        EXPECT_EQ(record.name, cases[i].name) << i;
        EXPECT_EQ(record.folder, cases[i].folder) << i;
        EXPECT_EQ(record.target, cases[i].target) << i;
        EXPECT_EQ(record.reason, cases[i].reason) << i;
    }
    EXPECT_EQ(scan.store.At(0).folder + "\\" + scan.store.At(0).name, "C:\\x.lnk");
    const wizard::BrokenShortcut& first = scan.store.At(std::size(cases));
    const wizard::BrokenShortcut& second = scan.store.At(std::size(cases) + 1);
    EXPECT_EQ(first.folder, longFolder);
    EXPECT_EQ(first.name, "\xE2\x98\x85.lnk");
    EXPECT_EQ(second.folder + "\\" + second.name, longPath);
    EXPECT_EQ(first.name, second.name);
    EXPECT_EQ(first.folder, second.folder);
}

TEST(FinderCallbacks, TheRecordKeepsTheFilesSizeAndWriteTimeFromItsListing) {
    FakeScan scan;
    WIN32_FIND_DATAA listed = Entry("x.lnk", FILE_ATTRIBUTE_ARCHIVE);
    listed.nFileSizeHigh = 1;
    listed.nFileSizeLow = 0x234;
    listed.ftLastWriteTime = {0x89ABCDEF, 0x01D9E63C};
    listed.ftCreationTime = {1, 2};  // not the write time
    const FinderReport report{sizeof(FinderReport), "C:\\gone.exe", "TargetMissing", ""};
    ASSERT_EQ(OnFileFound("C:\\a\\x.lnk", &report, listed, &scan), 1);
    EXPECT_EQ(scan.store.At(0).fileSize, 0x100000234u);
    EXPECT_EQ(scan.store.At(0).fileWriteTime, 0x01D9E63C89ABCDEFu);
}

TEST(FinderCallbacks, AReportOfAnOlderShapeLendsNoDetails) {
    FakeScan scan;
    const FinderReport shorter{sizeof(DWORD), "C:\\t", "TargetMissing", ""};
    EXPECT_EQ(OnFileFound("C:\\a\\x.lnk", &shorter, Entry("x.lnk", 0), &scan), 1);
    ASSERT_EQ(scan.store.Count(), 1u);
    EXPECT_EQ(scan.store.At(0).target, "");
    EXPECT_EQ(scan.store.At(0).reason, "");
}

TEST(FinderCallbacks, DotEntriesAdvanceTheBarButLeaveTheStatusLine) {
    FakeScan scan;
    EXPECT_EQ(OnFolderEntered("C:\\data", nullptr, Entry("data"), &scan), 1);
    EXPECT_EQ(scan.status, "C:\\data");
    EXPECT_EQ(OnFolderEntered("C:\\data\\.", nullptr, Entry("."), &scan), 1);
    EXPECT_EQ(OnFolderEntered("C:\\data\\..", nullptr, Entry(".."), &scan), 1);
    EXPECT_EQ(scan.status, "C:\\data");
    EXPECT_EQ(OnFolderEntered("C:\\data\\...", nullptr, Entry("..."), &scan), 1);
    EXPECT_EQ(scan.status, "C:\\data\\...");
    EXPECT_EQ(scan.positions, (std::vector<unsigned>{1, 2, 3, 4}));
}

TEST(FinderCallbacks, TenThousandFoldersHoldTheBarAt7200) {
    FakeScan scan;
    for (int i = 0; i < 10000; ++i) ASSERT_EQ(OnFolderEntered("C:\\f", nullptr, Entry("f"), &scan), 1);
    ASSERT_EQ(scan.positions.size(), 10000u);
    for (unsigned i = 0; i < 7200; ++i) ASSERT_EQ(scan.positions[i], i + 1) << i;
    for (unsigned i = 7200; i < 10000; ++i) ASSERT_EQ(scan.positions[i], kProgressFolderLimit) << i;
    EXPECT_EQ(scan.folderCount, 10000u);
}

// A callback must not let an exception unwind through the component: it is kept for the worker
// and the search is told to stop.
class ThrowingStore : public FakeScan {
public:
    void ShowFolder(const char*, unsigned) override { throw std::bad_alloc(); }
};

TEST(FinderCallbacks, AFailureInsideACallbackStopsTheSearchAndIsKeptForTheWorker) {
    ThrowingStore scan;
    EXPECT_EQ(OnFolderEntered("C:\\f", nullptr, Entry("f"), &scan), 0);
    ASSERT_TRUE(scan.failure);
    EXPECT_THROW(std::rethrow_exception(scan.failure), std::bad_alloc);
}

}  // namespace
}  // namespace qm::scan
