// The change journal on real files under Wine, without windows: each file is backed up and
// journalled before its change, a backup folder that cannot be written stops the change, an
// interrupted batch is undone as far as it got, an undo can be undone, a file changed since is
// only replaced when the user agrees, and pruning keeps what is young enough.
#include "changes/ChangeBatch.h"
#include "changes/ChangeHistory.h"
#include "changes/ShortcutFile.h"
#include "changes/UndoChange.h"

#include "tests/results/FolderState.h"
#include "tests/results/ScratchFolder.h"
#include "tools/lnkwriter/LinkWriter.h"
#include "changes/BackupFiles.h"

#include <gtest/gtest.h>

#include <ctime>

namespace qm::changes {
namespace {

using test::Bytes;
using test::FolderState;
using test::ScratchFolder;
using test::StateOf;

Bytes LinkTo(const std::string& target) {
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = target;
    linkFields.idListPath = target;
    linkFields.arguments = "--keep";
    return lnkwriter::BuildLink(linkFields);
}

std::string JournalText(const std::string& folder, const std::string& id) {
    Bytes bytes;
    test::ReadBytes(folder + "\\" + id + std::string(kJournalExtension), bytes);
    return std::string(bytes.begin(), bytes.end());
}

class ChangeJournal : public ::testing::Test {
protected:
    // Broken shortcuts with odd attributes and stamped times, and a file to re-target them to.
    std::string Link(const std::string& name, DWORD attributes = FILE_ATTRIBUTE_ARCHIVE) {
        const std::string path = links_.File(name, LinkTo("C:\\Gone\\" + name + ".exe"));
        test::Stamp(path, attributes);
        return path;
    }

    // One re-target as the results page makes it: backup and line, then the change.
    bool Retarget(ChangeBatch& batch, const std::string& path) {
        std::string error;
        if (!batch.RecordShortcut(path, newTarget_, error)) return false;
        if (RetargetShortcut(path, newTarget_) != RetargetFailure::None) return false;
        return batch.Changed(path, error);
    }

    StoredBatch Last() {
        std::vector<StoredBatch> history = ReadChangeHistory(backup_);
        EXPECT_FALSE(history.empty());
        return history.empty() ? StoredBatch{} : history.back();
    }

    ScratchFolder scratch_;
    ScratchFolder links_;
    const std::string backup_ = scratch_.Path("backup\\deeper");  // made by the first batch
    const std::string newTarget_ = scratch_.File("found.exe", Bytes(3, 'x'));
};

TEST_F(ChangeJournal, EachFileIsBackedUpAndJournalledBeforeItsChange) {
    const std::string a = Link("a.lnk", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), b = Link("b.lnk");
    const auto before = FolderState(links_.Root());
    ChangeBatch batch(backup_, ChangeAction::Retarget);
    ASSERT_TRUE(Retarget(batch, a));
    // After the first change and before the end: the journal is on disk, already readable,
    // with the copy of the file as it was.
    std::optional<JournalBatch> read = ParseJournal(JournalText(backup_, batch.Id()));
    ASSERT_TRUE(read);
    EXPECT_FALSE(read->complete);
    ASSERT_EQ(read->entries.size(), 1u);
    EXPECT_EQ(read->entries[0].originalPath, a);
    EXPECT_EQ(read->entries[0].newTarget, newTarget_);
    EXPECT_EQ(read->entries[0].oldTarget, "C:\\Gone\\a.lnk.exe");
    EXPECT_EQ(read->entries[0].attributes, before.at("a.lnk").attributes);
    Bytes copy;
    ASSERT_TRUE(test::ReadBytes(backup_ + "\\" + read->entries[0].backupName, copy));
    EXPECT_EQ(copy, before.at("a.lnk").bytes);

    ASSERT_TRUE(Retarget(batch, b));
    std::string error;
    ASSERT_TRUE(batch.Finish(error)) << error;
    const std::vector<StoredBatch> history = ReadChangeHistory(backup_);
    ASSERT_EQ(history.size(), 1u);
    EXPECT_TRUE(history[0].batch.complete);
    EXPECT_EQ(history[0].batch.action, ChangeAction::Retarget);
    EXPECT_EQ(history[0].batch.entries.size(), 2u);

    // A batch that changed nothing (the user declined the shell's question) leaves nothing.
    ChangeBatch declined(backup_, ChangeAction::Delete);
    JournalEntry entry;
    entry.action = ChangeAction::Delete;
    entry.originalPath = a;
    ASSERT_TRUE(declined.Record(entry, false, error)) << error;
    ASSERT_TRUE(declined.Finish(error)) << error;
    EXPECT_EQ(ReadChangeHistory(backup_).size(), 1u);
    EXPECT_EQ(ScratchFolder::Names(backup_).size(), 3u) << "one journal and its two copies";
}

TEST_F(ChangeJournal, ABackupFolderThatCannotBeWrittenRefusesEveryFile) {
    const std::string a = Link("a.lnk");
    const auto before = FolderState(links_.Root());
    // Below a file, and (where the system allows it) the fixture's folder that not even root can write.
    std::vector<std::string> folders = {scratch_.File("blocker", Bytes(1, 'b')) + "\\backup"};
    const char* locked = std::getenv("QM_LOCKED_FOLDER");
    Bytes marker;
    if (locked && *locked && !test::ReadBytes(std::string(locked) + "\\unlocked", marker)) folders.push_back(locked);
    const std::vector<std::string> lockedNames = folders.size() == 2 ? ScratchFolder::Names(locked) : std::vector<std::string>{};
    for (const std::string& folder : folders) {
        ChangeBatch batch(folder, ChangeAction::Retarget);
        EXPECT_FALSE(Retarget(batch, a)) << folder;
        JournalEntry entry;
        entry.originalPath = a;
        std::string error;
        EXPECT_FALSE(batch.Record(entry, false, error)) << folder;
        EXPECT_FALSE(error.empty());
        EXPECT_TRUE(batch.Finish(error));
        EXPECT_EQ(FolderState(links_.Root()), before) << folder;
    }
    if (folders.size() == 2) {
        EXPECT_EQ(ScratchFolder::Names(locked), lockedNames) << "nothing written into the locked folder";
    }
}

// An entry whose change failed is not done: it does not count as changed, and Undo leaves its
// untouched file alone. A backup copy cut short or damaged since is never put back.
TEST_F(ChangeJournal, OnlyDoneEntriesCountAndADamagedCopyIsRefused) {
    const std::string a = Link("a.lnk"), b = Link("b.lnk");
    const auto before = FolderState(links_.Root());
    ChangeBatch batch(backup_, ChangeAction::Retarget);
    std::string error;
    ASSERT_TRUE(Retarget(batch, a));
    ASSERT_TRUE(batch.RecordShortcut(b, newTarget_, error)) << error;  // its change then fails
    ASSERT_TRUE(batch.Finish(error)) << error;
    StoredBatch stored = Last();
    ASSERT_EQ(stored.batch.entries.size(), 2u);
    EXPECT_EQ(ChangedFiles(stored.batch), 1u);

    // The copy of a.lnk loses its last byte.
    const std::string copy = backup_ + "\\" + stored.batch.entries[0].backupName;
    Bytes bytes;
    ASSERT_TRUE(test::ReadBytes(copy, bytes));
    bytes.pop_back();
    ::SetFileAttributesW(Widen(copy).c_str(), FILE_ATTRIBUTE_NORMAL);
    test::WriteBytes(copy, bytes);
    const auto changed = FolderState(links_.Root());
    int asked = 0;
    UndoResult result = UndoChangeBatch(backup_, stored, [&](const std::string&) { return ++asked, false; });
    EXPECT_EQ(asked, 0) << "b.lnk was never touched";
    ASSERT_EQ(result.failures.size(), 1u);
    EXPECT_NE(result.failures[0].find("is not the one written"), std::string::npos) << result.failures[0];
    EXPECT_TRUE(result.restored.empty());
    EXPECT_EQ(test::WithoutAccessTimes(FolderState(links_.Root())), test::WithoutAccessTimes(changed))
        << "nothing put back from a damaged copy";
    EXPECT_NE(changed.at("a.lnk"), before.at("a.lnk"));
    EXPECT_EQ(test::WithoutAccessTimes(changed).at("b.lnk"), test::WithoutAccessTimes(before).at("b.lnk"));
}

// The program ended between two files: the journal has no end line. Undo restores the files
// that were changed, exactly, and leaves the one never reached alone; a line torn in half by
// the end of the program is no entry.
TEST_F(ChangeJournal, AnInterruptedBatchIsUndoneAsFarAsItGot) {
    const std::string a = Link("a.lnk", FILE_ATTRIBUTE_READONLY), b = Link("b.lnk", FILE_ATTRIBUTE_HIDDEN), c = Link("c.lnk");
    const auto before = FolderState(links_.Root());
    std::string id;
    {
        ChangeBatch batch(backup_, ChangeAction::Retarget);
        ASSERT_TRUE(Retarget(batch, a));
        ASSERT_TRUE(Retarget(batch, b));
        id = batch.Id();
    }  // no Finish: as the program leaves it when it ends here
    std::string error;
    ASSERT_TRUE(AppendToJournal(backup_ + "\\" + id + std::string(kJournalExtension), "entry\tretarget\tC:\\", error));
    const auto changed = FolderState(links_.Root());
    ASSERT_NE(changed.at("a.lnk"), before.at("a.lnk"));
    ASSERT_NE(changed.at("b.lnk"), before.at("b.lnk"));

    const StoredBatch stored = Last();
    EXPECT_FALSE(stored.batch.complete);
    ASSERT_EQ(stored.batch.entries.size(), 2u);
    int asked = 0;
    const UndoResult result = UndoChangeBatch(backup_, stored, [&](const std::string&) { return ++asked, false; });
    EXPECT_EQ(asked, 0) << "the batch's own changes are not changes made since";
    EXPECT_EQ(result.restored, (std::vector<std::string>{b, a}));
    EXPECT_TRUE(result.failures.empty());
    EXPECT_EQ(FolderState(links_.Root()), before);
    EXPECT_EQ(StateOf(c), before.at("c.lnk"));
}

// Delete and re-target, each undone and the undo undone: every step leaves the folder exactly as
// it was before the step it undoes, also when the Recycle Bin no longer holds the file.
TEST_F(ChangeJournal, AnUndoIsABatchThatCanBeUndone) {
    const std::string a = Link("a.lnk", FILE_ATTRIBUTE_READONLY), gone = Link("gone.lnk", FILE_ATTRIBUTE_HIDDEN);
    const auto before = FolderState(links_.Root());
    ChangeBatch batch(backup_, ChangeAction::Retarget);
    ASSERT_TRUE(Retarget(batch, a));
    // One batch may mix kinds of change: its entries say each file's.
    JournalEntry entry;
    entry.action = ChangeAction::Delete;
    entry.originalPath = gone;
    ReadShortcutTarget(gone, entry.oldTarget);
    std::string error;
    ASSERT_TRUE(batch.Record(entry, false, error)) << error;
    ::SetFileAttributesW(FileApiPath(gone).c_str(), FILE_ATTRIBUTE_NORMAL);
    ASSERT_TRUE(::DeleteFileW(FileApiPath(gone).c_str()));  // gone for good, as from an emptied bin
    ASSERT_TRUE(batch.Changed(gone, error)) << error;
    ASSERT_TRUE(batch.Finish(error)) << error;
    const auto changed = FolderState(links_.Root());
    ASSERT_EQ(changed.size(), 1u);

    const UndoResult undo = UndoChangeBatch(backup_, Last(), nullptr);
    EXPECT_TRUE(undo.failures.empty());
    EXPECT_EQ(undo.restored.size(), 2u);
    EXPECT_EQ(FolderState(links_.Root()), before);
    const StoredBatch undoBatch = Last();
    EXPECT_EQ(undoBatch.batch.action, ChangeAction::Undo);
    EXPECT_EQ(undoBatch.batch.undoes, batch.Id());
    EXPECT_EQ(undoBatch.batch.id, undo.undoBatchId);

    // Undoing the undo re-targets again and takes the deleted file away again (to the bin).
    const UndoResult redo = UndoChangeBatch(backup_, undoBatch, nullptr);
    EXPECT_TRUE(redo.failures.empty());
    EXPECT_EQ(redo.removed, std::vector<std::string>{gone});
    EXPECT_EQ(test::WithoutAccessTimes(FolderState(links_.Root())), test::WithoutAccessTimes(changed));

    // And undoing that brings back the state from before once more.
    UndoChangeBatch(backup_, Last(), nullptr);
    EXPECT_EQ(FolderState(links_.Root()), before);
}

TEST_F(ChangeJournal, AFileChangedSinceIsReplacedOnlyWhenTheUserSaysSo) {
    const std::string a = Link("a.lnk"), b = Link("b.lnk");
    const auto before = FolderState(links_.Root());
    {
        ChangeBatch batch(backup_, ChangeAction::Retarget);
        ASSERT_TRUE(Retarget(batch, a));
        ASSERT_TRUE(Retarget(batch, b));
        std::string error;
        ASSERT_TRUE(batch.Finish(error));
    }
    // a is fixed by hand since: another target. b is touched by hand: its target stays, but it
    // was written after the batch.
    test::WriteBytes(a, LinkTo("C:\\Fixed\\by hand.exe"));
    FILETIME later{};
    ::GetSystemTimeAsFileTime(&later);
    const uint64_t hourAhead = test::Ticks(later) + 36'000'000'000ull;
    later = {static_cast<DWORD>(hourAhead), static_cast<DWORD>(hourAhead >> 32)};
    {
        FileHandle file(::CreateFileW(FileApiPath(b).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(::SetFileTime(file.Get(), nullptr, nullptr, &later));
    }
    const auto handMade = FolderState(links_.Root());
    const StoredBatch stored = Last();
    for (const auto& entry : stored.batch.entries) EXPECT_TRUE(ChangedSinceBatch(entry, backup_, stored.journalWritten)) << entry.originalPath;

    std::vector<std::string> asked;
    UndoResult kept = UndoChangeBatch(backup_, stored, [&](const std::string& path) { return asked.push_back(path), false; });
    EXPECT_EQ(asked, (std::vector<std::string>{b, a}));
    EXPECT_EQ(kept.kept, (std::vector<std::string>{b, a}));
    EXPECT_TRUE(kept.undoBatchId.empty()) << "an undo that changed nothing leaves no batch";
    EXPECT_EQ(test::WithoutAccessTimes(FolderState(links_.Root())), test::WithoutAccessTimes(handMade));

    UndoResult replaced = UndoChangeBatch(backup_, stored, [&](const std::string&) { return true; });
    EXPECT_EQ(replaced.restored.size(), 2u);
    EXPECT_EQ(FolderState(links_.Root()), before);
}

TEST_F(ChangeJournal, PruningRemovesOnlyBatchesOlderThanTheLimit) {
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    constexpr int64_t kDay = 24 * 60 * 60;
    // Batches as the journal holds them: 40 and 29 days old, and one made now.
    std::string error;
    auto writeOld = [&](int64_t when, const std::string& name) {
        JournalBatch batch{MakeBatchId(when, 0), when, ChangeAction::Delete, "", {}, true};
        JournalEntry entry{ChangeAction::Delete, "", "C:\\gone.exe", "", batch.id + "-0.lnk"};
        EXPECT_TRUE(BackUpFile(Link(name), backup_, entry, error)) << error;
        bool exists = false;
        EXPECT_TRUE(CreateJournal(backup_ + "\\" + batch.id + std::string(kJournalExtension),
                                  JournalHeaderText(batch) + JournalEntryText(entry) + JournalDoneText(entry) + JournalEndText(1),
                                  exists, error));
        return batch.id;
    };
    ASSERT_TRUE(MakeFolderTree(backup_));
    const std::string old = writeOld(now - 40 * kDay, "old.lnk"), young = writeOld(now - 29 * kDay, "young.lnk");
    ChangeBatch fresh(backup_, ChangeAction::Retarget);
    ASSERT_TRUE(Retarget(fresh, Link("fresh.lnk")));
    ASSERT_TRUE(fresh.Finish(error));
    // Another program's file in the folder is no batch and stays.
    scratch_.File("backup\\deeper\\notes.qmjournal", Bytes{'h', 'i', '\n'});

    EXPECT_EQ(PruneChangeHistory(backup_, now, 30), 1);
    std::vector<std::string> ids;
    for (const StoredBatch& stored : ReadChangeHistory(backup_)) ids.push_back(stored.batch.id);
    EXPECT_EQ(ids, (std::vector<std::string>{young, fresh.Id()}));
    EXPECT_EQ(ScratchFolder::Names(backup_).size(), 5u) << "two journals, their copies, the other file";
    EXPECT_EQ(PruneChangeHistory(backup_, now, 0), 0) << "0 keeps every batch";
    EXPECT_EQ(PruneChangeHistory(backup_, now, 1), 1);
    EXPECT_EQ(ReadChangeHistory(backup_).size(), 1u);
}

TEST_F(ChangeJournal, KeepDaysSettingFallsBackToThirtyDays) {
    const struct {
        const char* text;
        int days;
    } cases[] = {{"", 30}, {"7", 7}, {"0", 0}, {"365", 365}, {"-5", 30}, {"ten", 30}, {"7 days", 30}, {" 7", 30}};
    for (const auto& c : cases) EXPECT_EQ(KeepDaysSetting(c.text), c.days) << "\"" << c.text << "\"";
}

}  // namespace
}  // namespace qm::changes
