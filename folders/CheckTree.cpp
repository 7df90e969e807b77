#include "folders/CheckTree.h"

#include <algorithm>

namespace qm::folders {

void CheckTree::Clear() {
    nodes_.clear();
    topLevel_.clear();
}

CheckTree::NodeId CheckTree::Add(NodeId parent, std::int32_t data, std::size_t position) {
    const NodeId id = static_cast<NodeId>(nodes_.size());
    Node node;
    node.parent = parent;
    node.data = data;
    nodes_.push_back(std::move(node));
    std::vector<NodeId>& siblings = parent == kNone ? topLevel_ : nodes_[parent].children;
    siblings.insert(siblings.begin() + static_cast<std::ptrdiff_t>(std::min(position, siblings.size())), id);
    if (observer_) observer_->NodeAdded(id);
    return id;
}

void CheckTree::Set(NodeId node, CheckState state) {
    if (nodes_[node].state == state) return;
    nodes_[node].state = state;
    if (observer_) observer_->StateChanged(node, state);
}

void CheckTree::Toggle(NodeId node) {
    SetCheck(node, State(node) == CheckState::Checked ? CheckState::Unchecked : CheckState::Checked);
}

void CheckTree::SetCheck(NodeId node, CheckState state) {
    Set(node, state);
    PropagateDown(node, state);
    PropagateUp(node, state);
}

void CheckTree::PropagateDown(NodeId node, CheckState state) {
    // An explicit stack: a deep folder chain must not exhaust the thread's stack.
    std::vector<NodeId> pending(nodes_[node].children.rbegin(), nodes_[node].children.rend());
    while (!pending.empty()) {
        const NodeId child = pending.back();
        pending.pop_back();
        Set(child, state);
        const auto& grandChildren = nodes_[child].children;
        pending.insert(pending.end(), grandChildren.rbegin(), grandChildren.rend());
    }
}

void CheckTree::PropagateUp(NodeId node, CheckState state) {
    for (NodeId parent = Parent(node); parent != kNone; node = parent, parent = Parent(node)) {
        bool siblingsAgree = true;
        for (NodeId sibling : nodes_[parent].children) {
            if (sibling != node && nodes_[sibling].state != state) {
                siblingsAgree = false;
                break;
            }
        }
        if (!siblingsAgree) {
            for (NodeId ancestor = parent; ancestor != kNone; ancestor = Parent(ancestor))
                Set(ancestor, CheckState::Partial);
            return;
        }
        Set(parent, state);
    }
}

std::vector<CheckTree::NodeId> CheckTree::CollectTopmost() const {
    std::vector<NodeId> out;
    for (NodeId node : topLevel_) Collect(node, out);
    return out;
}

void CheckTree::Collect(NodeId node, std::vector<NodeId>& out) const {
    switch (nodes_[node].state) {
    case CheckState::Checked:
        if (nodes_[node].data >= 0) {
            out.push_back(node);
            return;
        }
        [[fallthrough]];
    case CheckState::Partial:
        for (NodeId child : nodes_[node].children) Collect(child, out);
        return;
    case CheckState::Unchecked:
        return;
    }
}

}  // namespace qm::folders
