// The repair actions on the shortcut files, without any window: move files to the Recycle Bin,
// give shortcuts new targets, undo a batch. Each is one batch of the change journal
// (changes/ChangeBatch.h), so every file is backed up before it is changed and a file that
// cannot be is left alone. They answer what became of each file; the results page turns that
// into rows and messages. The Recycle Bin is reached through the function given, so that the
// page can own the shell's confirmation and tests can stand in for the shell.
#pragma once

#include "changes/ChangeBatch.h"
#include "changes/ChangeHistory.h"
#include "changes/ShortcutFile.h"
#include "changes/UndoChange.h"
#include "host/Components.h"
#include "results/ActionOutcomes.h"
#include "results/ResultRows.h"
#include "wizard/ResultStore.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::results {

// Moves the files to the Recycle Bin; true when the user declined (the shell's confirmation).
using RecycleFiles = std::function<bool(const std::vector<std::string>& paths)>;
// Told the files that are left alone because no backup copy could be made, and why.
using TellNotBackedUp = std::function<void(const std::vector<std::string>& paths, const std::string& reason)>;
// Told what one finished batch changed: its action and how many files.
using NoteChanges = std::function<void(changes::ChangeAction action, std::size_t files)>;

class ShortcutActions {
public:
    ShortcutActions(std::string backupFolder, RecycleFiles recycle, NoteChanges note);

    const std::string& BackupFolder() const { return backupFolder_; }
    // Why the journal stopped taking lines in the last action (a line, a done line or the end
    // line could not be written): the action then ended there. Empty when it did not.
    const std::string& JournalFault() const { return journalFault_; }

    // Backs every file up, tells of those that cannot be, and moves the others to the Recycle
    // Bin in one operation of the shell.
    DeleteOutcome Delete(const std::vector<std::string>& paths, const TellNotBackedUp& tell);

    // One batch of `action` (Retarget: a target the user chose; Repair: suggestions) giving each
    // shortcut (path, new target) its new target, in order; the answers in the same order.
    std::vector<NewTargetOutcome> ChangeTargets(changes::ChangeAction action,
                                                const std::vector<std::pair<std::string, std::string>>& targets);

    // The batches kept in the backup folder, oldest first, and the undo of one of them.
    std::vector<changes::StoredBatch> History() const;
    changes::UndoResult Undo(const changes::StoredBatch& stored, const changes::ReplaceNewerFile& askReplace);

private:
    void Finish(changes::ChangeBatch& batch);

    std::string backupFolder_;
    std::string journalFault_;
    RecycleFiles recycle_;
    NoteChanges note_;
};

// The target a row shows for `record`: the one the search judged missing, or the one the file
// stores when the record has none. nullopt when the file is no longer there or no longer a
// shortcut. A file the search read and that has not changed since is still the shortcut it
// judged, and is not read again.
std::optional<std::string> TargetToShow(const wizard::BrokenShortcut& record);

// Whether the shortcut file is no longer the one the scan listed: its size or last write time
// differ from the record's, or it is gone. A record that knows neither counts as unchanged.
bool ChangedSinceScan(const wizard::BrokenShortcut& record);

// The rule's judgement of the shortcuts now, one per path; without the finder (never in the
// program, which cannot start without it) the scan's word stands.
std::vector<host::ShortcutJudgement> JudgeNow(const std::vector<std::string>& paths);
// The record's file as it is now, so that it is judged again only after its next change.
void NoteFileNow(wizard::BrokenShortcut& record);
void NoteFileNow(ResultRows& rows, RowId id);
// A record changed since the scan, as the rule explains it now (not broken: re-targeted).
wizard::BrokenShortcut Rejudged(const wizard::BrokenShortcut& scanned, const host::ShortcutJudgement& now);

// A file counts as gone only when the system says it is not there: a file that another program
// holds open is still there.
bool PathPresent(const std::string& path);

}  // namespace qm::results
