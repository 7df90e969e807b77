// The folder page's tree without its window: the usual places where shortcuts live, the computer
// node, the drives, their folders loaded one level ahead of what the user has opened, the node
// paths and the ticks. Listing the disk is left to a lister given by the owner, so the whole
// model runs (and is tested) without Windows.
#pragma once

#include "base/UsualPlaceTable.h"
#include "folders/CheckTree.h"
#include "folders/NodePathTable.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace qm::folders {

struct DriveInfo {
    std::string label;      // volume label, possibly empty
    std::string rootPath;   // "C:\"
    std::string driveName;  // "C:"
    // The shell's name for the drive ("Local Disk (C:)"), or empty when it has none.
    std::string displayName;
};

// Appends the full paths of the immediate subfolders of `folder` to `out`, in enumeration order;
// a folder that cannot be listed adds nothing.
using SubfolderLister = std::function<void(const std::string& folder, std::vector<std::string>& out)>;

class FolderTree {
public:
    using NodeId = CheckTree::NodeId;
    enum class Kind { Computer, Drive, Folder, UsualPlaces, UsualPlace };
    static constexpr NodeId kComputer = 0;  // the first node of every tree
    // How far a node's own subfolders are known. The computer node's "subfolders" are the drives.
    enum class Listing {
        Unread,        // nobody asked yet
        Pending,       // asked, no answer yet
        NotAnswering,  // asked, and no answer within the owner's time bound (one may still come)
        Read,          // answered: every subfolder that could be read has a node
    };
    // What a saved path comes to in the tree as it stands.
    struct Resolution {
        enum class Outcome { Reached, Missing, Waiting } outcome;
        NodeId node = CheckTree::kNone;  // the node reached (Reached only)
    };

    // `lister` serves the synchronous calls (Build, PrepareExpand); an owner that lists
    // elsewhere feeds the answers in with ApplyListing and may pass none.
    explicit FolderTree(SubfolderLister lister = nullptr) : lister_(std::move(lister)) {}

    CheckTree& Ticks() { return ticks_; }
    const CheckTree& Ticks() const { return ticks_; }
    const NodePathTable& Paths() const { return paths_; }

    // Starts afresh with the computer node alone; its listing is Pending until MarkRead.
    void Reset(std::string computerText);
    // Puts the branch of usual places above the computer node, one node per place, shown with
    // the shell's display name; `text` of the place's language key where that does not tell
    // the place apart (none, or one that another place has, as both Start menus have; the
    // pinned items' folders, whose names are plain folder names). The places' nodes hold no
    // subfolders: the drives' branch shows what is inside them. No places, no branch.
    void AddUsualPlaces(std::string branchText, const std::vector<UsualPlaceFolder>& places,
                        const std::function<std::string(std::string_view key)>& text);
    // The branch's node, or kNone without one.
    NodeId UsualPlacesBranch() const { return usualBranch_; }
    // The node of the usual place, or kNone when this machine does not have it.
    NodeId UsualPlaceNode(UsualPlace place) const;
    // The first start, with nothing saved: the places that are searched unless the user says
    // otherwise are ticked (see UsualPlaceTraits::tickedAtFirstStart).
    void TickFirstStartPlaces();
    // The node of the drive at `drive.rootPath` (added under the computer node in root-path
    // order, or found when known) with its text taken from `drive`.
    NodeId AddDrive(const DriveInfo& drive);
    // The node's subfolders have been read: a node is added under it for each that has none yet,
    // and its listing turns Read.
    void ApplyListing(NodeId node, const std::vector<std::string>& subfolders);
    void MarkRead(NodeId node) { load_[node].listing = Listing::Read; }
    // A node not read yet turns NotAnswering; a read one keeps its state.
    void MarkNotAnswering(NodeId node);

    // Before `node` opens: the nodes whose own subfolders must now be read so that every child
    // that has folders shows an expand button, turned Pending. These are the children never
    // asked or not answering, and the node itself when it did not answer (opening it again is
    // how the user retries). The computer node asks for nothing here.
    std::vector<NodeId> BeginExpand(NodeId node);
    // BeginExpand has been called for the node (the user or a restore opened it).
    bool Opened(NodeId node) const { return load_[node].opened; }
    Listing ListingOf(NodeId node) const { return load_[node].listing; }

    // The synchronous forms, reading through the lister on the calling thread: the computer
    // node, under it one node per drive in the given order, each drive already holding its
    // first-level folders; and BeginExpand with every asked listing read at once.
    void Build(std::string computerText, const std::vector<DriveInfo>& drives);
    void PrepareExpand(NodeId node);

    Kind KindOf(NodeId node) const;
    // The text the tree shows: the computer's and the branch's text, the shell's name of a drive
    // or place (else "label (C:)"), the folder's own name.
    std::string Text(NodeId node) const;
    // The node's full path ("C:\", "C:\Windows"); empty for the computer node.
    const std::string& Path(NodeId node) const;

    // The first child of `parent` whose name equals `name` byte for byte. A drive's name is its
    // root path without trailing backslashes ("C:").
    NodeId FindChildByName(NodeId parent, std::string_view name) const;

    // A saved path that is a usual place's reaches that place's node. Any other is walked
    // ("C:\Data\Mail") down from the computer node as far as the tree is
    // read, calling `expand` on each node before looking among its children. Missing when a
    // component is not among the read children of its parent; Waiting when a node on the way
    // (or the one reached) has not been read yet. An empty path stands for the computer node.
    Resolution TryResolve(std::string_view savedPath, const std::function<void(NodeId)>& expand);
    // The node reached, or kNone (for a tree read synchronously, where nothing waits).
    NodeId Resolve(std::string_view savedPath, const std::function<void(NodeId)>& expand);

    // The topmost ticked paths in tree order: the usual places first. A place may lie inside a
    // ticked drive folder, or a place inside another (the Startup folder in the Start menu):
    // WithoutNestedRoots makes them one root to search.
    std::vector<std::string> CollectSelection() const;

private:
    struct NodeLoad {
        Listing listing = Listing::Unread;
        bool opened = false;
    };

    NodeId AddNode(NodeId parent, std::int32_t pathIndex, std::size_t position = SIZE_MAX);
    void ReadNow(NodeId node);

    SubfolderLister lister_;
    CheckTree ticks_;
    NodePathTable paths_;
    std::vector<NodeLoad> load_;  // by node
    std::string computerText_;
    std::string usualText_;
    NodeId usualBranch_ = CheckTree::kNone;
    std::vector<std::pair<UsualPlace, NodeId>> usualNodes_;
    std::vector<std::string> ownTexts_;  // drives' and places' texts by path index; empty for a folder's
    std::vector<std::string> listing_;     // reused buffer for one folder's subfolders
};

}  // namespace qm::folders
