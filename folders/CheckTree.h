// The three-state tick tree behind the folder page, without any window: nodes, their ticks and
// the rules that move ticks down to children and up to ancestors. The page mirrors every change
// into its tree-view control through an observer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::folders {

// The node's state-image index in the tree view.
enum class CheckState : std::uint8_t { Unchecked = 1, Partial = 2, Checked = 3 };

class CheckTree {
public:
    using NodeId = std::int32_t;
    static constexpr NodeId kNone = -1;

    class Observer {
    public:
        virtual void NodeAdded(NodeId node) = 0;
        virtual void StateChanged(NodeId node, CheckState state) = 0;

    protected:
        ~Observer() = default;
    };

    void SetObserver(Observer* observer) { observer_ = observer; }

    // Removes every node (the observer is not told; the owner clears its view itself).
    void Clear();

    // Adds a node as the last child of `parent` (kNone: a top-level node), or before the child
    // at `position` when that is smaller. New nodes always start Unchecked, whatever their
    // parent's tick. `data` is the caller's value for the node.
    NodeId Add(NodeId parent, std::int32_t data, std::size_t position = SIZE_MAX);

    std::size_t Size() const { return nodes_.size(); }
    NodeId Parent(NodeId node) const { return nodes_[node].parent; }
    const std::vector<NodeId>& Children(NodeId node) const { return nodes_[node].children; }
    const std::vector<NodeId>& TopLevel() const { return topLevel_; }
    std::int32_t Data(NodeId node) const { return nodes_[node].data; }
    CheckState State(NodeId node) const { return nodes_[node].state; }

    // A click on the box: Checked becomes Unchecked, Unchecked and Partial become Checked;
    // the new tick goes down to every existing descendant and up the ancestors.
    void Toggle(NodeId node);
    // The same with a given tick.
    void SetCheck(NodeId node, CheckState state);

    // The topmost Checked nodes in tree order (depth first, siblings in order): a Checked node
    // hides its subtree, a Partial one is looked into, an Unchecked one is skipped. A Checked node
    // with negative data (the computer) stands for its children, which are looked at in turn.
    std::vector<NodeId> CollectTopmost() const;

private:
    struct Node {
        NodeId parent = kNone;
        std::int32_t data = 0;
        CheckState state = CheckState::Unchecked;
        std::vector<NodeId> children;
    };

    void Set(NodeId node, CheckState state);
    void PropagateDown(NodeId node, CheckState state);
    void PropagateUp(NodeId node, CheckState state);
    void Collect(NodeId node, std::vector<NodeId>& out) const;

    std::vector<Node> nodes_;
    std::vector<NodeId> topLevel_;
    Observer* observer_ = nullptr;
};

}  // namespace qm::folders
