// The repair actions without a window, on real files under Wine, the Recycle Bin stood in for:
// what each file's outcome says after the shell moved some, none or all of them, or when no
// backup copy can be made; and that a batch is kept exactly when it changed something.
#include "results/ShortcutActions.h"

#include "base/Utf.h"
#include "base/win/FileFault.h"
#include "base/win/SystemText.h"
#include "tests/results/ScratchFolder.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace qm::results {
namespace {

using test::Bytes;

Bytes LinkTo(const std::string& target) {
    lnkwriter::LinkFields fields;
    fields.localBasePath = target;
    fields.idListPath = target;
    return lnkwriter::BuildLink(fields);
}

class Actions : public ::testing::Test {
protected:
    // The shell stood in for: removes the files named in `moves` and answers `declined`.
    ShortcutActions Make(std::string backup, std::vector<std::string> moves, bool declined) {
        return ShortcutActions(
            std::move(backup),
            [this, moves, declined](const std::vector<std::string>& paths) {
                asked_.push_back(paths);
                for (const std::string& path : moves) ::DeleteFileW(Widen(path).c_str());
                return declined;
            },
            [this](changes::ChangeAction action, std::size_t files) { noted_.emplace_back(action, files); });
    }

    test::ScratchFolder scratch_;
    const std::string backup_ = scratch_.Path("backup");
    const std::string a_ = scratch_.File("a.lnk", LinkTo("C:\\Gone\\a.exe"));
    const std::string b_ = scratch_.File("b.lnk", LinkTo("C:\\Gone\\b.exe"));
    std::vector<std::vector<std::string>> asked_;
    std::vector<std::pair<changes::ChangeAction, std::size_t>> noted_;
};

TEST_F(Actions, DeleteTellsOfEachFileWhatTheShellDid) {
    const struct {
        const char* what;
        bool moveA, moveB, declined;
        std::vector<bool> gone;
        int remaining;
        bool toldDeclined;
    } cases[] = {
        {"both went", true, true, false, {true, true}, 0, false},
        {"one could not go", true, false, false, {true, false}, 1, false},
        {"the user declined", false, false, true, {false, false}, 2, true},
        {"aborted half-way", true, false, true, {true, false}, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        test::WriteBytes(a_, LinkTo("C:\\Gone\\a.exe"));
        test::WriteBytes(b_, LinkTo("C:\\Gone\\b.exe"));
        std::vector<std::string> moves;
        if (c.moveA) moves.push_back(a_);
        if (c.moveB) moves.push_back(b_);
        noted_.clear();
        ShortcutActions actions = Make(backup_, moves, c.declined);
        const std::size_t kept = actions.History().size();
        int told = 0;
        const DeleteOutcome outcome = actions.Delete({a_, b_}, [&](const auto&, const auto&) { ++told; });
        EXPECT_EQ(told, 0);
        EXPECT_EQ(outcome.gone, c.gone);
        EXPECT_EQ(outcome.remaining, c.remaining);
        EXPECT_EQ(outcome.declined, c.toldDeclined);
        const std::size_t changed = static_cast<std::size_t>(2 - c.remaining);
        EXPECT_EQ(actions.History().size(), kept + (changed ? 1 : 0)) << "a batch that changed nothing is not kept";
        EXPECT_EQ(noted_, (changed ? decltype(noted_){{changes::ChangeAction::Delete, changed}} : decltype(noted_){}));
    }
}

TEST_F(Actions, NothingIsChangedWithoutItsBackup) {
    const std::string blocked = scratch_.File("blocker", Bytes(1, 'b')) + "\\backup";  // under a file: cannot be made
    ShortcutActions actions = Make(blocked, {a_, b_}, false);
    std::vector<std::string> told;
    const DeleteOutcome outcome = actions.Delete({a_, b_}, [&](const std::vector<std::string>& paths, const std::string& reason) {
        told = paths;
        EXPECT_FALSE(reason.empty());
    });
    EXPECT_EQ(told, (std::vector<std::string>{a_, b_}));
    EXPECT_TRUE(asked_.empty()) << "the shell is not even asked";
    EXPECT_EQ(outcome.gone, (std::vector<bool>{false, false}));

    const std::string found = scratch_.File("found.exe", Bytes(3, 'x'));
    const std::vector<NewTargetOutcome> outcomes = actions.ChangeTargets(changes::ChangeAction::Repair, {{a_, found}});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].backedUp);
    EXPECT_FALSE(outcomes[0].backupError.empty());
    std::string target;
    ASSERT_TRUE(changes::ReadShortcutTarget(a_, target));
    EXPECT_EQ(target, "C:\\Gone\\a.exe") << "not re-targeted without its backup";
    EXPECT_TRUE(noted_.empty());
}

TEST_F(Actions, NewTargetsAreOneBatchWithAnOutcomePerShortcut) {
    const std::string found = scratch_.File("found.exe", Bytes(3, 'x'));
    const std::string c = scratch_.File("c.lnk", LinkTo("C:\\Gone\\c.exe"));
    ShortcutActions actions = Make(backup_, {}, false);
    const std::vector<NewTargetOutcome> outcomes =
        actions.ChangeTargets(changes::ChangeAction::Repair, {{a_, found},
                                                              {b_, scratch_.Path("not there.exe")},
                                                              {scratch_.Path("gone.lnk"), found},
                                                              {c, found}});
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_TRUE(outcomes[0].Ok());
    EXPECT_TRUE(outcomes[1].backedUp);
    EXPECT_EQ(outcomes[1].failure, changes::RetargetFailure::TargetUnusable);
    EXPECT_FALSE(outcomes[2].backedUp) << "a shortcut that is gone has nothing to back up";
    EXPECT_TRUE(outcomes[3].Ok());
    std::string target;
    for (const std::string& changed : {a_, c}) {
        ASSERT_TRUE(changes::ReadShortcutTarget(changed, target));
        EXPECT_EQ(target, found) << changed;
    }
    EXPECT_EQ(noted_, (decltype(noted_){{changes::ChangeAction::Repair, 2}}));
    const std::vector<changes::StoredBatch> history = actions.History();
    ASSERT_EQ(history.size(), 1u) << "both changes in one batch, undone together";
    EXPECT_EQ(history[0].batch.action, changes::ChangeAction::Repair);

    const changes::UndoResult undone = actions.Undo(history[0], nullptr);
    EXPECT_EQ(undone.restored.size(), 2u) << "the unchanged one is not touched";
    ASSERT_TRUE(changes::ReadShortcutTarget(a_, target));
    EXPECT_EQ(target, "C:\\Gone\\a.exe");
    ASSERT_TRUE(changes::ReadShortcutTarget(c, target));
    EXPECT_EQ(target, "C:\\Gone\\c.exe");
    EXPECT_EQ(noted_.back(), (std::pair{changes::ChangeAction::Undo, std::size_t{2}}));
}

}  // namespace
}  // namespace qm::results

namespace qm::results {
namespace {

// ---- Faults at every step ----------------------------------------------------------------
// A batch of each kind (a Delete of two shortcuts that the "Recycle Bin" deletes for good, a
// re-target, a Repair certain) is cut short at each step of the file layer in turn: the process
// ends there (in a child process of this test), or the disk is full from there on. After it,
// Undo of every batch kept (as the next start offers it) brings each shortcut back byte for
// byte, never asking about a file the batches did not touch; with a full disk nothing is changed
// that has no backup, and the reason comes back in words.

namespace crash {

const char* const kNames[] = {"del1.lnk", "del2.lnk", "retarget.lnk", "repair.lnk"};

std::string Links(const std::string& root) { return root + "\\links"; }

void Prepare(const std::string& root) {
    ::CreateDirectoryW(Widen(Links(root)).c_str(), nullptr);
    for (const char* name : kNames) test::WriteBytes(Links(root) + "\\" + name, LinkTo("C:\\Gone\\" + std::string(name) + ".exe"));
    test::WriteBytes(root + "\\target.exe", Bytes(9, 't'));
}

struct Told {
    std::vector<std::string> reasons;
};

// The three batches, as the results page runs them.
void RunBatches(const std::string& root, Told& told) {
    const std::string links = Links(root);
    ShortcutActions actions(
        root + "\\backup", [](const std::vector<std::string>& paths) {
            for (const std::string& path : paths) ::DeleteFileW(Widen(path).c_str());  // for good
            return false;
        },
        nullptr);
    actions.Delete({links + "\\del1.lnk", links + "\\del2.lnk"},
                   [&](const std::vector<std::string>&, const std::string& reason) { told.reasons.push_back(reason); });
    if (!actions.JournalFault().empty()) told.reasons.push_back(actions.JournalFault());
    for (const auto action : {changes::ChangeAction::Retarget, changes::ChangeAction::Repair}) {
        const std::string link = links + (action == changes::ChangeAction::Retarget ? "\\retarget.lnk" : "\\repair.lnk");
        for (const NewTargetOutcome& outcome : actions.ChangeTargets(action, {{link, root + "\\target.exe"}})) {
            if (!outcome.backedUp) told.reasons.push_back(outcome.backupError);
            if (outcome.failure != changes::RetargetFailure::None) told.reasons.push_back(Narrow(SystemMessage(outcome.systemError)));
        }
        if (!actions.JournalFault().empty()) told.reasons.push_back(actions.JournalFault());
    }
}

// Undoes every batch kept, newest first; answers how many files it compared.
int UndoAllAndCompare(const std::string& root, const std::string& step) {
    ShortcutActions actions(root + "\\backup", nullptr, nullptr);
    int asked = 0;
    std::vector<changes::StoredBatch> history = actions.History();
    for (auto it = history.rbegin(); it != history.rend(); ++it) {
        const changes::UndoResult result = actions.Undo(*it, [&](const std::string&) { return ++asked, false; });
        EXPECT_TRUE(result.failures.empty()) << step << ": " << (result.failures.empty() ? "" : result.failures[0]);
    }
    EXPECT_EQ(asked, 0) << step << ": asked about a file only the batches changed";
    int compared = 0;
    for (const char* name : kNames) {
        Bytes now;
        EXPECT_TRUE(test::ReadBytes(Links(root) + "\\" + name, now)) << step << ": " << name << " lost";
        EXPECT_EQ(now, LinkTo("C:\\Gone\\" + std::string(name) + ".exe")) << step << ": " << name;
        ++compared;
    }
    return compared;
}

}  // namespace crash

// The child: runs the batches with the process ended at the step its parent names.
TEST(FaultAtEveryStep, Child) {
    const char* root = std::getenv("QM_CRASH_ROOT");
    const char* step = std::getenv("QM_CRASH_STEP");
    if (!root || !step) GTEST_SKIP() << "run by FaultAtEveryStep.NoShortcutIsLost";
    crash::Told told;
    ArmFileFault(FileFault::EndProcess, static_cast<unsigned>(std::atoi(step)));
    crash::RunBatches(root, told);
    ArmFileFault(FileFault::None, 0);
}

TEST(FaultAtEveryStep, NoShortcutIsLost) {
    // How many steps the whole work takes.
    unsigned steps = 0;
    {
        test::ScratchFolder scratch;
        crash::Prepare(scratch.Root());
        crash::Told told;
        ArmFileFault(FileFault::None, 0);
        crash::RunBatches(scratch.Root(), told);
        steps = FileFaultSteps();
        EXPECT_TRUE(told.reasons.empty());
    }
    ASSERT_GT(steps, 20u);
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    int tried = 0, compared = 0;
    for (unsigned k = 1; k <= steps; ++k) {
        const std::string step = "step " + std::to_string(k);
        {
            test::ScratchFolder scratch;
            crash::Prepare(scratch.Root());
            ::SetEnvironmentVariableW(L"QM_CRASH_ROOT", Widen(scratch.Root()).c_str());
            ::SetEnvironmentVariableW(L"QM_CRASH_STEP", std::to_wstring(k).c_str());
            std::wstring command = L"\"" + std::wstring(self) + L"\" --gtest_filter=FaultAtEveryStep.Child";
            STARTUPINFOW startup{};
            startup.cb = sizeof startup;
            PROCESS_INFORMATION child{};
            ASSERT_TRUE(::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child));
            ::WaitForSingleObject(child.hProcess, INFINITE);
            DWORD code = 0;
            ::GetExitCodeProcess(child.hProcess, &code);
            ::CloseHandle(child.hThread);
            ::CloseHandle(child.hProcess);
            EXPECT_EQ(code, 0xFA17u) << step << ": the child did not end at its step";
            ::SetEnvironmentVariableW(L"QM_CRASH_ROOT", nullptr);
            ::SetEnvironmentVariableW(L"QM_CRASH_STEP", nullptr);
            ++tried;
            compared += crash::UndoAllAndCompare(scratch.Root(), "ended at " + step);
        }
        {
            test::ScratchFolder scratch;
            crash::Prepare(scratch.Root());
            crash::Told told;
            ArmFileFault(FileFault::DiskFull, k);
            crash::RunBatches(scratch.Root(), told);
            ArmFileFault(FileFault::None, 0);
            ASSERT_FALSE(told.reasons.empty()) << "disk full at " << step << ": the user is told";
            EXPECT_NE(told.reasons[0].find(Narrow(SystemMessage(ERROR_DISK_FULL))), std::string::npos) << told.reasons[0];
            ++tried;
            compared += crash::UndoAllAndCompare(scratch.Root(), "disk full at " + step);
        }
    }
    std::printf("[ faults ] %u steps, %d runs cut short, %d shortcuts compared after undo\n", steps, tried, compared);
}

}  // namespace
}  // namespace qm::results
