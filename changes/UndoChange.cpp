#include "changes/UndoChange.h"

#include "base/Utf.h"
#include "base/win/FileAccess.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"
#include "changes/ShortcutFile.h"
#include "changes/BackupFiles.h"

#include <windows.h>
#include <shellapi.h>

namespace qm::changes {
namespace {

// A change's own write lands just after its journal line when the program ended before the
// next line: two seconds of slack keep that from counting as a change made since.
constexpr uint64_t kSlack = 2 * 10'000'000ull;

// A deleted shortcut and its copy are compared whole; anything larger than this is no shortcut.
constexpr std::size_t kLargestCompared = 256u << 20;

bool SameAsBackup(const JournalEntry& entry, const std::string& backupFolder) {
    const std::optional<std::string> now = ReadWholeFile(entry.originalPath, kLargestCompared);
    const std::optional<std::string> before = ReadWholeFile(backupFolder + "\\" + entry.backupName, kLargestCompared);
    return now && before && *now == *before;
}

bool LeavesNoFile(const JournalEntry& entry) {
    return entry.action == ChangeAction::Delete || entry.action == ChangeAction::Remove;
}

}  // namespace

bool RecycleQuietly(const std::string& path) {
    // The shell takes no extended-length paths; it copes with long ones itself where it can.
    std::wstring from = Widen(path);
    from.push_back(L'\0');  // the list ends with a second terminator
    SHFILEOPSTRUCTW operation{};
    operation.wFunc = FO_DELETE;
    operation.pFrom = from.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NO_UI;
    ::SHFileOperationW(&operation);
    return !PathExists(path);
}

bool ChangedSinceBatch(const JournalEntry& entry, const std::string& backupFolder, uint64_t journalWritten) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(entry.originalPath).c_str(), GetFileExInfoStandard, &data)) return false;
    if (LeavesNoFile(entry)) {
        // The deleted file itself, put back from the Recycle Bin, is no change to keep.
        return entry.attributes == kNoFileBefore || !SameAsBackup(entry, backupFolder);
    }
    std::string target;
    if (!ReadShortcutTarget(entry.originalPath, target) || target != entry.newTarget) return true;
    const uint64_t written = FileTimeValue(data.ftLastWriteTime);
    return written > journalWritten + kSlack;
}

UndoResult UndoChangeBatch(const std::string& backupFolder, const StoredBatch& stored, const ReplaceNewerFile& askReplace) {
    UndoResult result;
    ChangeBatch undo(backupFolder, ChangeAction::Undo, stored.batch.id);
    const std::vector<JournalEntry>& entries = stored.batch.entries;
    // Last change first: a path changed twice in one batch ends as it was before the first.
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        const JournalEntry& entry = *it;
        const std::string& path = entry.originalPath;
        const bool hadNoFile = entry.attributes == kNoFileBefore;
        const bool present = PathExists(path);
        if (hadNoFile && !present) continue;  // already as it was
        // A change not known to have happened (the program ended, or the change failed, after
        // its entry) left nothing to undo when the file is still the one backed up.
        if (!entry.done && present && !hadNoFile && SameAsBackup(entry, backupFolder)) continue;
        if (!hadNoFile) {
            std::string damaged;
            if (!CheckBackupCopy(entry, backupFolder, damaged)) {
                result.failures.push_back(path + ": " + damaged);
                continue;
            }
        }
        if (present && ChangedSinceBatch(entry, backupFolder, stored.journalWritten) && !(askReplace && askReplace(path))) {
            result.kept.push_back(path);
            continue;
        }
        JournalEntry planned;
        planned.action = hadNoFile ? ChangeAction::Remove : ChangeAction::Restore;
        planned.originalPath = path;
        if (present) ReadShortcutTarget(path, planned.oldTarget);
        planned.newTarget = hadNoFile ? std::string() : entry.oldTarget;
        std::string error;
        if (!undo.Record(planned, /*mayBeAbsent=*/true, error)) {
            result.failures.push_back(path + ": " + error);
            result.notBackedUp = true;
            if (undo.Ended()) break;  // the journal takes no more lines: nothing more is changed
            continue;
        }
        const bool done = hadNoFile ? RecycleQuietly(path) : RestoreFile(entry, backupFolder, error);
        if (!done) {
            result.failures.push_back(path + ": " + (error.empty() ? "cannot move it to the Recycle Bin" : error));
            continue;
        }
        (hadNoFile ? result.removed : result.restored).push_back(path);
        if (!undo.Changed(path, error)) {
            result.failures.push_back(error);
            break;
        }
    }
    std::string error;
    if (!undo.Finish(error)) result.failures.push_back(error);
    if (undo.ChangedCount() > 0) result.undoBatchId = undo.Id();
    return result;
}

}  // namespace qm::changes
