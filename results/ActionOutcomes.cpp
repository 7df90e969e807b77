#include "results/ActionOutcomes.h"

namespace qm::results {

std::string PathList(const std::vector<std::string>& paths) {
    std::string text;
    for (std::size_t i = 0; i < paths.size() && i < kMostFailuresNamed; ++i) text += (i ? "\n" : "") + paths[i];
    if (paths.size() > kMostFailuresNamed) text += "\n...";
    return text;
}

std::string BackupFailureText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& paths,
                              const std::string& reason) {
    std::string told = FillPlaceholders(text("_QM_BackupFailed"), {{"folder", backupFolder}}) + "\n\n" + PathList(paths);
    if (!reason.empty()) told.append("\n\n").append(reason);
    return told;
}

std::string RetargetFailureText(const TextOfKey& text, const std::string& backupFolder, const std::string& path,
                                const NewTargetOutcome& outcome, const SystemWords& systemWords) {
    if (!outcome.backedUp) return BackupFailureText(text, backupFolder, {path}, outcome.backupError);
    if (outcome.failure == changes::RetargetFailure::None) return {};
    std::string told = text(outcome.failure == changes::RetargetFailure::CannotReplace ? "_QM_038" : "_QM_037");
    told.append("\n\n").append(path);
    if (outcome.systemError && systemWords) told.append("\n").append(systemWords(outcome.systemError));
    return told;
}

std::string RepairFailuresText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& paths,
                               const std::vector<NewTargetOutcome>& outcomes) {
    std::vector<std::string> notChanged, notBackedUp;
    std::string backupError;
    for (std::size_t i = 0; i < outcomes.size() && i < paths.size(); ++i) {
        if (!outcomes[i].backedUp) {
            notBackedUp.push_back(paths[i]);
            if (backupError.empty()) backupError = outcomes[i].backupError;
        } else if (outcomes[i].failure != changes::RetargetFailure::None) {
            notChanged.push_back(paths[i]);
        }
    }
    std::string told;
    if (!notChanged.empty()) told = FillPlaceholders(text("_QM_RepairFailed"), {{"list", PathList(notChanged)}});
    if (!notBackedUp.empty()) told += (told.empty() ? "" : "\n\n") + BackupFailureText(text, backupFolder, notBackedUp, backupError);
    return told;
}

std::string StillThereText(const TextOfKey& text, const std::vector<std::string>& paths, const DeleteOutcome& outcome) {
    if (outcome.remaining <= 0 || outcome.declined) return {};
    std::vector<std::string> left;
    for (std::size_t i = 0; i < paths.size() && i < outcome.gone.size() && i < outcome.why.size(); ++i)
        if (!outcome.gone[i] && !outcome.why[i].empty())
            left.push_back(paths[i] + ": " + (outcome.why[i] == kRecycleRefused ? text("_QM_RecycleRefused") : outcome.why[i]));
    return FillPlaceholders(text("_QM_040"), {{"count", std::to_string(outcome.remaining)}}) + "\n\n" + PathList(left);
}

std::string UndoFailureText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& failures,
                            bool notBackedUp) {
    if (notBackedUp) return BackupFailureText(text, backupFolder, failures);
    if (failures.empty()) return {};
    return text("_QM_UndoFailed") + "\n\n" + PathList(failures);
}

std::string JournalFaultText(const TextOfKey& text, const std::string& fault) {
    return fault.empty() ? std::string() : text("_QM_JournalFailed") + "\n\n" + fault;
}

}  // namespace qm::results
