#include "folders/FolderTree.h"

#include <gtest/gtest.h>

#include <map>

namespace {

using qm::folders::CheckState;
using qm::folders::CheckTree;
using qm::folders::DriveInfo;
using qm::folders::FolderTree;
using Id = FolderTree::NodeId;
using Paths = std::vector<std::string>;

// A file system made of a table: folder -> its subfolders' full paths. Counts every listing.
struct FakeDisk {
    std::map<std::string, Paths> folders;
    std::map<std::string, int> listings;
    qm::folders::SubfolderLister Lister() {
        return [this](const std::string& folder, Paths& out) {
            ++listings[folder];
            const auto found = folders.find(folder);
            if (found != folders.end()) out.insert(out.end(), found->second.begin(), found->second.end());
        };
    }
};

FakeDisk SampleDisk() {
    FakeDisk disk;
    disk.folders = {
        {"C:\\", {"C:\\Windows", "C:\\Data", "C:\\Archive.2020"}},
        {"C:\\Windows", {"C:\\Windows\\System32", "C:\\Windows\\Fonts"}},
        {"C:\\Windows\\System32", {"C:\\Windows\\System32\\drivers"}},
        {"C:\\Data", {"C:\\Data\\Mail"}},
        {"D:\\", {"D:\\Data"}},
        {"D:\\Data", {"D:\\Data\\Mail"}},
    };
    return disk;
}

const std::vector<DriveInfo> kDrives = {{"System", "C:\\", "C:", ""}, {"", "D:\\", "D:", ""}};

std::vector<std::string> ChildTexts(const FolderTree& tree, Id node) {
    std::vector<std::string> texts;
    for (Id child : tree.Ticks().Children(node)) texts.push_back(tree.Text(child));
    return texts;
}

Id Computer(const FolderTree& tree) { return tree.Ticks().TopLevel().front(); }

Id NodeOf(FolderTree& tree, const std::string& path) {
    return tree.Resolve(path, [&](Id node) { tree.PrepareExpand(node); });
}

TEST(FolderTree, BuildsDrivesWithTheirFirstLevelOnly) {
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);

    const Id computer = Computer(tree);
    EXPECT_EQ(tree.Text(computer), "Computer");
    EXPECT_EQ(tree.KindOf(computer), FolderTree::Kind::Computer);
    EXPECT_EQ(ChildTexts(tree, computer), (Paths{"System (C:)", "(D:)"}));
    const Id c = tree.Ticks().Children(computer)[0];
    EXPECT_EQ(tree.KindOf(c), FolderTree::Kind::Drive);
    EXPECT_EQ(tree.Path(c), "C:\\");
    // Names keep their extension; order is the file system's, never sorted.
    EXPECT_EQ(ChildTexts(tree, c), (Paths{"Windows", "Data", "Archive.2020"}));
    EXPECT_EQ(tree.KindOf(tree.Ticks().Children(c)[0]), FolderTree::Kind::Folder);
    EXPECT_EQ(disk.listings, (std::map<std::string, int>{{"C:\\", 1}, {"D:\\", 1}}));
    EXPECT_EQ(tree.Paths().Size(), 6u);  // two drives, four folders
}

TEST(FolderTree, OpeningLoadsOneLevelAheadAndNeverDuplicates) {
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);
    const Id c = tree.Ticks().Children(Computer(tree))[0];
    const Id windows = tree.Ticks().Children(c)[0];

    tree.PrepareExpand(Computer(tree));  // the computer node is left alone
    EXPECT_EQ(disk.listings.size(), 2u);
    tree.PrepareExpand(c);
    EXPECT_EQ(ChildTexts(tree, windows), (Paths{"System32", "Fonts"}));
    EXPECT_TRUE(tree.Ticks().Children(tree.Ticks().Children(windows)[0]).empty());  // not read yet
    const std::size_t nodes = tree.Ticks().Size();
    tree.PrepareExpand(c);  // opened again, e.g. after closing it
    EXPECT_EQ(tree.Ticks().Size(), nodes);
    EXPECT_EQ(ChildTexts(tree, windows), (Paths{"System32", "Fonts"}));
}

TEST(FolderTree, NewlyLoadedFoldersUnderACheckedDriveStartUnchecked) {
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);
    const Id c = tree.Ticks().Children(Computer(tree))[0];
    tree.Ticks().Toggle(c);
    tree.PrepareExpand(c);
    const Id system32 = NodeOf(tree, "C:\\Windows\\System32");
    ASSERT_NE(system32, CheckTree::kNone);
    EXPECT_EQ(tree.Ticks().State(system32), CheckState::Unchecked);
    EXPECT_EQ(tree.CollectSelection(), (Paths{"C:\\"}));

    tree.Ticks().Toggle(system32);  // it has a sibling (Fonts), so everything above turns partial
    EXPECT_EQ(tree.Ticks().State(tree.Ticks().Parent(system32)), CheckState::Partial);
    EXPECT_EQ(tree.Ticks().State(c), CheckState::Partial);
    EXPECT_EQ(tree.Ticks().State(Computer(tree)), CheckState::Partial);
    EXPECT_EQ(tree.CollectSelection(), (Paths{"C:\\Windows\\System32", "C:\\Data", "C:\\Archive.2020"}));
}

TEST(FolderTree, CheckingTheComputerYieldsEveryDriveRoot) {
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);
    tree.Ticks().Toggle(Computer(tree));
    EXPECT_EQ(tree.CollectSelection(), (Paths{"C:\\", "D:\\"}));
}

TEST(FolderTree, ResolvesSavedPaths) {
    struct Case { const char* saved; const char* reached; };
    const Case cases[] = {
        {"C:\\", "C:\\"},
        {"C:\\Windows\\System32", "C:\\Windows\\System32"},
        {"C:\\Windows\\System32\\drivers", "C:\\Windows\\System32\\drivers"},
        {"D:\\Data\\Mail", "D:\\Data\\Mail"},
        {"C:\\Archive.2020", "C:\\Archive.2020"},
        {"C:\\\\Windows\\", "C:\\Windows"},  // empty components are dropped
        {"c:\\windows", nullptr},            // letter case must match
        {"C:\\Data\\Gone", nullptr},         // deleted folder
        {"E:\\", nullptr},                   // drive not present
        {"C", nullptr},
    };
    for (const Case& c : cases) {
        FakeDisk disk = SampleDisk();
        FolderTree tree(disk.Lister());
        tree.Build("Computer", kDrives);
        const Id node = NodeOf(tree, c.saved);
        if (c.reached) {
            ASSERT_NE(node, CheckTree::kNone) << c.saved;
            EXPECT_EQ(tree.Path(node), c.reached) << c.saved;
        } else {
            EXPECT_EQ(node, CheckTree::kNone) << c.saved;
        }
    }
    // An empty saved path has no components: it stands for the computer node.
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);
    EXPECT_EQ(NodeOf(tree, ""), Computer(tree));
    // An empty tree resolves nothing.
    FolderTree empty(disk.Lister());
    EXPECT_EQ(empty.Resolve("C:\\", [](Id) {}), CheckTree::kNone);
}

TEST(FolderTree, SavedDriveAndFolderBothRestoredCollapseToTheDrive) {
    FakeDisk disk = SampleDisk();
    FolderTree tree(disk.Lister());
    tree.Build("Computer", kDrives);
    for (const char* saved : {"C:\\", "C:\\Windows"}) tree.Ticks().SetCheck(NodeOf(tree, saved), CheckState::Checked);
    EXPECT_EQ(tree.CollectSelection(), (Paths{"C:\\"}));
}

TEST(FolderTree, AFolderCycleOpensLevelByLevel) {
    // C:\loop lists itself again one level down, as a link to an ancestor would.
    FolderTree tree([](const std::string& folder, Paths& out) {
        if (folder == "C:\\") out.push_back("C:\\loop");
        else if (folder.size() < 4000) out.push_back(folder + "\\loop");
    });
    tree.Build("Computer", {{"", "C:\\", "C:", ""}});
    Id node = tree.Ticks().Children(Computer(tree))[0];
    for (int level = 0; level < 100; ++level) {
        tree.PrepareExpand(node);
        ASSERT_EQ(tree.Ticks().Children(node).size(), 1u);
        node = tree.Ticks().Children(node)[0];
        EXPECT_EQ(tree.Text(node), "loop");
    }
    EXPECT_EQ(tree.Ticks().Size(), 103u);
}

// Answers fed in as a loader on other threads delivers them: late, in any order, or never.
TEST(FolderTree, AnswersArriveInAnyOrderAndUnansweredNodesAreAskedAgain) {
    using Listing = FolderTree::Listing;
    FolderTree tree;
    tree.Reset("Computer");
    const Id computer = Computer(tree);
    EXPECT_EQ(tree.ListingOf(computer), Listing::Pending);

    // D: answers first, C: is not answering and appears without a label, then answers late.
    const Id d = tree.AddDrive({"", "D:\\", "D:", ""});
    const Id c = tree.AddDrive({"", "C:\\", "C:", ""});
    tree.MarkNotAnswering(c);
    EXPECT_EQ(ChildTexts(tree, computer), (Paths{"(C:)", "(D:)"}));  // letter order, not arrival
    EXPECT_EQ(tree.ListingOf(c), Listing::NotAnswering);
    EXPECT_EQ(tree.AddDrive({"System", "C:\\", "C:", ""}), c);
    EXPECT_EQ(tree.Text(c), "System (C:)");
    tree.ApplyListing(c, {"C:\\Windows", "C:\\Data"});
    tree.ApplyListing(d, {});
    EXPECT_EQ(tree.ListingOf(c), Listing::Read);
    EXPECT_EQ(tree.Paths().Size(), 4u);

    // Opening C: asks for each child once; a child that did not answer is asked again, and so
    // is a node that did not answer when it is opened itself.
    EXPECT_FALSE(tree.Opened(c));
    const std::vector<Id> asked = tree.BeginExpand(c);
    EXPECT_TRUE(tree.Opened(c));
    ASSERT_EQ(asked.size(), 2u);
    const Id windows = asked[0], data = asked[1];
    EXPECT_EQ(tree.Path(windows), "C:\\Windows");
    EXPECT_EQ(tree.ListingOf(windows), Listing::Pending);
    EXPECT_TRUE(tree.BeginExpand(c).empty());  // still pending: not asked twice
    tree.ApplyListing(windows, {"C:\\Windows\\Fonts"});
    tree.MarkNotAnswering(data);
    tree.MarkNotAnswering(windows);  // an answered node stays answered
    EXPECT_EQ(tree.ListingOf(windows), Listing::Read);
    EXPECT_EQ(tree.BeginExpand(c), std::vector<Id>{data});
    tree.MarkNotAnswering(data);
    EXPECT_EQ(tree.BeginExpand(data), std::vector<Id>{data});
    EXPECT_TRUE(tree.BeginExpand(computer).empty());
    // A late answer listed twice adds nothing twice.
    tree.ApplyListing(data, {"C:\\Data\\Mail"});
    tree.ApplyListing(data, {"C:\\Data\\Mail"});
    EXPECT_EQ(ChildTexts(tree, data), Paths{"Mail"});
}

TEST(FolderTree, SavedPathsWaitForWhatIsNotReadAndEndAtWhatIsMissing) {
    using Outcome = FolderTree::Resolution::Outcome;
    FolderTree tree;
    tree.Reset("Computer");
    std::vector<Id> expanded;
    auto resolve = [&](const char* path) {
        // As the tree-view control does: a node already open is not opened again.
        return tree.TryResolve(path, [&](Id node) {
            expanded.push_back(node);
            if (!tree.Opened(node)) tree.BeginExpand(node);
        });
    };
    // The drives are not all in yet: even one not there may still come.
    EXPECT_EQ(resolve("C:\\Data").outcome, Outcome::Waiting);
    EXPECT_EQ(resolve("").outcome, Outcome::Waiting);
    const Id c = tree.AddDrive({"", "C:\\", "C:", ""});
    EXPECT_EQ(resolve("C:\\Data").outcome, Outcome::Waiting);
    tree.MarkRead(Computer(tree));
    EXPECT_EQ(resolve("E:\\").outcome, Outcome::Missing);
    EXPECT_EQ(resolve("C:\\Data").outcome, Outcome::Waiting);  // C: has not been read
    tree.ApplyListing(c, {"C:\\Data"});
    expanded.clear();
    // Data is found, but its own folders, which are ticked with it, are still being read.
    EXPECT_EQ(resolve("C:\\Data").outcome, Outcome::Waiting);
    EXPECT_EQ(expanded, (std::vector<Id>{Computer(tree), c}));
    const Id data = tree.FindChildByName(c, "Data");
    EXPECT_EQ(tree.ListingOf(data), FolderTree::Listing::Pending);
    EXPECT_EQ(resolve("C:\\Data\\Mail").outcome, Outcome::Waiting);
    // Data does not answer: it is reached (and ticked without its folders), but nothing below
    // it can be found yet.
    tree.MarkNotAnswering(data);
    const FolderTree::Resolution reached = resolve("C:\\Data");
    EXPECT_EQ(reached.outcome, Outcome::Reached);
    EXPECT_EQ(reached.node, data);
    EXPECT_EQ(resolve("C:\\Data\\Mail").outcome, Outcome::Waiting);
    tree.ApplyListing(data, {});
    EXPECT_EQ(resolve("C:\\Data\\Mail").outcome, Outcome::Missing);
    EXPECT_EQ(resolve("").node, Computer(tree));
}

TEST(FolderTree, UsualPlacesSitAboveTheComputerTickLikeFoldersAndLeaveTheDrivesWhole) {
    using qm::UsualPlace;
    FakeDisk disk;
    disk.folders = {{"C:\\", {"C:\\Users"}}, {"C:\\Users", {"C:\\Users\\Ann"}}, {"C:\\Users\\Ann", {"C:\\Users\\Ann\\Desktop"}}};
    FolderTree tree(disk.Lister());
    tree.Build("Computer", {kDrives[0]});
    const std::string roaming = "C:\\Users\\Ann\\AppData\\Roaming\\Microsoft\\";
    const std::vector<qm::UsualPlaceFolder> places = {
        {UsualPlace::Desktop, "C:\\Users\\Ann\\Desktop", "Desktop", "Desktop"},
        {UsualPlace::PublicDesktop, "C:\\Users\\Public\\Desktop", "", "Desktop"},
        {UsualPlace::StartMenu, roaming + "Windows\\Start Menu", "", "Start Menu"},
        {UsualPlace::TaskbarPins, roaming + "Internet Explorer\\Quick Launch\\User Pinned\\TaskBar", "", "TaskBar"},
        {UsualPlace::Startup, roaming + "Windows\\Start Menu\\Programs\\Startup", "", ""},
        {UsualPlace::Recent, roaming + "Windows\\Recent", "", "Recent"},
    };
    tree.AddUsualPlaces("Usual places", places, [](std::string_view key) { return std::string("<").append(key).append(">"); });
    const Id branch = tree.UsualPlacesBranch();
    ASSERT_EQ(tree.Ticks().TopLevel(), (std::vector<Id>{branch, FolderTree::kComputer}));
    EXPECT_EQ(tree.KindOf(branch), FolderTree::Kind::UsualPlaces);
    EXPECT_EQ(tree.Text(branch), "Usual places");
    // The shell's name, but the language's where it is shared, missing or a plain folder name.
    EXPECT_EQ(ChildTexts(tree, branch), (Paths{"<_QM_PlaceDesktop>", "<_QM_PlacePublicDesktop>", "Start Menu",
                                               "<_QM_PlaceTaskbarPins>", "<_QM_PlaceStartup>", "Recent"}));
    const Id desktop = tree.UsualPlaceNode(UsualPlace::Desktop);
    EXPECT_EQ(tree.KindOf(desktop), FolderTree::Kind::UsualPlace);
    EXPECT_EQ(tree.Path(desktop), places[0].path);
    EXPECT_TRUE(tree.BeginExpand(desktop).empty());
    EXPECT_EQ(tree.UsualPlaceNode(UsualPlace::SendTo), CheckTree::kNone);

    // The drive still holds the same folder; a saved path of a place ticks the place.
    const Id ann = NodeOf(tree, "C:\\Users\\Ann");
    tree.PrepareExpand(ann);
    EXPECT_EQ(ChildTexts(tree, ann), Paths{"Desktop"});
    EXPECT_EQ(NodeOf(tree, places[0].path), desktop);

    tree.TickFirstStartPlaces();
    EXPECT_EQ(tree.Ticks().State(branch), CheckState::Partial);
    EXPECT_EQ(tree.Ticks().State(tree.UsualPlaceNode(UsualPlace::Recent)), CheckState::Unchecked);
    Paths ticked;
    for (std::size_t i = 0; i + 1 < places.size(); ++i) ticked.push_back(places[i].path);
    EXPECT_EQ(tree.CollectSelection(), ticked);
    tree.Ticks().Toggle(tree.UsualPlaceNode(UsualPlace::Recent));
    EXPECT_EQ(tree.Ticks().State(branch), CheckState::Checked);
    tree.Ticks().Toggle(branch);
    EXPECT_EQ(tree.Ticks().State(desktop), CheckState::Unchecked);
    EXPECT_TRUE(tree.CollectSelection().empty());
}

}  // namespace
