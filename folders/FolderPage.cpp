#include "folders/FolderPage.h"

#include "ui/AppModule.h"
#include "base/Utf.h"
#include "folders/Drives.h"
#include "folders/FolderEnumerator.h"
#include "folders/SavedSelection.h"
#include "help/HelpMenu.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/FolderPage.h"
#include "wizard/ScanRoots.h"

namespace qm::folders {
namespace {

constexpr COLORREF kHeadingColour = RGB(50, 100, 150);
constexpr int kImageSize = 18;

// Normal images, in the order the tree uses them.
enum Image { kOpenFolder = 0, kClosedFolder = 1, kDrive = 2, kComputer = 3 };

void ShowNotice(HWND owner, const std::string& text, const std::string& caption) {
    ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

FolderPage::FolderPage() : FolderPage(ListDrives, ListSubfolders, ShowNotice) {}

FolderPage::FolderPage(DriveSource drives, SubfolderLister lister, Notifier notifier)
    : PropertyPage(IDD_FOLDER_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true),
      drives_(std::move(drives)),
      notifier_(std::move(notifier)),
      model_(std::move(lister)) {
    model_.Ticks().SetObserver(this);
}

HTREEITEM FolderPage::Item(CheckTree::NodeId node) const {
    return node >= 0 && static_cast<std::size_t>(node) < items_.size() ? items_[node] : nullptr;
}

CheckTree::NodeId FolderPage::NodeOf(HTREEITEM item) const {
    TVITEMW query{};
    query.mask = TVIF_PARAM | TVIF_HANDLE;
    query.hItem = item;
    if (!item || !::SendMessageW(TreeWindow(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&query))) return CheckTree::kNone;
    return static_cast<CheckTree::NodeId>(query.lParam);
}

BOOL FolderPage::OnInitDialog() {
    for (auto [label, id] : {std::pair{&heading_, IDC_FOLDER_HEADING}, std::pair{&note_, IDC_FOLDER_NOTE},
                             std::pair{&treeLabel_, IDC_FOLDER_TREE_LABEL}}) {
        label->Attach(::GetDlgItem(Window(), id));
        label->textColour = kHeadingColour;
    }
    host::TheComponents().language.TranslateWindow(Window());
    treeView_.Attach(::GetDlgItem(Window(), IDC_FOLDER_TREE));
    treeView_.onToggle = [this](HTREEITEM item) { Toggle(item); };
    CreateImageLists();
    TreeView_SetBkColor(TreeWindow(), RGB(255, 255, 255));
    BuildTree();
    RestoreSelection();
    return TRUE;
}

void FolderPage::CreateImageLists() {
    const HINSTANCE instance = ui::TheAppModule().Instance();
    images_.Reset(::ImageList_Create(kImageSize, kImageSize, ILC_COLOR32 | ILC_MASK, 4, 0));
    for (int icon : {IDI_FOLDER_OPEN, IDI_FOLDER_CLOSED, IDI_DRIVE, IDI_COMPUTER}) {
        IconHandle loaded(static_cast<HICON>(
            ::LoadImageW(instance, MAKEINTRESOURCEW(icon), IMAGE_ICON, kImageSize, kImageSize, LR_DEFAULTCOLOR)));
        ::ImageList_AddIcon(images_.Get(), loaded.Get());  // the list keeps its own copy
    }
    TreeView_SetImageList(TreeWindow(), images_.Get(), TVSIL_NORMAL);
    // Four 18-pixel cells: blank, empty box, grey tick, green tick; white is transparent.
    stateImages_.Reset(::ImageList_LoadImageW(instance, MAKEINTRESOURCEW(IDB_CHECK_STATES), kImageSize, 1,
                                              RGB(255, 255, 255), IMAGE_BITMAP, LR_CREATEDIBSECTION));
    TreeView_SetImageList(TreeWindow(), stateImages_.Get(), TVSIL_STATE);
}

void FolderPage::BuildTree() {
    TreeView_DeleteAllItems(TreeWindow());
    items_.clear();
    model_.Build(host::Text("_QM_008"), drives_());
    if (HTREEITEM computer = Item(0)) TreeView_Expand(TreeWindow(), computer, TVE_EXPAND);
}

void FolderPage::NodeAdded(CheckTree::NodeId node) {
    const CheckTree::NodeId parent = model_.Ticks().Parent(node);
    const bool computer = model_.KindOf(node) == FolderTree::Kind::Computer;
    const std::wstring text = Widen(model_.Text(node));
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent == CheckTree::kNone ? TVI_ROOT : Item(parent);
    insert.hInsertAfter = TVI_LAST;
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = computer ? kComputer : kClosedFolder;
    insert.item.iSelectedImage = computer ? kComputer : kOpenFolder;
    insert.item.lParam = node;
    insert.item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(CheckState::Unchecked));
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    const auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(TreeWindow(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (items_.size() <= static_cast<std::size_t>(node)) items_.resize(static_cast<std::size_t>(node) + 1);
    items_[node] = item;
}

void FolderPage::StateChanged(CheckTree::NodeId node, CheckState state) {
    if (HTREEITEM item = Item(node))
        TreeView_SetItemState(TreeWindow(), item, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state)), TVIS_STATEIMAGEMASK);
}

void FolderPage::Toggle(HTREEITEM item) {
    const CheckTree::NodeId node = NodeOf(item);
    if (node != CheckTree::kNone) model_.Ticks().Toggle(node);
}

void FolderPage::RestoreSelection() {
    const auto& components = host::TheComponents();
    for (const std::string& saved : LoadSavedSelection(components.moduleXml, components.commonXml)) {
        // Opening a node the first time reads the next level (through the expanding notification).
        const CheckTree::NodeId node =
            model_.Resolve(saved, [this](CheckTree::NodeId open) { TreeView_Expand(TreeWindow(), Item(open), TVE_EXPAND); });
        if (node != CheckTree::kNone) model_.Ticks().SetCheck(node, CheckState::Checked);
    }
}

bool FolderPage::OnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT& result) {
    if (message != WM_NOTIFY) return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.hwndFrom != TreeWindow() || !TreeWindow()) return false;
    switch (header.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        // The item fields this reads sit at the same place in the ANSI and the wide record.
        const auto& expanding = *reinterpret_cast<const NMTREEVIEWW*>(lParam);
        const CheckTree::NodeId node = static_cast<CheckTree::NodeId>(expanding.itemNew.lParam);
        if ((expanding.action & TVE_EXPAND) && node >= 0 && static_cast<std::size_t>(node) < model_.Ticks().Size() &&
            !model_.Ticks().Children(node).empty())
            model_.PrepareExpand(node);
        result = 0;  // the node always opens
        return true;
    }
    case TVN_ITEMEXPANDEDA:
    case TVN_ITEMEXPANDEDW:
        result = 0;
        return true;
    default:
        return false;
    }
}

std::optional<LRESULT> FolderPage::OnSheetNotify(const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        SetWizardButtons(PSWIZB_NEXT);
        return 0;
    }
    if (header.code == static_cast<UINT>(PSN_WIZNEXT)) return OnNext();
    if (header.code == static_cast<UINT>(PSN_HELP)) {
        help::ShowHelpMenu(Window());
        return 0;
    }
    return PropertyPage::OnSheetNotify(header);
}

LRESULT FolderPage::OnNext() {
    // A scan started by an earlier Next may still be reading the roots: they are rewritten only
    // after it ends. Meanwhile the windows keep working; a second Next then is turned away.
    if (waitingForScan_) return -1;
    wizard::ScanRoots& roots = wizard::TheScanRoots();
    if (roots.ReaderRunning()) {
        waitingForScan_ = true;
        const bool ended = wizard::WaitPumpingMessages(roots.Reader());
        waitingForScan_ = false;
        if (!ended) return -1;
    }
    roots.SetReader(nullptr);
    roots.Replace(model_.CollectSelection());
    ReplaceSavedSelection(host::TheComponents().moduleXml, roots.Paths());
    if (!roots.Paths().empty()) return 0;
    notifier_(Window(), host::Text("_QM_009"), host::Text("_Information"));
    return -1;
}

}  // namespace qm::folders
