// The batches kept in the backup folder, read back from their journals: the list of past
// changes, the last one for "Undo last change", and the pruning of old ones at start-up.
// Window-free.
#pragma once

#include "changes/BackupJournal.h"

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

namespace qm::changes {

struct StoredBatch {
    JournalBatch batch;
    uint64_t journalWritten = 0;  // the journal file's last write (FILETIME ticks): after every change of a finished batch
};

// Every readable batch in the folder, oldest first (by id). Journals that do not parse (another
// program's file, a batch torn inside its header) are left out and left alone.
std::vector<StoredBatch> ReadChangeHistory(const std::string& backupFolder);

// The batches undone by an undo that stands (an undo that was itself undone does not count).
std::unordered_set<std::string> UndoneBatches(const std::vector<StoredBatch>& history);

// What "Undo last change" undoes: the newest batch that is no undo and not undone, so that
// pressing it again goes further back; an undo is undone from the list of past changes.
// nullptr when there is none.
const StoredBatch* LastChange(const std::vector<StoredBatch>& history);

// Deletes the batches older than `keepDays` days before `now` (seconds since 1970) with their
// backup copies; answers how many went. A batch that cannot be deleted now is tried again at
// the next start.
int PruneChangeHistory(const std::string& backupFolder, int64_t now, int keepDays);

// The days a batch is kept, from its setting in config.ini: a whole number of days, 0 for ever;
// absent or unreadable (a typo must not delete anything early) gives the default.
inline constexpr int kDefaultKeepDays = 30;
int KeepDaysSetting(const std::string& setting);

// How many files a batch changed: its entries whose change is known to have happened (done).
std::size_t ChangedFiles(const JournalBatch& batch);

}  // namespace qm::changes
