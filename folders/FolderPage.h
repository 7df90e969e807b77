// The wizard's first page (dialog 201): a tree of the usual places where shortcuts live, the
// computer, its ready drives and their folders with three-state ticks. The first start, with
// nothing saved, ticks the usual places (but Recent items). Next turns the ticks into the scan
// roots and remembers them in the module's XML document; the next start ticks them again.
//
// The tree's content and ticks live in a FolderTree; this class copies them into the tree-view
// control and turns the control's clicks, keys and expansions into model calls. Drives and
// folders are read by a FolderLoader on other threads: their answers arrive as posted messages,
// and a drive or folder that has not answered within the time bound is shown as not answering
// (opening it again asks once more). The window never waits for a disk; the usual places, this
// user's own profile folders, are found as the tree is built.
#pragma once

#include "ui/PropertyPage.h"
#include "base/win/Handle.h"
#include "controls/AnchoredLayout.h"
#include "controls/SkinnedStatic.h"
#include "folders/CheckTreeView.h"
#include "folders/FolderLoader.h"
#include "folders/FolderTree.h"
#include "wizard/ScanRoots.h"

#include <chrono>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace qm::folders {

class FolderPage : public ui::PropertyPage, private CheckTree::Observer {
public:
    // Shows a notice owned by the page: text and caption are display texts.
    using Notifier = std::function<void(HWND owner, const std::string& text, const std::string& caption)>;
    // How long a drive or folder may take before it is shown as not answering.
    static constexpr std::chrono::milliseconds kAnswerBound{2000};

    // Next writes the ticked folders into `roots`, the wizard's.
    explicit FolderPage(wizard::ScanRoots& roots);
    // For tests: other drives and disks, another way of showing the notice, another bound.
    FolderPage(wizard::ScanRoots& roots, DiskAccess disks, Notifier notifier,
               std::chrono::milliseconds answerBound = kAnswerBound);

    const FolderTree& Model() const { return model_; }
    HWND TreeWindow() const { return treeView_.Window(); }
    // The control's item of a model node (null before the page starts).
    HTREEITEM Item(CheckTree::NodeId node) const;
    CheckTree::NodeId NodeOf(HTREEITEM item) const;
    // Before the page starts: these folders are ticked in place of the saved selection, which
    // stays as it is until the next Next (a scan started from the command line).
    void TickInstead(std::vector<std::string> paths) { preset_ = std::move(paths); }
    // Nothing is being read within its time bound and no answer waits to be shown.
    bool Settled() const { return !loader_.Waiting(); }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
    void LayOut(const RECT& client) override { layout_.Apply(client); }

private:
    void NodeAdded(CheckTree::NodeId node) override;
    void StateChanged(CheckTree::NodeId node, CheckState state) override;

    // A job handed to the loader: the drive it asks about, or the nodes whose folders it lists.
    struct Request {
        std::string driveRoot;
        std::vector<CheckTree::NodeId> nodes;
        bool awaitedAtStart = false;  // one of the drives the computer node waits for
    };

    void CreateImageLists();
    void BuildTree();
    void Ask(const std::vector<CheckTree::NodeId>& nodes);
    void TakeAnswers();
    void TakeOverdue();
    void ApplyDriveAnswer(Request& request, const FolderLoader::Answer& answer);
    void ApplyFolderAnswer(CheckTree::NodeId node, const std::vector<std::string>& subfolders);
    void DriveSettled(Request& request);
    CheckTree::NodeId DriveNode(const std::string& rootPath) const;
    void UpdateOverdueTimer();
    void Refresh(CheckTree::NodeId node);
    // The shell's icon for the path appended to the tree's images: its index, or -1.
    int AddShellIcon(const std::string& path);
    void SetImage(CheckTree::NodeId node, int image, int selectedImage);
    std::string DisplayText(CheckTree::NodeId node) const;
    void AdvanceRestore();
    void Toggle(HTREEITEM item);
    LRESULT OnNext();
    // Waits, with messages flowing, while the saved selection is still being ticked and some read
    // on its way is within its time bound. False when the page went away meanwhile.
    bool WaitForRestore();

    wizard::ScanRoots& roots_;  // the wizard's
    Notifier notifier_;
    FolderTree model_;
    FolderLoader loader_;
    std::map<FolderLoader::Ticket, Request> requests_;
    std::size_t drivesAwaited_ = 0;
    std::vector<std::string> restoring_;  // saved paths whose way down has not been read yet
    std::optional<std::vector<std::string>> preset_;
    std::vector<std::string> dropped_;    // saved paths found missing, named in the line under the tree
    bool overdueTimer_ = false;
    std::vector<HTREEITEM> items_;  // by model node
    controls::SkinnedStatic heading_;
    controls::SkinnedStatic treeLabel_;
    controls::SkinnedStatic note_;
    CheckTreeView treeView_;
    ImageListHandle images_;
    ImageListHandle stateImages_;
    controls::AnchoredLayout layout_;  // the tree grows with the page, the note keeps to the bottom
    int imageSize_ = 18;                     // pixels, for the tree's DPI
    std::vector<std::string> shellIconPaths_;  // whose shell icons follow the four of our own, in order
    bool waitingInNext_ = false;  // a Next is waiting for the restore or the scan worker
};

}  // namespace qm::folders
