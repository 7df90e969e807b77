#include "changes/ChangeHistory.h"

#include "base/Utf.h"
#include "base/win/FileAccess.h"
#include "base/win/FileTimes.h"
#include "base/win/Handle.h"
#include "base/win/LongPath.h"
#include "changes/BackupFiles.h"

#include <windows.h>

#include <algorithm>
#include <charconv>

namespace qm::changes {
namespace {

// A journal is a few lines per file; anything far larger is not ours.
constexpr std::size_t kLargestJournal = 64u << 20;

}  // namespace

std::size_t ChangedFiles(const JournalBatch& batch) {
    return static_cast<std::size_t>(
        std::count_if(batch.entries.begin(), batch.entries.end(), [](const JournalEntry& e) { return e.done; }));
}

int KeepDaysSetting(const std::string& setting) {
    int days = 0;
    const char* end = setting.data() + setting.size();
    const auto [stop, error] = std::from_chars(setting.data(), end, days);
    return error != std::errc() || stop != end || days < 0 ? kDefaultKeepDays : days;
}

std::vector<StoredBatch> ReadChangeHistory(const std::string& backupFolder) {
    std::vector<StoredBatch> batches;
    if (backupFolder.empty()) return batches;
    WIN32_FIND_DATAW found;
    FindHandle find(::FindFirstFileW(FileApiPath(backupFolder + "\\*" + std::string(kJournalExtension)).c_str(), &found));
    if (!find) return batches;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string name = Narrow(found.cFileName);
        const std::optional<std::string> text = ReadWholeFile(backupFolder + "\\" + name, kLargestJournal);
        if (!text) continue;
        StoredBatch stored;
        stored.journalWritten = FileTimeValue(found.ftLastWriteTime);
        std::optional<JournalBatch> batch = ParseJournal(*text);
        // The file's name must be its batch's id: copies are found by that id.
        if (!batch || batch->id + std::string(kJournalExtension) != name) continue;
        stored.batch = std::move(*batch);
        batches.push_back(std::move(stored));
    } while (::FindNextFileW(find.Get(), &found));
    std::sort(batches.begin(), batches.end(), [](const StoredBatch& a, const StoredBatch& b) {
        // Within one second the sequence number decides: "-10" after "-9".
        if (a.batch.when != b.batch.when) return a.batch.when < b.batch.when;
        if (a.batch.id.size() != b.batch.id.size()) return a.batch.id.size() < b.batch.id.size();
        return a.batch.id < b.batch.id;
    });
    return batches;
}

std::unordered_set<std::string> UndoneBatches(const std::vector<StoredBatch>& history) {
    // An undo is always newer than what it undoes: newest first, each standing undo is known
    // before the batch it undoes is reached.
    std::unordered_set<std::string> undone;
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        const JournalBatch& batch = it->batch;
        if (!batch.undoes.empty() && !undone.count(batch.id)) undone.insert(batch.undoes);
    }
    return undone;
}

const StoredBatch* LastChange(const std::vector<StoredBatch>& history) {
    const std::unordered_set<std::string> undone = UndoneBatches(history);
    for (auto it = history.rbegin(); it != history.rend(); ++it)
        if (it->batch.undoes.empty() && !undone.count(it->batch.id)) return &*it;
    return nullptr;
}

int PruneChangeHistory(const std::string& backupFolder, int64_t now, int keepDays) {
    std::vector<JournalBatch> batches;
    for (StoredBatch& stored : ReadChangeHistory(backupFolder)) batches.push_back(std::move(stored.batch));
    int pruned = 0;
    for (const JournalBatch* batch : BatchesToPrune(batches, now, keepDays)) {
        std::string error;
        if (PruneBatch(*batch, backupFolder, error)) ++pruned;
    }
    return pruned;
}

}  // namespace qm::changes
