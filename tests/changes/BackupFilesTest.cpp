// Backup copies and their restore on real files under Wine: after a change, or after the file
// was deleted, the restore gives back the bytes, attributes and times exactly; a backup never
// overwrites another; the journal grows line by line.
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "changes/BackupFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

namespace qm::changes {
namespace {

namespace fs = std::filesystem;

struct FileState {
    std::string bytes;
    DWORD attributes = 0;
    uint64_t created = 0, accessed = 0, written = 0;
};

uint64_t Ticks(const FILETIME& t) { return (uint64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

// The times before the bytes: reading may move the access time.
FileState StateOf(const fs::path& path) {
    FileState state;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    EXPECT_TRUE(::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) << path;
    state.attributes = data.dwFileAttributes;
    state.created = Ticks(data.ftCreationTime);
    state.accessed = Ticks(data.ftLastAccessTime);
    state.written = Ticks(data.ftLastWriteTime);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    state.bytes = bytes.str();
    return state;
}

void ExpectSame(const FileState& a, const FileState& b) {
    EXPECT_EQ(a.bytes, b.bytes);
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.created, b.created);
    EXPECT_EQ(a.accessed, b.accessed);
    EXPECT_EQ(a.written, b.written);
}

class BackupFiles : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(root_ / L"links");
        fs::create_directories(root_ / L"backup");
        backup_ = Narrow((root_ / L"backup").wstring());
    }

    // A shortcut-like file with odd attributes and times well away from now. Wine keeps no
    // creation time of its own, so the access time is what shows a restore that forgot the
    // times; it lies a day ahead, where reading the file (relatime) leaves it alone.
    fs::path MakeFile(const std::wstring& name, const std::string& bytes) {
        const fs::path path = root_ / L"links" / name;
        std::ofstream(path, std::ios::binary) << bytes;
        Stamp(path);
        return path;
    }
    static void Stamp(const fs::path& path) {
        FileHandle file(::CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        FILETIME now{};
        ::GetSystemTimeAsFileTime(&now);
        const uint64_t dayAhead = Ticks(now) + 864'000'000'000ull;
        const FILETIME created{0x12345670, 0x01D00000}, written{0x32345670, 0x01D20000};
        const FILETIME accessed{static_cast<DWORD>(dayAhead), static_cast<DWORD>(dayAhead >> 32)};
        EXPECT_TRUE(file && ::SetFileTime(file.Get(), &created, &accessed, &written));
        file.Reset();
        EXPECT_TRUE(::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE));
    }

    // Removed with everything in it, paths longer than MAX_PATH too.
    test::TempFolder temp_{"qm-backup"};
    fs::path root_{temp_.Wide()};
    std::string backup_;
};

TEST_F(BackupFiles, RestoreGivesBackBytesAttributesAndTimesAfterAChangeOrADelete) {
    const fs::path changed = MakeFile(L"B\u00fccher, alt.lnk", std::string("L\0\0\0original bytes", 18));
    const fs::path deleted = MakeFile(L"gone.lnk", "to be deleted");
    const FileState changedBefore = StateOf(changed), deletedBefore = StateOf(deleted);

    JournalEntry first{ChangeAction::Retarget, "", "C:\\old.exe", "C:\\new.exe", "b-0.lnk"};
    JournalEntry second{ChangeAction::Delete, "", "C:\\old.exe", "", "b-1.lnk"};
    std::string error;
    ASSERT_TRUE(BackUpFile(Narrow(changed.wstring()), backup_, first, error)) << error;
    ASSERT_TRUE(BackUpFile(Narrow(deleted.wstring()), backup_, second, error)) << error;
    EXPECT_EQ(first.originalPath, Narrow(changed.wstring()));
    EXPECT_EQ(first.attributes, changedBefore.attributes);
    EXPECT_EQ(first.created, changedBefore.created);

    // The times come from the journal, not from the copy, which anything reading the backup
    // folder (a virus scanner, a backup program) may have touched since.
    for (const wchar_t* copy : {L"b-0.lnk", L"b-1.lnk"}) {
        FileHandle file(::CreateFileW((root_ / L"backup" / copy).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0,
                                      nullptr));
        const FILETIME touched{0x42345670, 0x01D30000};
        EXPECT_TRUE(file && ::SetFileTime(file.Get(), &touched, &touched, &touched));
    }

    // The change: other bytes, other attributes, a new write time; and a delete.
    ::SetFileAttributesW(changed.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(changed, std::ios::binary) << "rewritten, longer than before";
    ::SetFileAttributesW(deleted.c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::DeleteFileW(deleted.c_str()));

    ASSERT_TRUE(RestoreFile(first, backup_, error)) << error;
    ASSERT_TRUE(RestoreFile(second, backup_, error)) << error;
    ExpectSame(StateOf(changed), changedBefore);
    ExpectSame(StateOf(deleted), deletedBefore);
    // Nothing left behind beside the originals; the backup copies stay for a later undo.
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(root_ / L"links")) files += entry.is_regular_file();
    EXPECT_EQ(files, 2u);
    EXPECT_TRUE(fs::exists(root_ / L"backup" / L"b-0.lnk"));

    // Restoring over the read-only restored file works again (an undo of an undo's undo).
    ASSERT_TRUE(RestoreFile(first, backup_, error)) << error;
    ExpectSame(StateOf(changed), changedBefore);
}

// Shortcuts deep in a tree and a backup folder deep in another: paths past MAX_PATH work for
// the copy, the restore, the journal and the prune.
TEST_F(BackupFiles, PathsLongerThanMaxPathWork) {
    const std::wstring deep = std::wstring(120, L'd') + L"\\" + std::wstring(120, L'e');
    const fs::path links = fs::path(L"\\\\?\\" + root_.wstring()) / L"links" / deep;
    const fs::path backups = fs::path(L"\\\\?\\" + root_.wstring()) / L"backup" / deep;
    fs::create_directories(links);
    fs::create_directories(backups);
    const std::string link = Narrow(root_.wstring()) + "\\links\\" + Narrow(deep) + "\\long.lnk";
    const std::string backupFolder = backup_ + "\\" + Narrow(deep);
    ASSERT_GT(link.size(), 260u);
    std::ofstream(links / L"long.lnk", std::ios::binary) << "long bytes";
    Stamp(links / L"long.lnk");
    const FileState before = StateOf(links / L"long.lnk");

    JournalEntry entry{ChangeAction::Delete, "", "C:\\gone.exe", "", "b-0.lnk"};
    std::string error;
    ASSERT_TRUE(BackUpFile(link, backupFolder, entry, error)) << error;
    const std::string journal = backupFolder + "\\b" + std::string(kJournalExtension);
    bool exists = false;
    ASSERT_TRUE(CreateJournal(journal, "line\n", exists, error)) << error;
    ::SetFileAttributesW((links / L"long.lnk").c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::DeleteFileW((links / L"long.lnk").c_str()));
    ASSERT_TRUE(RestoreFile(entry, backupFolder, error)) << error;
    ExpectSame(StateOf(links / L"long.lnk"), before);

    JournalBatch batch{"b", 1, ChangeAction::Delete, "", {entry}, true};
    ASSERT_TRUE(PruneBatch(batch, backupFolder, error)) << error;
    EXPECT_EQ(::GetFileAttributesW((backups / L"b-0.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(::GetFileAttributesW((backups / L"b.qmjournal").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(BackupFiles, RefusesToOverwriteABackupOrToLeaveTheBackupFolder) {
    const fs::path file = MakeFile(L"a.lnk", "first");
    JournalEntry entry{ChangeAction::Delete, "", "", "", "same.lnk"};
    std::string error;
    ASSERT_TRUE(BackUpFile(Narrow(file.wstring()), backup_, entry, error)) << error;
    ::SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::ofstream(file, std::ios::binary) << "second";
    EXPECT_FALSE(BackUpFile(Narrow(file.wstring()), backup_, entry, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(StateOf(root_ / L"backup" / L"same.lnk").bytes, "first");

    JournalEntry escaping = entry;
    escaping.backupName = "..\\links\\a.lnk";
    EXPECT_FALSE(BackUpFile(Narrow(file.wstring()), backup_, escaping, error));
    EXPECT_FALSE(RestoreFile(escaping, backup_, error));
    EXPECT_EQ(StateOf(file).bytes, "second");

    // A missing backup copy: the file at the path is left as it is.
    JournalEntry missing = entry;
    missing.originalPath = Narrow(file.wstring());
    missing.backupName = "never-written.lnk";
    EXPECT_FALSE(RestoreFile(missing, backup_, error));
    EXPECT_EQ(StateOf(file).bytes, "second");
}

TEST_F(BackupFiles, JournalGrowsLineByLineAndReadsBack) {
    const std::string journal = backup_ + "\\" + MakeBatchId(1'796'741'843, 0) + std::string(kJournalExtension);
    JournalBatch batch{MakeBatchId(1'796'741'843, 0), 1'796'741'843, ChangeAction::Delete, "", {}, false};
    JournalEntry entry{ChangeAction::Delete, "C:\\x.lnk", "C:\\gone.exe", "", "b-0.lnk", 0x20, 1, 2, 3};
    std::string error, text;
    bool exists = false;
    ASSERT_TRUE(CreateJournal(journal, JournalHeaderText(batch), exists, error)) << error;
    ASSERT_TRUE(AppendToJournal(journal, JournalEntryText(entry), error)) << error;
    // A journal is made new, never opened again by a second batch of the same name.
    EXPECT_FALSE(CreateJournal(journal, JournalHeaderText(batch), exists, error));
    EXPECT_TRUE(exists);
    std::ifstream in(fs::path(Widen(journal)), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::optional<JournalBatch> read = ParseJournal(bytes.str());
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->complete);
    ASSERT_EQ(read->entries.size(), 1u);
    EXPECT_EQ(read->entries[0].originalPath, "C:\\x.lnk");

    EXPECT_FALSE(AppendToJournal(backup_ + "\\no such folder\\x" + std::string(kJournalExtension), "x\n", error));
}

TEST_F(BackupFiles, PruningDeletesTheOldBatchsCopiesAndJournalOnly) {
    auto makeBatch = [&](int64_t when, const std::wstring& linkName) {
        JournalBatch batch{MakeBatchId(when, 0), when, ChangeAction::Delete, "", {}, true};
        JournalEntry entry{ChangeAction::Delete, "", "C:\\gone.exe", "", batch.id + "-0.lnk"};
        std::string error;
        EXPECT_TRUE(BackUpFile(Narrow(MakeFile(linkName, "bytes").wstring()), backup_, entry, error)) << error;
        batch.entries.push_back(entry);
        // A copy whose journal line was never written (the program ended, or the line was torn).
        std::ofstream(root_ / L"backup" / (Widen(batch.id) + L"-1.lnk"), std::ios::binary) << "orphan";
        std::string text = JournalHeaderText(batch) + JournalEntryText(entry) + JournalEndText(1);
        bool exists = false;
        EXPECT_TRUE(CreateJournal(backup_ + "\\" + batch.id + std::string(kJournalExtension), text, exists, error)) << error;
        return batch;
    };
    constexpr int64_t kDay = 24 * 60 * 60;
    const int64_t now = 1'796'741'843;
    const std::vector<JournalBatch> batches = {makeBatch(now - 40 * kDay, L"old.lnk"), makeBatch(now - kDay, L"new.lnk")};
    std::string error;
    for (const JournalBatch* batch : BatchesToPrune(batches, now, 30)) ASSERT_TRUE(PruneBatch(*batch, backup_, error)) << error;

    std::set<std::wstring> left;
    for (const auto& entry : fs::directory_iterator(root_ / L"backup")) left.insert(entry.path().filename().wstring());
    EXPECT_EQ(left, (std::set<std::wstring>{Widen(batches[1].id) + L".qmjournal", Widen(batches[1].id) + L"-0.lnk",
                                            Widen(batches[1].id) + L"-1.lnk"}));
    // Pruned twice (a start-up that ended half-way): nothing to do is no failure.
    EXPECT_TRUE(PruneBatch(batches[0], backup_, error)) << error;
}

}  // namespace
}  // namespace qm::changes
