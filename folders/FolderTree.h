// The folder page's tree without its window: the computer node, the drives, their folders loaded
// one level ahead of what the user has opened, the node paths and the ticks. Listing the disk is
// left to a lister given by the owner, so the whole model runs (and is tested) without Windows.
#pragma once

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
};

// Appends the full paths of the immediate subfolders of `folder` to `out`, in enumeration order;
// a folder that cannot be listed adds nothing.
using SubfolderLister = std::function<void(const std::string& folder, std::vector<std::string>& out)>;

class FolderTree {
public:
    using NodeId = CheckTree::NodeId;
    enum class Kind { Computer, Drive, Folder };

    explicit FolderTree(SubfolderLister lister) : lister_(std::move(lister)) {}

    CheckTree& Ticks() { return ticks_; }
    const CheckTree& Ticks() const { return ticks_; }
    const NodePathTable& Paths() const { return paths_; }

    // Starts afresh: the computer node, under it one node per drive in the given order, each
    // drive already holding its first-level folders.
    void Build(std::string computerText, const std::vector<DriveInfo>& drives);

    // Adds a node under `parent` for each subfolder of `path` that has no node yet.
    void AddSubfolders(const std::string& path, NodeId parent);

    // Before `node` opens: reads the subfolders of each of its children, so every child that has
    // folders shows an expand button. The computer node and childless nodes are left alone.
    void PrepareExpand(NodeId node);

    Kind KindOf(NodeId node) const;
    // The text the tree shows: the computer's text, label(C:) for a drive, the folder's own name.
    std::string Text(NodeId node) const;
    // The node's full path ("C:\", "C:\Windows"); empty for the computer node.
    const std::string& Path(NodeId node) const;

    // The first child of `parent` whose name equals `name` byte for byte. A drive's name is its
    // root path without trailing backslashes ("C:").
    NodeId FindChildByName(NodeId parent, std::string_view name) const;

    // Walks a saved path ("C:\Data\Mail") down from the computer node, calling `expand` on each
    // node before looking among its children. The node reached, or kNone when a component is
    // missing. An empty path resolves to the computer node.
    NodeId Resolve(std::string_view savedPath, const std::function<void(NodeId)>& expand);

    // The topmost ticked paths in tree order.
    std::vector<std::string> CollectSelection() const;

private:
    SubfolderLister lister_;
    CheckTree ticks_;
    NodePathTable paths_;
    std::string computerText_;
    std::vector<std::string> driveTexts_;  // by path index; drives come first in the table
    std::vector<std::string> listing_;     // reused buffer for one folder's subfolders
};

}  // namespace qm::folders
