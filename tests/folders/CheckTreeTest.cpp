#include "folders/CheckTree.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using qm::folders::CheckState;
using qm::folders::CheckTree;
using Id = CheckTree::NodeId;
constexpr CheckState U = CheckState::Unchecked;
constexpr CheckState P = CheckState::Partial;
constexpr CheckState C = CheckState::Checked;

// computer(-1)
//   drive 0: a 1 (a1 3, a2 4), b 2
//   drive 5: c 6
struct Sample {
    CheckTree tree;
    Id computer, drive0, a, a1, a2, b, drive5, c;
    Sample() {
        computer = tree.Add(CheckTree::kNone, -1);
        drive0 = tree.Add(computer, 0);
        a = tree.Add(drive0, 1);
        a1 = tree.Add(a, 3);
        a2 = tree.Add(a, 4);
        b = tree.Add(drive0, 2);
        drive5 = tree.Add(computer, 5);
        c = tree.Add(drive5, 6);
    }
    std::vector<CheckState> States() const {
        std::vector<CheckState> states;
        for (Id id = 0; id < static_cast<Id>(tree.Size()); ++id) states.push_back(tree.State(id));
        return states;
    }
    std::vector<std::int32_t> Roots() const {
        std::vector<std::int32_t> data;
        for (Id id : tree.CollectTopmost()) data.push_back(tree.Data(id));
        return data;
    }
};

TEST(CheckTree, TicksFollowTheRules) {
    struct Step { const char* what; std::vector<Id Sample::*> toggles; std::vector<CheckState> states;
                  std::vector<std::int32_t> roots; };
    // states in node order: computer, drive0, a, a1, a2, b, drive5, c
    const Step steps[] = {
        {"nothing ticked", {}, {U, U, U, U, U, U, U, U}, {}},
        {"a leaf with a sibling makes every ancestor partial", {&Sample::a1}, {P, P, P, C, U, U, U, U}, {3}},
        {"its last sibling completes the folder", {&Sample::a1, &Sample::a2}, {P, P, C, C, C, U, U, U}, {1}},
        {"unchecking one child makes the folder and ancestors partial",
         {&Sample::a1, &Sample::a2, &Sample::a2}, {P, P, P, C, U, U, U, U}, {3}},
        {"a partial node's click checks its whole subtree", {&Sample::a1, &Sample::a}, {P, P, C, C, C, U, U, U}, {1}},
        {"the computer checks everything and yields one root per drive", {&Sample::computer},
         {C, C, C, C, C, C, C, C}, {0, 5}},
        {"toggling the computer twice clears everything", {&Sample::computer, &Sample::computer},
         {U, U, U, U, U, U, U, U}, {}},
        {"every drive ticked one by one checks the computer", {&Sample::drive0, &Sample::drive5},
         {C, C, C, C, C, C, C, C}, {0, 5}},
        {"ticking the last unticked drive checks the computer", {&Sample::drive0, &Sample::c},
         {C, C, C, C, C, C, C, C}, {0, 5}},
        {"partial ancestors list the checked folders in tree order", {&Sample::c, &Sample::b, &Sample::a1},
         {P, P, P, C, U, C, C, C}, {3, 2, 5}},
    };
    for (const Step& step : steps) {
        Sample s;
        for (Id Sample::*node : step.toggles) s.tree.Toggle(s.*node);
        EXPECT_EQ(s.States(), step.states) << step.what;
        EXPECT_EQ(s.Roots(), step.roots) << step.what;
    }
}

TEST(CheckTree, ChildrenAddedLaterStartUncheckedUnderACheckedParent) {
    Sample s;
    s.tree.Toggle(s.drive0);
    const Id b1 = s.tree.Add(s.b, 7);
    const Id b2 = s.tree.Add(s.b, 8);
    EXPECT_EQ(s.tree.State(b1), U);
    EXPECT_EQ(s.tree.State(s.b), C);
    EXPECT_EQ(s.Roots(), (std::vector<std::int32_t>{0}));  // still just the drive

    s.tree.Toggle(b1);  // b2 is still unchecked, so b, the drive and the computer turn partial
    EXPECT_EQ(s.tree.State(s.b), P);
    EXPECT_EQ(s.tree.State(s.drive0), P);
    EXPECT_EQ(s.tree.State(s.computer), P);
    EXPECT_EQ(s.tree.State(b2), U);
    EXPECT_EQ(s.Roots(), (std::vector<std::int32_t>{1, 7}));
}

TEST(CheckTree, SetCheckAndObserverSeeEveryChange) {
    struct Recorder : CheckTree::Observer {
        std::vector<Id> added;
        std::map<Id, CheckState> changed;
        void NodeAdded(Id node) override { added.push_back(node); }
        void StateChanged(Id node, CheckState state) override { changed[node] = state; }
    } recorder;
    CheckTree tree;
    tree.SetObserver(&recorder);
    const Id root = tree.Add(CheckTree::kNone, -1);
    const Id x = tree.Add(root, 0);
    const Id y = tree.Add(x, 1);
    EXPECT_EQ(recorder.added, (std::vector<Id>{root, x, y}));

    tree.SetCheck(y, C);  // an only child carries its tick all the way up
    EXPECT_EQ(recorder.changed, (std::map<Id, CheckState>{{root, C}, {x, C}, {y, C}}));
    recorder.changed.clear();
    tree.SetCheck(y, C);  // nothing changes, nothing is reported
    EXPECT_TRUE(recorder.changed.empty());
}

TEST(CheckTree, DeepChainsNeedNoDeepStack) {
    CheckTree tree;
    Id node = tree.Add(CheckTree::kNone, -1);
    const Id top = node;
    for (int i = 0; i < 200000; ++i) node = tree.Add(node, i);
    tree.Toggle(top);
    EXPECT_EQ(tree.State(node), C);
    tree.Toggle(node);
    EXPECT_EQ(tree.State(top), U);
}

}  // namespace
