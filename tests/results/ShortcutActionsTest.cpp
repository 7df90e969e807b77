// The repair actions without a window, on real files under Wine, the Recycle Bin stood in for:
// what each file's outcome says after the shell moved some, none or all of them, or when no
// backup copy can be made; and that a batch is kept exactly when it changed something.
#include "results/ShortcutActions.h"

#include "tests/results/ScratchFolder.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>

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
    EXPECT_TRUE(noted_.empty());
}

TEST_F(Actions, NewTargetsAreOneBatchWithAnOutcomePerShortcut) {
    const std::string found = scratch_.File("found.exe", Bytes(3, 'x'));
    ShortcutActions actions = Make(backup_, {}, false);
    const std::vector<NewTargetOutcome> outcomes = actions.ChangeTargets(
        changes::ChangeAction::Repair, {{a_, found}, {b_, scratch_.Path("not there.exe")}, {scratch_.Path("gone.lnk"), found}});
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_TRUE(outcomes[0].Ok());
    EXPECT_TRUE(outcomes[1].backedUp);
    EXPECT_EQ(outcomes[1].failure, changes::RetargetFailure::TargetUnusable);
    EXPECT_FALSE(outcomes[2].backedUp) << "a shortcut that is gone has nothing to back up";
    std::string target;
    ASSERT_TRUE(changes::ReadShortcutTarget(a_, target));
    EXPECT_EQ(target, found);
    EXPECT_EQ(noted_, (decltype(noted_){{changes::ChangeAction::Repair, 1}}));
    const std::vector<changes::StoredBatch> history = actions.History();
    ASSERT_EQ(history.size(), 1u);
    EXPECT_EQ(history[0].batch.action, changes::ChangeAction::Repair);

    const changes::UndoResult undone = actions.Undo(history[0], nullptr);
    EXPECT_EQ(undone.restored, std::vector<std::string>{a_}) << "the unchanged one is not touched";
    ASSERT_TRUE(changes::ReadShortcutTarget(a_, target));
    EXPECT_EQ(target, "C:\\Gone\\a.exe");
    EXPECT_EQ(noted_.back(), (std::pair{changes::ChangeAction::Undo, std::size_t{1}}));
}

}  // namespace
}  // namespace qm::results
