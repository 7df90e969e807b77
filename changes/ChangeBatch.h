// One user action's changes to shortcut files (one Delete press, one re-target, one repair of
// several rows, one Undo), written to the backup folder's journal as one batch. For each file
// the backup copy and the journal line are on disk before the caller may change the file, and
// its done line once the change happened; a file whose copy or line could not be written must be
// left alone. A journal line that cannot be written ends the batch: nothing more may be changed
// in it. Window-free.
#pragma once

#include "changes/BackupJournal.h"

#include <cstddef>
#include <string>

namespace qm::changes {

// Creates `folder` and its missing parents; true when it exists afterwards.
bool MakeFolderTree(const std::string& folder);

class ChangeBatch {
public:
    // Nothing is written until the first file is recorded. `undoes`: the id of the batch an
    // undo undoes.
    ChangeBatch(std::string backupFolder, ChangeAction action, std::string undoes = {});
    // A batch that was begun and not finished keeps its journal without an end line: it reads
    // back as incomplete, which is what it is.
    ~ChangeBatch() = default;
    ChangeBatch(const ChangeBatch&) = delete;
    ChangeBatch& operator=(const ChangeBatch&) = delete;

    // Copies the file at entry.originalPath into the backup folder and appends its journal line
    // (flushed); entry.action, oldTarget and newTarget say what is about to happen. True when
    // both are on disk: the change may be made. With `mayBeAbsent`, a path without a file is
    // recorded as kNoFileBefore without a copy. `error` gets a short English reason. False
    // after the batch ended (Ended()).
    bool Record(JournalEntry entry, bool mayBeAbsent, std::string& error);
    // Record for a shortcut about to get `newTarget` ("" for a delete) by the batch's own
    // action; its stored target is the entry's old target.
    bool RecordShortcut(const std::string& path, const std::string& newTarget, std::string& error);
    // The change of the newest entry of `path` happened: counts it and appends its done line.
    // False (and the batch ends) when the line cannot be written; the change still counts.
    bool Changed(const std::string& path, std::string& error);
    // A journal line could not be written: the batch takes no more changes. `EndReason` says why.
    bool Ended() const { return ended_; }
    const std::string& EndReason() const { return endReason_; }

    // Writes the end line. A batch that changed nothing is removed with its copies, so that
    // the list of past changes shows only what changed something.
    bool Finish(std::string& error);

    bool Begun() const { return begun_; }
    const std::string& Id() const { return batch_.id; }
    ChangeAction Action() const { return batch_.action; }
    std::size_t ChangedCount() const { return changed_; }
    const std::string& Folder() const { return folder_; }

private:
    bool Begin(std::string& error);
    bool Append(const std::string& text, std::string& error);
    std::string JournalPath() const;

    std::string folder_;
    JournalBatch batch_;
    bool begun_ = false;
    bool finished_ = false;
    bool ended_ = false;
    std::string endReason_;
    std::size_t changed_ = 0;
};

}  // namespace qm::changes
