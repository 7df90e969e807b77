#include "results/ShortcutActions.h"

#include "base/Utf.h"
#include "base/win/FileAccess.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/SystemText.h"
#include "base/win/LongPath.h"

#include <windows.h>

namespace qm::results {
namespace {

// Whether the file is still the one the search listed: same size and last write time, taken
// from the file's attributes, which cost no opening of the file (under Wine no round trip to the
// server either, where opening and reading a file takes three).
bool UnchangedSinceSearch(const std::string& path, const wizard::BrokenShortcut& record) {
    if (record.fileWriteTime == 0) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return JoinHalves(data.nFileSizeHigh, data.nFileSizeLow) == record.fileSize &&
           FileTimeValue(data.ftLastWriteTime) == record.fileWriteTime;
}

// Why a file the shell was asked to recycle is still there: the system's words for what stops
// it from being deleted (in use, access denied), if anything does.
std::string WhyStillThere(const std::string& path) {
    FileHandle file(::CreateFileW(FileApiPath(path).c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (file) return kRecycleRefused;
    const std::string words = Narrow(SystemMessage(::GetLastError()));
    return words.empty() ? kRecycleRefused : words;
}

}  // namespace

bool PathPresent(const std::string& path) { return !PathIsGone(path); }

bool ChangedSinceScan(const wizard::BrokenShortcut& record) {
    return record.fileWriteTime != 0 && !UnchangedSinceSearch(record.Path(), record);
}

std::optional<std::string> TargetToShow(const wizard::BrokenShortcut& record) {
    const std::string path = record.Path();
    if (!record.target.empty() && UnchangedSinceSearch(path, record)) return record.target;
    std::string stored;
    if (!changes::ReadShortcutTarget(path, stored)) return std::nullopt;
    return record.target.empty() ? stored : record.target;
}

std::vector<host::ShortcutJudgement> JudgeNow(const std::vector<std::string>& paths) {
    const host::FileFinderComponent& finder = host::TheComponents().finder;
    if (!finder) return std::vector<host::ShortcutJudgement>(paths.size(), {host::ShortcutVerdict::Broken, {}, {}});
    return finder.JudgeShortcuts(paths);
}

void NoteFileNow(wizard::BrokenShortcut& record) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(record.Path()).c_str(), GetFileExInfoStandard, &data)) return;
    record.fileSize = JoinHalves(data.nFileSizeHigh, data.nFileSizeLow);
    record.fileWriteTime = FileTimeValue(data.ftLastWriteTime);
}

void NoteFileNow(ResultRows& rows, RowId id) {
    const ResultRow* row = rows.Find(id);
    if (!row || row->record.fileWriteTime == 0) return;
    wizard::BrokenShortcut record = row->record;
    NoteFileNow(record);
    rows.NoteFile(id, record.fileSize, record.fileWriteTime);
}

wizard::BrokenShortcut Rejudged(const wizard::BrokenShortcut& scanned, const host::ShortcutJudgement& now) {
    // The scan's size and time stay: a file changed since the scan is never deleted or repaired
    // on the scan's word, however it is explained now.
    wizard::BrokenShortcut record = scanned;
    // What the search for moved targets said was about the old target.
    record.target = now.target;
    record.reason = now.reason;
    record.goneKind = now.verdict == host::ShortcutVerdict::Broken ? wizard::GoneKind::Unknown : wizard::GoneKind::Retargeted;
    record.goneName.clear();
    record.goneFolder.clear();
    record.suggestion.clear();
    record.confidence = wizard::Confidence::None;
    return record;
}

ShortcutActions::ShortcutActions(std::string backupFolder, RecycleFiles recycle, NoteChanges note)
    : backupFolder_(std::move(backupFolder)), recycle_(std::move(recycle)), note_(std::move(note)) {}

void ShortcutActions::Finish(changes::ChangeBatch& batch) {
    std::string error;
    // An end line that cannot be written leaves the batch marked interrupted; it stays undoable,
    // and the user is told.
    if (!batch.Finish(error) || batch.Ended()) journalFault_ = batch.Ended() ? batch.EndReason() : error;
    if (note_ && batch.ChangedCount() > 0) note_(batch.Action(), batch.ChangedCount());
}

DeleteOutcome ShortcutActions::Delete(const std::vector<std::string>& paths, const TellNotBackedUp& tell) {
    journalFault_.clear();
    DeleteOutcome outcome;
    outcome.gone.assign(paths.size(), false);
    outcome.why.assign(paths.size(), std::string());
    // Every file is backed up before the shell moves any; a file that cannot be is not moved.
    changes::ChangeBatch batch(backupFolder_, changes::ChangeAction::Delete);
    std::vector<std::size_t> backedUp;
    std::vector<std::string> notBackedUp;
    std::string reason;
    for (std::size_t i = 0; i < paths.size(); ++i) {
        std::string error;
        if (batch.RecordShortcut(paths[i], "", error)) {
            backedUp.push_back(i);
        } else {
            notBackedUp.push_back(paths[i]);
            if (reason.empty()) reason = error;
        }
    }
    // A journal that took no more lines ends the batch before anything went: every file stays.
    if (batch.Ended()) {
        for (const std::size_t i : backedUp) notBackedUp.push_back(paths[i]);
        backedUp.clear();
        reason = batch.EndReason();
    }
    if (!notBackedUp.empty() && tell) tell(notBackedUp, reason);
    if (backedUp.empty()) {
        Finish(batch);
        return outcome;
    }
    std::vector<std::string> recycled;
    for (const std::size_t i : backedUp) recycled.push_back(paths[i]);
    const bool aborted = recycle_ && recycle_(recycled);
    // Whatever the shell answered, each file says what happened to it.
    for (const std::size_t i : backedUp) {
        if (PathPresent(paths[i])) {
            ++outcome.remaining;
            outcome.why[i] = WhyStillThere(paths[i]);
        } else {
            std::string error;
            batch.Changed(paths[i], error);  // a done line lost: Undo still finds the copy
            outcome.gone[i] = true;
        }
    }
    Finish(batch);
    outcome.declined = aborted && outcome.remaining == static_cast<int>(backedUp.size());
    return outcome;
}

std::vector<NewTargetOutcome> ShortcutActions::ChangeTargets(changes::ChangeAction action,
                                                             const std::vector<std::pair<std::string, std::string>>& targets) {
    journalFault_.clear();
    std::vector<NewTargetOutcome> outcomes;
    changes::ChangeBatch batch(backupFolder_, action);
    for (const auto& [path, newTarget] : targets) {
        NewTargetOutcome& outcome = outcomes.emplace_back();
        // Once the journal takes no more lines, nothing more is changed.
        if (!batch.RecordShortcut(path, newTarget, outcome.backupError)) {
            outcome.backedUp = false;
            continue;
        }
        outcome.failure = changes::RetargetShortcut(path, newTarget, &outcome.systemError);
        std::string error;
        if (outcome.failure == changes::RetargetFailure::None) batch.Changed(path, error);
    }
    Finish(batch);
    return outcomes;
}

std::vector<changes::StoredBatch> ShortcutActions::History() const { return changes::ReadChangeHistory(backupFolder_); }

changes::UndoResult ShortcutActions::Undo(const changes::StoredBatch& stored, const changes::ReplaceNewerFile& askReplace) {
    changes::UndoResult result = changes::UndoChangeBatch(backupFolder_, stored, askReplace);
    const std::size_t changed = result.restored.size() + result.removed.size();
    if (note_ && changed > 0) note_(changes::ChangeAction::Undo, changed);
    return result;
}

}  // namespace qm::results
