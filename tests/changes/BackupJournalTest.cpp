// The backup journal's batch files: read back as written, whatever the paths and targets hold;
// cut off at any byte they are either the whole batch or recognisably incomplete with only
// whole entries; a damaged line costs only itself, a damaged header the file; older journals
// load; pruning picks only the old batches.
#include "changes/BackupJournal.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace qm::changes {
namespace {

JournalBatch Batch(std::string id, int64_t when, size_t entries) {
    JournalBatch batch;
    batch.id = std::move(id);
    batch.when = when;
    batch.action = ChangeAction::Retarget;
    for (size_t i = 0; i < entries; ++i) {
        JournalEntry e;
        e.action = ChangeAction::Retarget;
        e.originalPath = "C:\\Users\\ann\\Desktop\\B\u00fccher\\tab\there\\" + std::to_string(i) + ".lnk";
        e.oldTarget = "D:\\old\\back\\\\slash\\n not a newline\nbut this is\r" + std::to_string(i);
        e.newTarget = i % 2 ? "" : "D:\\new\\\u65e5\u672c.exe";
        e.backupName = batch.id + "-" + std::to_string(i) + ".lnk";
        e.attributes = 0x21 + static_cast<uint32_t>(i);
        e.created = 133'000'000'000'000'000ull + i;
        e.accessed = 133'000'000'100'000'000ull;
        e.written = UINT64_MAX - i;
        e.copyChecked = true;
        e.copySize = 400 + i;
        e.copyHash = 0xF00DFACE12345678ull * (i + 1);
        e.done = i != 1;  // the second one's change did not happen
        batch.entries.push_back(e);
    }
    return batch;
}

std::string Write(const JournalBatch& batch, bool end) {
    std::string text = JournalHeaderText(batch);
    for (const JournalEntry& e : batch.entries) text += JournalEntryText(e) + (e.done ? JournalDoneText(e) : "");
    if (end) text += JournalEndText(batch.entries.size());
    return text;
}

void ExpectSameEntry(const JournalEntry& a, const JournalEntry& b) {
    EXPECT_EQ(a.action, b.action);
    EXPECT_EQ(a.originalPath, b.originalPath);
    EXPECT_EQ(a.oldTarget, b.oldTarget);
    EXPECT_EQ(a.newTarget, b.newTarget);
    EXPECT_EQ(a.backupName, b.backupName);
    EXPECT_EQ(a.attributes, b.attributes);
    EXPECT_EQ(a.created, b.created);
    EXPECT_EQ(a.accessed, b.accessed);
    EXPECT_EQ(a.written, b.written);
    EXPECT_EQ(a.copyChecked, b.copyChecked);
    EXPECT_EQ(a.copySize, b.copySize);
    EXPECT_EQ(a.copyHash, b.copyHash);
    EXPECT_EQ(a.done, b.done);
}

TEST(BackupJournal, ReadsBackWhatWasWrittenWhateverTheTextsHold) {
    JournalBatch batch = Batch(MakeBatchId(1'796'741'843, 2), 1'796'741'843, 3);
    batch.action = ChangeAction::Undo;
    batch.undoes = MakeBatchId(1'796'700'000, 0);
    const std::string text = Write(batch, true);
    // One line per record: the escapes keep tabs and line breaks of the texts inside their fields.
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 2 + 3 + 2 + 1);

    std::optional<JournalBatch> read = ParseJournal(text);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->complete);
    EXPECT_EQ(read->id, batch.id);
    EXPECT_EQ(read->when, batch.when);
    EXPECT_EQ(read->action, ChangeAction::Undo);
    EXPECT_EQ(read->undoes, batch.undoes);
    ASSERT_EQ(read->entries.size(), 3u);
    for (size_t i = 0; i < 3; ++i) ExpectSameEntry(read->entries[i], batch.entries[i]);

    // Ids sort by time, also across a change in the number of digits.
    EXPECT_LT(MakeBatchId(999'999'999, 9), MakeBatchId(1'000'000'000, 0));
    EXPECT_LT(MakeBatchId(1'000'000'000, 1), MakeBatchId(1'000'000'000, 2));
    // The copies' hash: FNV-1a 64, also when taken piece by piece.
    EXPECT_EQ(Fnv1a64(""), 0xcbf29ce484222325ull);
    EXPECT_EQ(Fnv1a64("a"), 0xaf63dc4c8601ec8cull);
    EXPECT_EQ(Fnv1a64("foobar"), Fnv1a64("bar", Fnv1a64("foo")));
}

// Journals written by earlier versions must still load: each action is stored as its word; a
// journal of version 1 has no copy checks and no done lines, and each of its entries counts as
// done.
TEST(BackupJournal, EveryActionKeepsItsStoredWord) {
    const std::string entries =
        "entry\tretarget\tC:\\\\a.lnk\tC:\\\\old.exe\tC:\\\\new.exe\tb-0.lnk\t00000021\t1\t2\t3\n"
        "entry\trepair\tC:\\\\b.lnk\tC:\\\\old.exe\tC:\\\\moved.exe\tb-1.lnk\t00000020\t1\t2\t3\n"
        "entry\tdelete\tC:\\\\c.lnk\tC:\\\\old.exe\t\tb-2.lnk\t00000020\t1\t2\t3\n"
        "entry\trestore\tC:\\\\d.lnk\tC:\\\\new.exe\tC:\\\\old.exe\tb-3.lnk\t00000020\t1\t2\t3\n"
        "entry\tremove\tC:\\\\e.lnk\t\t\tb-4.lnk\tFFFFFFFF\t0\t0\t0\n";
    const ChangeAction entryActions[] = {ChangeAction::Retarget, ChangeAction::Repair, ChangeAction::Delete,
                                         ChangeAction::Restore, ChangeAction::Remove};
    const struct {
        const char* word;
        ChangeAction action;
    } batches[] = {{"retarget", ChangeAction::Retarget}, {"repair", ChangeAction::Repair},
                   {"delete", ChangeAction::Delete},     {"undo", ChangeAction::Undo}};
    for (const auto& b : batches) {
        const std::string text = std::string("QuillMend backup journal 1\nbatch\t001796741843-0\t1796741843\t") + b.word +
                                 "\t\n" + entries + "end\t5\n";
        const std::optional<JournalBatch> read = ParseJournal(text);
        ASSERT_TRUE(read) << b.word;
        EXPECT_EQ(read->action, b.action) << b.word;
        ASSERT_EQ(read->entries.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            EXPECT_EQ(read->entries[i].action, entryActions[i]) << i;
            EXPECT_TRUE(read->entries[i].done && !read->entries[i].copyChecked) << i;
        }
        EXPECT_TRUE(read->complete);
        // Written again as version 2, it reads back the same.
        std::optional<JournalBatch> again = ParseJournal(Write(*read, true));
        ASSERT_TRUE(again);
        EXPECT_EQ(again->action, b.action);
        for (size_t i = 0; i < 5; ++i) EXPECT_EQ(again->entries[i].action, entryActions[i]) << i;
    }
    EXPECT_FALSE(ActionOfWord("Retarget")) << "words are compared exactly";
    EXPECT_FALSE(ActionOfWord("rename"));
}

TEST(BackupJournal, ABatchCutOffAnywhereIsWholeOrRecognisablyIncomplete) {
    const JournalBatch batch = Batch(MakeBatchId(1'796'741'843, 0), 1'796'741'843, 4);
    const std::string text = Write(batch, true);
    const size_t headerLength = JournalHeaderText(batch).size();
    for (size_t length = 0; length <= text.size(); ++length) {
        SCOPED_TRACE(length);
        std::optional<JournalBatch> read = ParseJournal(std::string_view(text).substr(0, length));
        if (length < headerLength) {
            EXPECT_FALSE(read);  // nothing was changed before the header was whole
            continue;
        }
        ASSERT_TRUE(read);
        EXPECT_EQ(read->complete, length == text.size());
        EXPECT_EQ(read->id, batch.id);
        // Only entries whose line was whole, and each exactly as written.
        size_t whole = 0;
        std::string prefix = JournalHeaderText(batch);
        bool lastDone = true;
        while (whole < batch.entries.size() && prefix.size() + JournalEntryText(batch.entries[whole]).size() <= length) {
            const JournalEntry& e = batch.entries[whole];
            prefix += JournalEntryText(e);
            lastDone = e.done && prefix.size() + JournalDoneText(e).size() <= length;
            if (lastDone) prefix += JournalDoneText(e);
            ++whole;
        }
        ASSERT_EQ(read->entries.size(), whole);
        for (size_t i = 0; i < whole; ++i) {
            JournalEntry expected = batch.entries[i];
            expected.done = expected.done && (i + 1 < whole || lastDone);
            ExpectSameEntry(read->entries[i], expected);
        }
    }
}

TEST(BackupJournal, ADamagedLineCostsOnlyItselfADamagedHeaderTheFile) {
    const JournalBatch batch = Batch(MakeBatchId(1'796'741'843, 0), 1'796'741'843, 3);
    const std::string good = Write(batch, true);
    ASSERT_TRUE(ParseJournal(good));
    auto replaced = [&](std::string_view from, std::string_view to) {
        std::string text = good;
        const size_t at = text.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        return text.replace(at, from.size(), to);
    };
    const std::string firstBackup = batch.entries[0].backupName;
    const std::string notAJournal[] = {
        "",
        "some other file\n",
        replaced("QuillMend backup journal 2", "QuillMend backup journal 3"),
        replaced("batch\t" + batch.id, "batch\t..\\" + batch.id),
        replaced("batch\t" + batch.id + "\t1796741843\tretarget", "batch\t" + batch.id + "\t1796741843\tRetarget"),
        replaced("batch\t", "batch\tx\\q"),  // an unknown escape
    };
    for (const std::string& text : notAJournal) EXPECT_FALSE(ParseJournal(text)) << text;

    // Each damage of the first entry's line: that entry alone is lost (its done line then names
    // nothing and is left out too), the others stay as written, and the batch reads as interrupted.
    const struct {
        std::string text;
        size_t lost;  // lines left out
    } damaged[] = {
        {replaced("\t" + firstBackup + "\t", "\t..\\..\\Windows\\system.ini\t"), 2},  // would restore over any file
        {replaced("\t" + firstBackup + "\t", "\t..\t"), 2},
        {replaced("\t" + firstBackup + "\t", "\tC:evil\t"), 2},
        {replaced("\t00000021\t", "\tzz\t"), 2},  // not a number
        {replaced("entry\t", "entry\tx\\q"), 2},  // an unknown escape
        {replaced("entry\t", "unknown\t"), 2},
        {replaced("entry\tretarget", "entry\trename"), 2},  // an action the program never wrote
        {replaced("entry\tretarget", std::string("entry\tretar\0\xFF", 13)), 2},  // torn by a power cut
    };
    for (const auto& d : damaged) {
        std::optional<JournalBatch> read = ParseJournal(d.text);
        ASSERT_TRUE(read) << d.text;
        EXPECT_FALSE(read->complete);
        EXPECT_EQ(read->unreadableLines, d.lost) << d.text;
        ASSERT_EQ(read->entries.size(), 2u) << d.text;
        ExpectSameEntry(read->entries[0], batch.entries[1]);
        ExpectSameEntry(read->entries[1], batch.entries[2]);
    }
    // An end line that doesn't match the entries, or a line after the end: whatever was written
    // still counts, but the batch is not taken as whole.
    for (const std::string& text : {replaced("end\t3", "end\t4"), good + JournalEntryText(batch.entries[0])}) {
        std::optional<JournalBatch> read = ParseJournal(text);
        ASSERT_TRUE(read);
        EXPECT_FALSE(read->complete);
        EXPECT_EQ(read->entries.size(), 3u);
    }
}

TEST(BackupJournal, PrunesOnlyBatchesOlderThanTheLimit) {
    constexpr int64_t kDay = 24 * 60 * 60;
    const int64_t now = 1'796'741'843;
    std::vector<JournalBatch> batches = {
        Batch("old", now - 31 * kDay, 1),
        Batch("edge", now - 30 * kDay, 1),  // exactly at the limit: kept
        Batch("recent", now - 29 * kDay, 1),
        Batch("future", now + 400 * kDay, 1),
        Batch("very-old", now - 4000 * kDay, 1),
    };
    batches[4].complete = false;  // an interrupted batch ages like any other
    auto ids = [](const std::vector<const JournalBatch*>& picked) {
        std::vector<std::string> out;
        for (const JournalBatch* b : picked) out.push_back(b->id);
        return out;
    };
    EXPECT_EQ(ids(BatchesToPrune(batches, now, 30)), (std::vector<std::string>{"old", "very-old"}));
    EXPECT_EQ(ids(BatchesToPrune(batches, now, 1)), (std::vector<std::string>{"old", "edge", "recent", "very-old"}));
    EXPECT_TRUE(BatchesToPrune(batches, now, 0).empty());
    EXPECT_TRUE(BatchesToPrune(batches, now, -5).empty());
    EXPECT_TRUE(BatchesToPrune({}, now, 30).empty());
}

}  // namespace
}  // namespace qm::changes
