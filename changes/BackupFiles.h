// The file side of the backup journal (Windows only): the backup copy of a shortcut file made
// before it is changed, its check and its restore, and the journal lines written through to the
// disk. Paths are UTF-8; failures answer false with a short English reason that names the file
// and the system's words for what went wrong, for the caller's keyed message.
#pragma once

#include "changes/BackupJournal.h"

#include <string>
#include <string_view>

namespace qm::changes {

// Copies `original` to `backupFolder`\`entry.backupName` (never over an existing file), written
// through to the disk, and records the original's attributes and times and the copy's size and
// hash in `entry`.
bool BackUpFile(std::string_view original, std::string_view backupFolder, JournalEntry& entry, std::string& error);

// Whether the entry's backup copy is still the one written: its size and hash as recorded. An
// entry without them (an older journal) passes.
bool CheckBackupCopy(const JournalEntry& entry, std::string_view backupFolder, std::string& error);

// Puts the backup copy back at entry.originalPath with the recorded attributes and times,
// whether a file is there now or not. The bytes go to a temporary file beside the original
// first and replace it in one move, so the file there is never lost half-way.
bool RestoreFile(const JournalEntry& entry, std::string_view backupFolder, std::string& error);

// Deletes a batch from the backup folder: its backup copies first (also one whose journal line
// was never written or cannot be read), its journal file last, so that a prune cut short leaves
// a journal rather than copies nothing names. A copy already gone is no failure.
bool PruneBatch(const JournalBatch& batch, std::string_view backupFolder, std::string& error);

// Creates a new journal file with `text` (its header), flushed to the disk; never opens one that
// exists: `exists` is then true and nothing is written, so that two programs starting a batch in
// the same second never share a journal.
bool CreateJournal(std::string_view journalPath, std::string_view text, bool& exists, std::string& error);

// Appends `text` to the journal file and flushes it to the disk before answering, so that the
// line is there before the change it announces is made.
bool AppendToJournal(std::string_view journalPath, std::string_view text, std::string& error);

// "what path: the system's reason" for the last error (or `code`).
std::string FailureText(std::string_view what, std::string_view path, unsigned long code);

}  // namespace qm::changes
