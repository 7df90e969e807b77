#include "folders/FolderPage.h"

#include "ui/AppModule.h"
#include "base/PathText.h"
#include "base/Text.h"
#include "base/Utf.h"
#include "base/win/Dpi.h"
#include "base/win/MessagePump.h"
#include "base/win/UsualPlaces.h"
#include "folders/Drives.h"
#include "folders/FolderEnumerator.h"
#include "folders/SavedSelection.h"
#include "folders/TickImages.h"
#include "help/HelpMenu.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/FolderPage.h"
#include "wizard/ScanRoots.h"

#include <algorithm>

namespace qm::folders {
namespace {

constexpr COLORREF kHeadingColour = RGB(50, 100, 150);
constexpr int kImageSize = 18;  // at 100%

// Normal images, in the order the tree uses them.
enum Image { kOpenFolder = 0, kClosedFolder = 1, kDrive = 2, kComputer = 3 };

// Posted by a loader thread when answers wait; private to the page's window.
constexpr UINT kAnswersWaiting = WM_APP + 1;
// Looks for reads that went past their bound while any read runs.
constexpr UINT_PTR kOverdueTimer = 1;
constexpr UINT kOverdueCheckMs = 100;

void ShowNotice(HWND owner, const std::string& text, const std::string& caption) {
    ::MessageBoxW(owner, Widen(text).c_str(), Widen(caption).c_str(), MB_OK | MB_ICONINFORMATION);
}

}  // namespace

FolderPage::FolderPage(wizard::ScanRoots& roots)
    : FolderPage(roots, {DriveRoots, QueryDrive, ListSubfolders, FindUsualPlaces}, ShowNotice) {}

FolderPage::FolderPage(wizard::ScanRoots& roots, DiskAccess disks, Notifier notifier, std::chrono::milliseconds answerBound)
    : PropertyPage(IDD_FOLDER_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true),
      roots_(roots),
      notifier_(std::move(notifier)),
      loader_(std::move(disks), answerBound) {
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
    treeView_.SetBackground(RGB(255, 255, 255));
    // The loader's threads only post: a window gone by then just drops the message.
    loader_.SetWake([window = Window()] { ::PostMessageW(window, kAnswersWaiting, 0, 0); });
    BuildTree();
    const auto& components = host::TheComponents();
    restoring_ = preset_ ? *preset_ : LoadSavedSelection(components.moduleXml, components.commonXml);
    // Nothing saved (as shipped, or every tick taken off): the places where shortcuts live.
    if (restoring_.empty() && !preset_) model_.TickFirstStartPlaces();
    AdvanceRestore();
    using namespace controls;
    layout_.Start(Window());
    for (int id : {IDC_FOLDER_HEADING, IDC_FOLDER_EXPLANATION}) layout_.Add(id, kAnchorTopLeft | kAnchorRight);
    layout_.Add(IDC_FOLDER_TREE, kAnchorAll);
    layout_.Add(IDC_FOLDER_NOTE, kAnchorLeft | kAnchorBottom);
    layout_.Add(IDC_FOLDER_DROPPED, kAnchorLeft | kAnchorRight | kAnchorBottom);
    return TRUE;
}

void FolderPage::CreateImageLists() {
    const HINSTANCE instance = ui::TheAppModule().Instance();
    imageSize_ = ScaleToDpi(kImageSize, WindowDpi(TreeWindow()));
    ImageListHandle images(::ImageList_Create(imageSize_, imageSize_, ILC_COLOR32 | ILC_MASK, 4, 0));
    for (int icon : {IDI_FOLDER_OPEN, IDI_FOLDER_CLOSED, IDI_DRIVE, IDI_COMPUTER})
        ::ImageList_AddIcon(images.Get(), LoadIconAtSize(instance, icon, imageSize_).Get());  // the list copies it
    // The shell's icons keep their places, which the nodes name.
    for (const std::string& path : shellIconPaths_) {
        IconHandle icon = ShellIcon(path, imageSize_);
        ::ImageList_AddIcon(images.Get(), icon ? icon.Get() : LoadIconAtSize(instance, IDI_FOLDER_CLOSED, imageSize_).Get());
    }
    TreeView_SetImageList(TreeWindow(), images.Get(), TVSIL_NORMAL);
    ImageListHandle ticks = MakeTickImages(imageSize_);
    TreeView_SetImageList(TreeWindow(), ticks.Get(), TVSIL_STATE);
    // The tree drops the old lists before they go.
    images_ = std::move(images);
    stateImages_ = std::move(ticks);
}

void FolderPage::BuildTree() {
    TreeView_DeleteAllItems(TreeWindow());
    items_.clear();
    requests_.clear();
    model_.Reset(host::Text("_QM_008"));
    if (loader_.Access().usualPlaces)
        model_.AddUsualPlaces(host::Text("_QM_UsualPlaces"), loader_.Access().usualPlaces(),
                              [](std::string_view key) { return host::Text(key); });
    const std::vector<std::string> roots = loader_.Access().driveRoots();
    drivesAwaited_ = roots.size();
    if (roots.empty()) model_.MarkRead(FolderTree::kComputer);
    for (const std::string& root : roots) requests_[loader_.QueryDrive(root)] = {root, {}, true};
    UpdateOverdueTimer();
}

void FolderPage::Ask(const std::vector<CheckTree::NodeId>& nodes) {
    std::vector<std::string> folders;
    std::vector<CheckTree::NodeId> folderNodes;
    for (CheckTree::NodeId node : nodes) {
        // A drive asked again has never answered: its label is asked for too.
        if (model_.KindOf(node) == FolderTree::Kind::Drive) {
            requests_[loader_.QueryDrive(model_.Path(node))] = {model_.Path(node), {}, false};
        } else {
            folders.push_back(model_.Path(node));
            folderNodes.push_back(node);
        }
        Refresh(node);
    }
    if (!folderNodes.empty()) requests_[loader_.ListFolders(std::move(folders))] = {"", std::move(folderNodes), false};
    UpdateOverdueTimer();
}

void FolderPage::TakeAnswers() {
    for (const FolderLoader::Answer& answer : loader_.TakeAnswers()) {
        const auto found = requests_.find(answer.ticket);
        if (found == requests_.end()) continue;
        Request& request = found->second;
        if (!request.driveRoot.empty()) {
            ApplyDriveAnswer(request, answer);
            requests_.erase(found);
        } else {
            ApplyFolderAnswer(request.nodes[answer.index], answer.subfolders);
            if (answer.index + 1 == request.nodes.size()) requests_.erase(found);
        }
    }
    AdvanceRestore();
    UpdateOverdueTimer();
}

void FolderPage::ApplyDriveAnswer(Request& request, const FolderLoader::Answer& answer) {
    CheckTree::NodeId node = DriveNode(request.driveRoot);
    if (answer.drive) {
        node = model_.AddDrive(*answer.drive);
        Refresh(node);  // a drive shown as not answering gets its label
        // The shell's icon for it (fixed, removable, optical, network) now that it answered.
        const int image = AddShellIcon(request.driveRoot);
        if (image >= 0) SetImage(node, image, image);
    }
    // A drive that is not ready is left out; one already shown keeps its place, without folders.
    if (node != CheckTree::kNone) ApplyFolderAnswer(node, answer.subfolders);
    DriveSettled(request);
}

void FolderPage::ApplyFolderAnswer(CheckTree::NodeId node, const std::vector<std::string>& subfolders) {
    model_.ApplyListing(node, subfolders);
    Refresh(node);
    // A node opened while it was read: its children are read one level ahead now.
    if (model_.Opened(node)) Ask(model_.BeginExpand(node));
}

void FolderPage::DriveSettled(Request& request) {
    if (!request.awaitedAtStart) return;
    request.awaitedAtStart = false;
    if (drivesAwaited_ > 0 && --drivesAwaited_ == 0) model_.MarkRead(FolderTree::kComputer);
}

CheckTree::NodeId FolderPage::DriveNode(const std::string& rootPath) const {
    return model_.FindChildByName(FolderTree::kComputer, rootPath.substr(0, 2));
}

void FolderPage::TakeOverdue() {
    for (const FolderLoader::Overdue& overdue : loader_.TakeOverdue(FolderLoader::Clock::now())) {
        const auto found = requests_.find(overdue.ticket);
        if (found == requests_.end()) continue;
        Request& request = found->second;
        if (!request.driveRoot.empty()) {
            // Shown without a label, in its place among the drives that answered.
            CheckTree::NodeId node = DriveNode(request.driveRoot);
            if (node == CheckTree::kNone) node = model_.AddDrive({"", request.driveRoot, request.driveRoot.substr(0, 2), ""});
            model_.MarkNotAnswering(node);
            Refresh(node);
            DriveSettled(request);
        } else {
            for (std::size_t i = overdue.firstUnanswered; i < request.nodes.size(); ++i) {
                model_.MarkNotAnswering(request.nodes[i]);
                Refresh(request.nodes[i]);
            }
        }
    }
    AdvanceRestore();
    UpdateOverdueTimer();
}

void FolderPage::UpdateOverdueTimer() {
    const bool needed = loader_.Waiting();
    if (needed && !overdueTimer_) overdueTimer_ = ::SetTimer(Window(), kOverdueTimer, kOverdueCheckMs, nullptr) != 0;
    if (!needed && overdueTimer_) {
        ::KillTimer(Window(), kOverdueTimer);
        overdueTimer_ = false;
    }
}

std::string FolderPage::DisplayText(CheckTree::NodeId node) const {
    std::string text = model_.Text(node);
    if (model_.ListingOf(node) == FolderTree::Listing::NotAnswering) text.append(" ").append(host::Text("_QM_NotAnswering"));
    return text;
}

void FolderPage::Refresh(CheckTree::NodeId node) {
    const HTREEITEM item = Item(node);
    if (!item) return;
    const std::wstring text = Widen(DisplayText(node));
    TVITEMW update{};
    update.mask = TVIF_TEXT | TVIF_CHILDREN;
    update.hItem = item;
    update.pszText = const_cast<wchar_t*>(text.c_str());
    // A node that has not answered keeps an expand button: opening it asks again.
    update.cChildren = model_.ListingOf(node) == FolderTree::Listing::NotAnswering ||
                       !model_.Ticks().Children(node).empty();
    ::SendMessageW(TreeWindow(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&update));
}

int FolderPage::AddShellIcon(const std::string& path) {
    IconHandle icon = ShellIcon(path, imageSize_);
    const int image = icon ? ::ImageList_AddIcon(images_.Get(), icon.Get()) : -1;  // the list keeps a copy
    if (image >= 0) shellIconPaths_.push_back(path);
    return image;
}

void FolderPage::SetImage(CheckTree::NodeId node, int image, int selectedImage) {
    TVITEMW update{};
    update.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    update.hItem = Item(node);
    update.iImage = image;
    update.iSelectedImage = selectedImage;
    if (update.hItem) ::SendMessageW(TreeWindow(), TVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&update));
}

void FolderPage::NodeAdded(CheckTree::NodeId node) {
    const CheckTree::NodeId parent = model_.Ticks().Parent(node);
    const FolderTree::Kind kind = model_.KindOf(node);
    int image = kClosedFolder, selectedImage = kOpenFolder;
    if (kind == FolderTree::Kind::Computer) image = selectedImage = kComputer;
    // A drive shows the shell's icon once it has answered (ApplyDriveAnswer); a place at once,
    // its folder is this user's own.
    if (kind == FolderTree::Kind::Drive) image = selectedImage = kDrive;
    if (kind == FolderTree::Kind::UsualPlace) {
        const int shell = AddShellIcon(model_.Path(node));
        if (shell >= 0) image = selectedImage = shell;
    }
    const std::wstring text = Widen(DisplayText(node));
    // Drives arrive in any order but take their place among the others.
    const auto& siblings = parent == CheckTree::kNone ? model_.Ticks().TopLevel() : model_.Ticks().Children(parent);
    const auto at = std::find(siblings.begin(), siblings.end(), node);
    TVINSERTSTRUCTW insert{};
    insert.hParent = parent == CheckTree::kNone ? TVI_ROOT : Item(parent);
    insert.hInsertAfter = at + 1 == siblings.end() ? TVI_LAST : at == siblings.begin() ? TVI_FIRST : Item(*(at - 1));
    insert.item.mask = TVIF_TEXT | TVIF_PARAM | TVIF_STATE | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    insert.item.pszText = const_cast<wchar_t*>(text.c_str());
    insert.item.iImage = image;
    insert.item.iSelectedImage = selectedImage;
    insert.item.lParam = node;
    insert.item.state = INDEXTOSTATEIMAGEMASK(static_cast<UINT>(CheckState::Unchecked));
    insert.item.stateMask = TVIS_STATEIMAGEMASK;
    const auto item = reinterpret_cast<HTREEITEM>(
        ::SendMessageW(TreeWindow(), TVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&insert)));
    if (items_.size() <= static_cast<std::size_t>(node)) items_.resize(static_cast<std::size_t>(node) + 1);
    items_[node] = item;
    // The computer node opens as soon as it holds a drive, the usual places with their first.
    const bool topBranch = parent != CheckTree::kNone && (model_.KindOf(parent) == FolderTree::Kind::Computer ||
                                                           model_.KindOf(parent) == FolderTree::Kind::UsualPlaces);
    if (topBranch && siblings.size() == 1) TreeView_Expand(TreeWindow(), Item(parent), TVE_EXPAND);
}

void FolderPage::StateChanged(CheckTree::NodeId node, CheckState state) {
    if (HTREEITEM item = Item(node))
        TreeView_SetItemState(TreeWindow(), item, INDEXTOSTATEIMAGEMASK(static_cast<UINT>(state)), TVIS_STATEIMAGEMASK);
}

void FolderPage::Toggle(HTREEITEM item) {
    const CheckTree::NodeId node = NodeOf(item);
    if (node != CheckTree::kNone) model_.Ticks().Toggle(node);
}

void FolderPage::AdvanceRestore() {
    // Each saved path goes down as far as the tree has been read; it is ticked once its node and
    // that node's children are there, dropped once a part of it is known to be missing.
    const auto expand = [this](CheckTree::NodeId open) { TreeView_Expand(TreeWindow(), Item(open), TVE_EXPAND); };
    const size_t droppedBefore = dropped_.size();
    for (auto saved = restoring_.begin(); saved != restoring_.end();) {
        const FolderTree::Resolution resolution = model_.TryResolve(*saved, expand);
        if (resolution.outcome == FolderTree::Resolution::Outcome::Waiting) {
            ++saved;
            continue;
        }
        if (resolution.outcome == FolderTree::Resolution::Outcome::Reached) {
            model_.Ticks().SetCheck(resolution.node, CheckState::Checked);
        } else {
            dropped_.push_back(*saved);
        }
        saved = restoring_.erase(saved);
    }
    // A saved folder that is gone is dropped from the file at the next Next; the line under the
    // tree says which, so that it does not go unnoticed.
    if (dropped_.size() == droppedBefore) return;
    std::sort(dropped_.begin(), dropped_.end());
    std::string list;
    for (const std::string& path : dropped_) list += (list.empty() ? "" : "; ") + path;
    const std::string line = FillIn(FillIn(host::Text("_QM_SavedDropped"), "{count}", std::to_string(dropped_.size())), "{list}", list);
    ::SetDlgItemTextW(Window(), IDC_FOLDER_DROPPED, Widen(line).c_str());
}

bool FolderPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == kAnswersWaiting) {
        TakeAnswers();
        return true;
    }
    if (message == WM_TIMER && wParam == kOverdueTimer) {
        TakeOverdue();
        return true;
    }
    if (message == WM_DPICHANGED_AFTERPARENT) {
        CreateImageLists();  // at the new monitor's size
        return true;
    }
    if (message != WM_NOTIFY) return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.hwndFrom != TreeWindow() || !TreeWindow()) return false;
    switch (header.code) {
    case TVN_ITEMEXPANDINGA:
    case TVN_ITEMEXPANDINGW: {
        // The item fields this reads sit at the same place in the ANSI and the wide record.
        const auto& expanding = *reinterpret_cast<const NMTREEVIEWW*>(lParam);
        const CheckTree::NodeId node = static_cast<CheckTree::NodeId>(expanding.itemNew.lParam);
        if ((expanding.action & TVE_EXPAND) && node >= 0 && static_cast<std::size_t>(node) < model_.Ticks().Size())
            Ask(model_.BeginExpand(node));
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

bool FolderPage::WaitForRestore() {
    const HWND page = Window();
    PumpMessagesUntil([&] { return !::IsWindow(page) || restoring_.empty() || !loader_.Waiting(); });
    return ::IsWindow(page) != FALSE;
}

LRESULT FolderPage::OnNext() {
    // While a Next waits the windows keep working; a second Next then is turned away.
    if (waitingInNext_) return -1;
    wizard::ScanRoots& roots = roots_;
    waitingInNext_ = true;
    // The saved folders are ticked a moment after the page shows, once the drives and folders on
    // their way have answered: a Next pressed before that goes on with them, not with a notice
    // that nothing is ticked. A scan started by an earlier Next may still be reading the roots:
    // they are rewritten only after it ends.
    const bool ready = WaitForRestore() && (!roots.ReaderRunning() || wizard::WaitPumpingMessages(roots.Reader()));
    waitingInNext_ = false;
    if (!ready) return -1;
    roots.SetReader(nullptr);
    // Every tick is saved, but a folder inside another ticked one (a usual place in a ticked
    // drive, the Startup folder in the Start menu) is searched only once, with the outer one.
    std::vector<std::string> saved = model_.CollectSelection();
    roots.Replace(WithoutNestedRoots(saved));
    // Saved paths on a drive that has not answered yet are kept for the next start: the user
    // has not seen them and cannot have unticked them.
    saved.insert(saved.end(), restoring_.begin(), restoring_.end());
    ReplaceSavedSelection(host::TheComponents().moduleXml, saved);
    if (!roots.Paths().empty()) return 0;
    notifier_(Window(), host::Text("_QM_009"), host::Text("_Information"));
    return -1;
}

}  // namespace qm::folders
