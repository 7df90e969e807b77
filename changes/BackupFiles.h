// The file side of the backup journal (Windows only): the backup copy of a shortcut file made
// before it is changed, its restore, and the journal lines written through to the disk.
// Paths are UTF-8; failures answer false with a short English reason for the log and the
// caller's keyed message.
#pragma once

#include "changes/BackupJournal.h"

#include <string>
#include <string_view>

namespace qm::changes {

// Copies `original` to `backupFolder`\`entry.backupName` (never over an existing file) and
// records the original's attributes and times in `entry`.
bool BackUpFile(std::string_view original, std::string_view backupFolder, JournalEntry& entry, std::string& error);

// Puts the backup copy back at entry.originalPath with the recorded attributes and times,
// whether a file is there now or not. The bytes go to a temporary file beside the original
// first and replace it in one move, so the file there is never lost half-way.
bool RestoreFile(const JournalEntry& entry, std::string_view backupFolder, std::string& error);

// Deletes a batch from the backup folder: its backup copies first, its journal file last, so
// that a prune cut short leaves a journal rather than copies nothing names. A copy already gone
// is no failure.
bool PruneBatch(const JournalBatch& batch, std::string_view backupFolder, std::string& error);

// Appends `text` to the journal file and flushes it to the disk before answering, so that the
// line is there before the change it announces is made.
bool AppendToJournal(std::string_view journalPath, std::string_view text, std::string& error);

}  // namespace qm::changes
