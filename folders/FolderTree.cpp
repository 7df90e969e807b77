#include "folders/FolderTree.h"

#include "base/PathSplit.h"

#include <algorithm>

namespace qm::folders {
namespace {

const std::string kNoPath;

}  // namespace

void FolderTree::Reset(std::string computerText) {
    ticks_.Clear();
    paths_.Clear();
    load_.clear();
    ownTexts_.clear();
    usualNodes_.clear();
    usualBranch_ = CheckTree::kNone;
    computerText_ = std::move(computerText);
    AddNode(CheckTree::kNone, -1);  // kComputer
    load_[kComputer].listing = Listing::Pending;
}

FolderTree::NodeId FolderTree::AddNode(NodeId parent, std::int32_t pathIndex, std::size_t position) {
    // The load record first: the observer that hears of the node may already ask for it.
    load_.emplace_back();
    return ticks_.Add(parent, pathIndex, position);
}

void FolderTree::AddUsualPlaces(std::string branchText, const std::vector<UsualPlaceFolder>& places,
                                const std::function<std::string(std::string_view key)>& text) {
    if (places.empty() || usualBranch_ != CheckTree::kNone) return;
    usualText_ = std::move(branchText);
    // Known before the node is added: the observer that hears of it asks for its kind and text.
    usualBranch_ = static_cast<NodeId>(ticks_.Size());
    AddNode(CheckTree::kNone, -1, 0);
    load_[usualBranch_].listing = Listing::Read;
    for (const UsualPlaceFolder& place : places) {
        const auto sameName = [&](const UsualPlaceFolder& other) {
            return other.place != place.place && other.displayName == place.displayName;
        };
        const bool named = !place.displayName.empty() && TraitsOf(place.place).below.empty() &&
                           std::none_of(places.begin(), places.end(), sameName);
        const std::int32_t index = paths_.AddUnlisted(place.path);
        ownTexts_.resize(paths_.Size());
        ownTexts_[static_cast<std::size_t>(index)] = named ? place.displayName : text(TraitsOf(place.place).languageKey);
        const NodeId node = AddNode(usualBranch_, index);
        load_[node].listing = Listing::Read;  // no subfolders of its own
        usualNodes_.emplace_back(place.place, node);
    }
}

FolderTree::NodeId FolderTree::UsualPlaceNode(UsualPlace place) const {
    for (const auto& [known, node] : usualNodes_)
        if (known == place) return node;
    return CheckTree::kNone;
}

void FolderTree::TickFirstStartPlaces() {
    for (const auto& [place, node] : usualNodes_)
        if (TraitsOf(place).tickedAtFirstStart) ticks_.SetCheck(node, CheckState::Checked);
}

FolderTree::NodeId FolderTree::AddDrive(const DriveInfo& drive) {
    const NodeId computer = kComputer;
    std::int32_t index = paths_.Find(drive.rootPath);
    NodeId node = CheckTree::kNone;
    if (index == NodePathTable::kAbsent) {
        index = paths_.AddIfNew(drive.rootPath);
        ownTexts_.resize(paths_.Size());
    }
    std::string text = drive.displayName;
    if (text.empty()) text = (drive.label.empty() ? "" : drive.label + " ") + "(" + drive.driveName + ")";
    ownTexts_[static_cast<std::size_t>(index)] = std::move(text);
    const auto& drives = ticks_.Children(computer);
    std::size_t position = 0;
    for (; position < drives.size(); ++position) {
        const NodeId existing = drives[position];
        if (ticks_.Data(existing) == index) node = existing;
        if (node != CheckTree::kNone || Path(existing) > drive.rootPath) break;
    }
    return node != CheckTree::kNone ? node : AddNode(computer, index, position);
}

void FolderTree::ApplyListing(NodeId node, const std::vector<std::string>& subfolders) {
    for (const std::string& folder : subfolders) {
        const std::int32_t index = paths_.AddIfNew(folder);
        if (index != NodePathTable::kAbsent) AddNode(node, index);
    }
    load_[node].listing = Listing::Read;
}

void FolderTree::MarkNotAnswering(NodeId node) {
    if (load_[node].listing != Listing::Read) load_[node].listing = Listing::NotAnswering;
}

std::vector<FolderTree::NodeId> FolderTree::BeginExpand(NodeId node) {
    std::vector<NodeId> asked;
    if (ticks_.Data(node) < 0) return asked;
    load_[node].opened = true;
    auto ask = [&](NodeId n) {
        if (load_[n].listing == Listing::Unread || load_[n].listing == Listing::NotAnswering) {
            load_[n].listing = Listing::Pending;
            asked.push_back(n);
        }
    };
    if (load_[node].listing == Listing::NotAnswering) ask(node);
    for (NodeId child : ticks_.Children(node)) ask(child);
    return asked;
}

void FolderTree::ReadNow(NodeId node) {
    listing_.clear();
    const std::string path = Path(node);  // a copy: the lister's paths land in the same table
    if (lister_) lister_(path, listing_);
    ApplyListing(node, listing_);
}

void FolderTree::Build(std::string computerText, const std::vector<DriveInfo>& drives) {
    Reset(std::move(computerText));
    for (const DriveInfo& drive : drives) {
        if (paths_.Find(drive.rootPath) != NodePathTable::kAbsent) continue;  // the same drive listed twice
        ReadNow(AddDrive(drive));
    }
    MarkRead(kComputer);
}

void FolderTree::PrepareExpand(NodeId node) {
    for (NodeId asked : BeginExpand(node)) ReadNow(asked);
}

FolderTree::Kind FolderTree::KindOf(NodeId node) const {
    if (node == usualBranch_) return Kind::UsualPlaces;
    if (ticks_.Data(node) < 0) return Kind::Computer;
    const NodeId parent = ticks_.Parent(node);
    if (parent != CheckTree::kNone && parent == usualBranch_) return Kind::UsualPlace;
    return parent != CheckTree::kNone && ticks_.Data(parent) < 0 ? Kind::Drive : Kind::Folder;
}

std::string FolderTree::Text(NodeId node) const {
    switch (KindOf(node)) {
    case Kind::Computer:
        return computerText_;
    case Kind::UsualPlaces:
        return usualText_;
    case Kind::Drive:
    case Kind::UsualPlace:
        return ownTexts_[static_cast<std::size_t>(ticks_.Data(node))];
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

FolderTree::Resolution FolderTree::TryResolve(std::string_view savedPath, const std::function<void(NodeId)>& expand) {
    using Outcome = Resolution::Outcome;
    if (ticks_.TopLevel().empty()) return {Outcome::Missing};
    for (const auto& [place, placeNode] : usualNodes_)
        if (!savedPath.empty() && Path(placeNode) == savedPath) return {Outcome::Reached, placeNode};
    NodeId node = kComputer;
    for (const std::string& component : SplitText(savedPath, {"\\"}, true)) {
        // Only a read node's children are all there: a missing one may still be on its way.
        if (load_[node].listing != Listing::Read) return {Outcome::Waiting};
        expand(node);
        node = FindChildByName(node, component);
        if (node == CheckTree::kNone) return {Outcome::Missing};
    }
    // The node reached is ticked together with its children, so those are waited for too;
    // one that does not answer is ticked without them.
    const Listing reached = load_[node].listing;
    if (reached == Listing::Unread || reached == Listing::Pending) return {Outcome::Waiting};
    return {Outcome::Reached, node};
}

FolderTree::NodeId FolderTree::Resolve(std::string_view savedPath, const std::function<void(NodeId)>& expand) {
    const Resolution resolution = TryResolve(savedPath, expand);
    return resolution.outcome == Resolution::Outcome::Reached ? resolution.node : CheckTree::kNone;
}

std::vector<std::string> FolderTree::CollectSelection() const {
    std::vector<std::string> roots;
    for (NodeId node : ticks_.CollectTopmost()) roots.push_back(Path(node));
    return roots;
}

}  // namespace qm::folders
