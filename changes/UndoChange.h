// Undo of one batch of changes: every file of the batch goes back to what it was before,
// from the backup copies (bytes, attributes, times), whether or not the Recycle Bin still
// holds it; a path that held no file before loses the file put there. The undo is itself a
// batch of the journal (ChangeAction::Undo), so it can be undone in turn. Window-free; the
// question about a file changed since is the caller's.
#pragma once

#include "changes/ChangeBatch.h"
#include "changes/ChangeHistory.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::changes {

// Asked for each path whose file was changed after the batch (by hand, by another program):
// true replaces it with the state from before the batch, false keeps it.
using ReplaceNewerFile = std::function<bool(const std::string& path)>;

struct UndoResult {
    std::string undoBatchId;              // the undo's own batch; empty when it changed nothing
    std::vector<std::string> restored;    // paths that hold their file from before again
    std::vector<std::string> removed;     // paths whose file was moved to the Recycle Bin again
    std::vector<std::string> kept;        // newer files the user chose to keep
    std::vector<std::string> failures;    // "path: reason" for files left as they were
    bool notBackedUp = false;             // a failure was the backup of the file's present state
};

// Whether the file now at the entry's path differs from what the batch left there: its stored
// target is not the entry's new target, it was written after the batch (`journalWritten`, FILETIME
// ticks, with a little slack for the last entry of an interrupted batch), or, for a delete, a
// file other than the deleted one is there.
bool ChangedSinceBatch(const JournalEntry& entry, const std::string& backupFolder, uint64_t journalWritten);

UndoResult UndoChangeBatch(const std::string& backupFolder, const StoredBatch& stored, const ReplaceNewerFile& askReplace);

// Moves a file to the Recycle Bin without any window of the shell; true when it is gone.
bool RecycleQuietly(const std::string& path);

}  // namespace qm::changes
