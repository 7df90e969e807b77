#include "folders/FolderTree.h"

#include "base/PathSplit.h"

namespace qm::folders {
namespace {

const std::string kNoPath;

}  // namespace

void FolderTree::Build(std::string computerText, const std::vector<DriveInfo>& drives) {
    ticks_.Clear();
    paths_.Clear();
    driveTexts_.clear();
    computerText_ = std::move(computerText);
    const NodeId computer = ticks_.Add(CheckTree::kNone, -1);
    for (const DriveInfo& drive : drives) {
        const std::int32_t index = paths_.AddIfNew(drive.rootPath);
        if (index == NodePathTable::kAbsent) continue;  // the same drive listed twice
        driveTexts_.resize(static_cast<std::size_t>(index) + 1);
        driveTexts_[index] = drive.label + "(" + drive.driveName + ")";
        const NodeId node = ticks_.Add(computer, index);
        AddSubfolders(drive.rootPath, node);
    }
}

void FolderTree::AddSubfolders(const std::string& path, NodeId parent) {
    listing_.clear();
    lister_(path, listing_);
    for (const std::string& folder : listing_) {
        const std::int32_t index = paths_.AddIfNew(folder);
        if (index != NodePathTable::kAbsent) ticks_.Add(parent, index);
    }
}

void FolderTree::PrepareExpand(NodeId node) {
    if (ticks_.Data(node) < 0) return;
    // By index: adding grandchildren grows the node store and would move a held child list.
    for (std::size_t i = 0; i < ticks_.Children(node).size(); ++i) {
        const NodeId child = ticks_.Children(node)[i];
        const std::string path = Path(child);  // a copy: the lister's paths land in the same table
        AddSubfolders(path, child);
    }
}

FolderTree::Kind FolderTree::KindOf(NodeId node) const {
    if (ticks_.Data(node) < 0) return Kind::Computer;
    const NodeId parent = ticks_.Parent(node);
    return parent != CheckTree::kNone && ticks_.Data(parent) < 0 ? Kind::Drive : Kind::Folder;
}

std::string FolderTree::Text(NodeId node) const {
    switch (KindOf(node)) {
    case Kind::Computer:
        return computerText_;
    case Kind::Drive:
        return driveTexts_[static_cast<std::size_t>(ticks_.Data(node))];
    case Kind::Folder:
        break;
    }
    return PathFileName(Path(node));
}

const std::string& FolderTree::Path(NodeId node) const {
    const std::int32_t data = ticks_.Data(node);
    return data < 0 ? kNoPath : paths_.At(data);
}

FolderTree::NodeId FolderTree::FindChildByName(NodeId parent, std::string_view name) const {
    for (NodeId child : ticks_.Children(parent)) {
        const std::string& path = Path(child);
        std::string own = PathFileName(path);
        std::string_view compared = own;
        if (compared.empty()) {
            compared = path;
            while (!compared.empty() && compared.back() == '\\') compared.remove_suffix(1);
        }
        if (compared == name) return child;
    }
    return CheckTree::kNone;
}

FolderTree::NodeId FolderTree::Resolve(std::string_view savedPath, const std::function<void(NodeId)>& expand) {
    if (ticks_.TopLevel().empty()) return CheckTree::kNone;
    NodeId node = ticks_.TopLevel().front();
    for (const std::string& component : SplitText(savedPath, {"\\"}, true)) {
        expand(node);
        node = FindChildByName(node, component);
        if (node == CheckTree::kNone) return CheckTree::kNone;
    }
    return node;
}

std::vector<std::string> FolderTree::CollectSelection() const {
    std::vector<std::string> roots;
    for (NodeId node : ticks_.CollectTopmost()) roots.push_back(Path(node));
    return roots;
}

}  // namespace qm::folders
