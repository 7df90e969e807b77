#include "changes/ChangeBatch.h"

#include "base/PathSplit.h"
#include "base/win/FileAccess.h"
#include "base/win/LongPath.h"
#include "changes/ShortcutFile.h"
#include "changes/BackupFiles.h"

#include <windows.h>

#include <ctime>

namespace qm::changes {
namespace {

// The extension of the shortcut's name, kept on its copy so the copy shows what it is.
std::string ExtensionOf(const std::string& path) {
    const std::string name = PathFileName(path);
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || name.size() - dot > 8 ? std::string() : name.substr(dot);
}

}  // namespace

bool MakeFolderTree(const std::string& folder) {
    if (folder.empty()) return false;
    if (IsFolder(folder)) return true;
    const std::string parent = PathFolder(folder);
    if (parent != folder && !parent.empty() && !MakeFolderTree(parent)) return false;
    return ::CreateDirectoryW(FileApiPath(folder).c_str(), nullptr) || IsFolder(folder);
}

ChangeBatch::ChangeBatch(std::string backupFolder, ChangeAction action, std::string undoes)
    : folder_(std::move(backupFolder)) {
    batch_.action = action;
    batch_.undoes = std::move(undoes);
}

std::string ChangeBatch::JournalPath() const { return folder_ + "\\" + batch_.id + std::string(kJournalExtension); }

bool ChangeBatch::Begin(std::string& error) {
    if (!MakeFolderTree(folder_)) {
        error = "cannot create the backup folder " + folder_ + " (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    batch_.when = static_cast<int64_t>(std::time(nullptr));
    // Two batches within one second, of this program or another one on the same folder, get the
    // next sequence number: the journal is made new, never opened when it is there.
    for (unsigned sequence = 0; sequence < 10000; ++sequence) {
        batch_.id = MakeBatchId(batch_.when, sequence);
        bool exists = false;
        if (CreateJournal(JournalPath(), JournalHeaderText(batch_), exists, error)) {
            begun_ = true;
            return true;
        }
        if (!exists) return false;
    }
    return false;
}

bool ChangeBatch::Append(const std::string& text, std::string& error) {
    if (AppendToJournal(JournalPath(), text, error)) return true;
    ended_ = true;
    endReason_ = error;
    return false;
}

bool ChangeBatch::Record(JournalEntry entry, bool mayBeAbsent, std::string& error) {
    if (finished_ || ended_) {
        error = ended_ ? endReason_ : "the batch is finished";
        return false;
    }
    if (!begun_ && !Begin(error)) return false;
    entry.backupName = batch_.id + "-" + std::to_string(batch_.entries.size()) + ExtensionOf(entry.originalPath);
    if (mayBeAbsent && !PathExists(entry.originalPath)) {
        entry.attributes = kNoFileBefore;
        entry.created = entry.accessed = entry.written = 0;
    } else if (!BackUpFile(entry.originalPath, folder_, entry, error)) {
        return false;
    }
    if (!Append(JournalEntryText(entry), error)) {
        // The line is what makes the copy findable; a copy without it is only clutter.
        const std::wstring copy = FileApiPath(folder_ + "\\" + entry.backupName);
        ::SetFileAttributesW(copy.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(copy.c_str());
        return false;
    }
    batch_.entries.push_back(std::move(entry));
    return true;
}

bool ChangeBatch::RecordShortcut(const std::string& path, const std::string& newTarget, std::string& error) {
    JournalEntry entry;
    entry.action = batch_.action;
    entry.originalPath = path;
    entry.newTarget = newTarget;
    ReadShortcutTarget(path, entry.oldTarget);
    return Record(std::move(entry), /*mayBeAbsent=*/false, error);
}

bool ChangeBatch::Changed(const std::string& path, std::string& error) {
    ++changed_;
    for (auto it = batch_.entries.rbegin(); it != batch_.entries.rend(); ++it) {
        if (it->originalPath != path || it->done) continue;
        it->done = true;
        // A batch that ended writes nothing more; its entry stays without its done line, which
        // Undo takes as a change that may have happened.
        return !ended_ && Append(JournalDoneText(*it), error);
    }
    return true;
}

bool ChangeBatch::Finish(std::string& error) {
    if (!begun_ || finished_) return true;
    finished_ = true;
    if (changed_ == 0) return PruneBatch(batch_, folder_, error);
    // An ended batch keeps no end line: it reads back as interrupted, as far as it got.
    if (ended_) {
        error = endReason_;
        return false;
    }
    return Append(JournalEndText(batch_.entries.size()), error);
}

}  // namespace qm::changes
