// The wizard's first page (dialog 201): a tree of the computer, its ready drives and their
// folders with three-state ticks. Next turns the ticks into the scan roots and remembers them in
// the module's XML document; the next start ticks them again.
//
// The tree's content and ticks live in a FolderTree; this class copies them into the tree-view
// control and turns the control's clicks, keys and expansions into model calls.
#pragma once

#include "ui/PropertyPage.h"
#include "base/win/Handle.h"
#include "controls/SkinnedStatic.h"
#include "folders/CheckTreeView.h"
#include "folders/FolderTree.h"

#include <functional>
#include <string>
#include <vector>

namespace qm::folders {

class FolderPage : public ui::PropertyPage, private CheckTree::Observer {
public:
    using DriveSource = std::function<std::vector<DriveInfo>()>;
    // Shows a notice owned by the page: text and caption are display texts.
    using Notifier = std::function<void(HWND owner, const std::string& text, const std::string& caption)>;

    FolderPage();
    // For tests: other drives, another disk, another way of showing the notice.
    FolderPage(DriveSource drives, SubfolderLister lister, Notifier notifier);

    const FolderTree& Model() const { return model_; }
    HWND TreeWindow() const { return treeView_.Window(); }
    // The control's item of a model node (null before the page starts).
    HTREEITEM Item(CheckTree::NodeId node) const;
    CheckTree::NodeId NodeOf(HTREEITEM item) const;

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;

private:
    void NodeAdded(CheckTree::NodeId node) override;
    void StateChanged(CheckTree::NodeId node, CheckState state) override;

    void CreateImageLists();
    void BuildTree();
    void RestoreSelection();
    void Toggle(HTREEITEM item);
    LRESULT OnNext();

    DriveSource drives_;
    Notifier notifier_;
    FolderTree model_;
    std::vector<HTREEITEM> items_;  // by model node
    controls::SkinnedStatic heading_;
    controls::SkinnedStatic treeLabel_;
    controls::SkinnedStatic note_;
    CheckTreeView treeView_;
    ImageListHandle images_;
    ImageListHandle stateImages_;
    bool waitingForScan_ = false;
};

}  // namespace qm::folders
