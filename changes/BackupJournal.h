// The journal of the changes made to shortcut files, kept in the backup folder next to the
// backup copies: one text file per batch (one user action), written line by line, each line
// flushed before the change it announces is made. Each entry's backup copy is on the disk
// before its line; its "done" line follows once the change itself happened. A batch file that
// does not end in its end line was being written when the program ended; its entries still name
// every file that may have been changed.
//
// A batch file (UTF-8, LF line ends, fields separated by tabs, \\ \t \n \r escaped):
//   QuillMend backup journal 2
//   batch <id> <when> <action> <undoes>
//   entry <action> <original path> <old target> <new target> <backup name> <attributes> <created> <accessed> <written> <copy size> <copy hash>
//   done <backup name>
//   ...
//   end <entry count>
// `when` is seconds since 1970 (UTC); attributes are the file's attribute bits in hexadecimal,
// the times the file's FILETIME values (100 ns since 1601) in decimal, the copy's size in
// decimal and its FNV-1a 64 hash in hexadecimal (it finds a copy cut short or damaged; it is no
// defence against someone forging one). Journals of version 1 have no copy size, hash or done
// lines: each of their entries counts as done and its copy goes unchecked.
// A line that cannot be read (torn by a power cut, damaged) costs only itself: the lines
// around it still count.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::changes {

// What a batch (one user action) or one of its entries (one file) did. The journal stores each
// as its word ("retarget", "repair", "delete", "undo", "restore", "remove"); inside the program
// it is this.
enum class ChangeAction { Retarget, Repair, Delete, Undo, Restore, Remove };
std::string_view ActionWord(ChangeAction action);
// nullopt for a word the journal never holds.
std::optional<ChangeAction> ActionOfWord(std::string_view word);

// The attributes recorded for a path that held no file before the change (an undo of a delete
// that puts a file back there): no backup copy was made, and undoing the entry removes the file.
inline constexpr uint32_t kNoFileBefore = 0xFFFFFFFFu;

struct JournalEntry {
    // Retarget, Repair, Delete; in an undo Restore (the file from before put back) and Remove (a
    // file the undone batch had put where none was, moved to the Recycle Bin again)
    ChangeAction action = ChangeAction::Retarget;
    std::string originalPath;  // the shortcut file's full path
    std::string oldTarget;     // its target before the change
    std::string newTarget;     // its target after it (a restore: the target put back); empty for a delete or a remove
    std::string backupName;    // the backup copy's file name in the backup folder (a plain name)
    uint32_t attributes = 0;   // the file's attributes and times before the change; kNoFileBefore: none
    uint64_t created = 0;
    uint64_t accessed = 0;
    uint64_t written = 0;
    // The backup copy as written, to check it before it is put back; copyChecked is false for
    // an entry of a version 1 journal, which has neither.
    bool copyChecked = false;
    uint64_t copySize = 0;
    uint64_t copyHash = 0;
    // Its change happened (the done line followed the entry). False: the program ended, or the
    // change failed, between the entry and its change; the file may or may not be changed.
    bool done = false;
};

struct JournalBatch {
    std::string id;      // also the journal file's name without its extension
    int64_t when = 0;    // seconds since 1970, UTC
    ChangeAction action = ChangeAction::Retarget;  // the user action: Retarget, Repair, Delete, Undo
    std::string undoes;  // for an undo: the id of the batch it undid; else empty
    std::vector<JournalEntry> entries;
    bool complete = false;  // false: the program ended while the batch was being written
    std::size_t unreadableLines = 0;  // lines left out because they could not be read
};

inline constexpr std::string_view kJournalExtension = ".qmjournal";

// A batch id that sorts by time: the seconds, zero-padded, and a sequence number for batches
// made within the same second.
std::string MakeBatchId(int64_t when, unsigned sequence);

// The texts a batch file is written from: the header (first two lines) when the batch starts,
// one line per entry, and the end line once every change of the batch was made.
std::string JournalHeaderText(const JournalBatch& batch);
std::string JournalEntryText(const JournalEntry& entry);
std::string JournalDoneText(const JournalEntry& entry);
std::string JournalEndText(std::size_t entryCount);

// Reads a batch file back; nullopt when it is not one (another file, a damaged header) or when
// it was torn inside its header, before any change. A line that cannot be read (damaged, an
// entry whose backup name is not a plain file name, a torn last line) is left out and counted;
// a missing end line gives the batch with complete = false and the entries whose lines were
// whole.
std::optional<JournalBatch> ParseJournal(std::string_view text);

// The FNV-1a 64 hash of `bytes`, continued from `hash` (so a file can be hashed piece by piece).
inline constexpr uint64_t kFnvStart = 0xcbf29ce484222325ull;
uint64_t Fnv1a64(std::string_view bytes, uint64_t hash = kFnvStart);

// Whether a backup copy's name may be used inside the backup folder: not empty, no separators,
// not "." or "..", no drive or stream colon.
bool IsPlainFileName(std::string_view name);

// The batches to prune at start-up: those that ended more than `keepDays` days before `now`
// (seconds since 1970). keepDays <= 0 keeps every batch; a batch dated after `now` (a clock
// set back) is kept.
std::vector<const JournalBatch*> BatchesToPrune(const std::vector<JournalBatch>& batches, int64_t now, int keepDays);

}  // namespace qm::changes
