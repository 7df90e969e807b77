// What the repair actions answer about the files they touched, and the words the results page
// shows for it in its boxes: the files that could not be backed up or changed, each named (a box
// names at most kMostFailuresNamed), with the system's reason where there is one. Window-free.
#pragma once

#include "changes/ShortcutFile.h"
#include "results/TargetExplanation.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace qm::results {

// The reason given for a file still there that the system would let go: the shell kept it.
inline constexpr const char* kRecycleRefused = "recycle refused";

struct DeleteOutcome {
    std::vector<bool> gone;  // by path given: its file went to the Recycle Bin
    // by path given, for a file backed up and still there: the system's reason in words, or
    // kRecycleRefused when the system has nothing against deleting it
    std::vector<std::string> why;
    int remaining = 0;       // files backed up and still there after the shell was done
    bool declined = false;   // the user declined the shell's confirmation, and nothing went
};

// What became of one shortcut given a new target.
struct NewTargetOutcome {
    bool backedUp = true;
    std::string backupError;  // why not, when not
    changes::RetargetFailure failure = changes::RetargetFailure::None;
    unsigned long systemError = 0;  // the system's code for a failed write or replace
    bool Ok() const { return backedUp && failure == changes::RetargetFailure::None; }
};

// The system's words for one of its error codes.
using SystemWords = std::function<std::string(unsigned long code)>;

// A failure box lists at most this many shortcuts, so that it fits on the screen.
inline constexpr std::size_t kMostFailuresNamed = 20;

// The paths one per line, cut after kMostFailuresNamed.
std::string PathList(const std::vector<std::string>& paths);

// The files were left unchanged because no copy of them could be made in `backupFolder`, and
// `reason` (when there is one) why not.
std::string BackupFailureText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& paths,
                              const std::string& reason = {});
// The shortcut given a new target by hand that was not changed, and why; "" when it was.
std::string RetargetFailureText(const TextOfKey& text, const std::string& backupFolder, const std::string& path,
                                const NewTargetOutcome& outcome, const SystemWords& systemWords);
// One box for a whole repair (outcomes by path): the shortcuts that could not be changed, then
// those not changed because no backup copy could be made, with the reason; "" when all were.
std::string RepairFailuresText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& paths,
                               const std::vector<NewTargetOutcome>& outcomes);
// How many of the files (by path given) are still there after the Recycle Bin, and for each
// why; "" when none is, or when the user declined the shell's confirmation and knows.
std::string StillThereText(const TextOfKey& text, const std::vector<std::string>& paths, const DeleteOutcome& outcome);
// The files an undo left as they were ("path: reason"); `notBackedUp` when it was for want of a
// copy of their present state. "" when there are none.
std::string UndoFailureText(const TextOfKey& text, const std::string& backupFolder, const std::vector<std::string>& failures,
                            bool notBackedUp);
// The journal stopped taking lines, and why; "" when it did not.
std::string JournalFaultText(const TextOfKey& text, const std::string& fault);

}  // namespace qm::results
