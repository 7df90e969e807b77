// The folder page in a real wizard sheet under Wine: its tree-view control, ticks by mouse and
// keyboard, lazy loading on the loader's threads, drives and folders that do not answer, long
// paths, Next, and the selection saved through the real XML store component.
#include "folders/FolderPage.h"

#include "controls/HighContrast.h"
#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "folders/Drives.h"
#include "folders/FolderEnumerator.h"
#include "help/HelpMenu.h"
#include "base/Text.h"
#include "base/win/SystemText.h"
#include "host/Components.h"
#include "res/dialogs/FolderPage.h"
#include "wizard/ScanRoots.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <optional>
#include <thread>

namespace {

using qm::folders::CheckState;
using qm::folders::CheckTree;
using qm::folders::FolderPage;
using qm::test::TempFolder;
using Paths = std::vector<std::string>;

const char kEmptySelection[] = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <select_folders/>\n</config>\n";

std::string ReadFile(const std::string& path) {
    qm::FileHandle file(::CreateFileW(qm::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return "<missing>";
    std::string content(::GetFileSize(file.Get(), nullptr), '\0');
    DWORD read = 0;
    ::ReadFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &read, nullptr);
    content.resize(read);
    return content;
}

void WriteFile(const std::string& path, const std::string& content) {
    ::SetFileAttributesW(qm::Widen(path).c_str(), FILE_ATTRIBUTE_NORMAL);
    qm::FileHandle file(::CreateFileW(qm::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    ::WriteFile(file.Get(), content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
}

std::string XmlWithItems(const Paths& names) {
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n  <select_folders>\n";
    for (const std::string& name : names) xml += "    <item name=\"" + name + "\"/>\n";
    return xml + "  </select_folders>\n</config>\n";
}

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;  // a reported failure asks the loop to end
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

// The components the page talks to, real ones from QuillSuite.dll, and the module XML file.
class FolderPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static qm::ComApartment apartment;  // the main thread's, for the whole run
        qm::ui::TheAppModule().Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_TREEVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        auto& components = qm::host::TheComponents();
        // The help menu reads the start-up switch from the settings.
        ASSERT_TRUE(SUCCEEDED(qm::host::ConfigComponent::Create(components.config)));
        WriteFile(files_.Path("config.ini"), "[quillmend_module]\nshowstartup=1\n");
        components.config.Load(files_.Path("config.ini"));
        ASSERT_TRUE(SUCCEEDED(qm::host::LanguageComponent::Create(components.language)));
        components.language.Load(QM_LANGUAGE_FILE);
        ASSERT_TRUE(SUCCEEDED(qm::host::XmlStoreComponent::Create(components.commonXml)));
        ASSERT_TRUE(SUCCEEDED(qm::host::XmlStoreComponent::Create(components.moduleXml)));
        xmlFile_ = files_.Path("QuillMend.xml");
        drive_ = qm::folders::ListDrives();
        drive_.erase(std::remove_if(drive_.begin(), drive_.end(), [](const qm::folders::DriveInfo& d) { return d.driveName != "C:"; }),
                     drive_.end());
        ASSERT_EQ(drive_.size(), 1u);
        // The tree under test lies on C:, in the temporary folder.
        ASSERT_EQ(tree_.Path().rfind("C:\\", 0), 0u) << tree_.Path();
        for (const char* folder : {"a\\a1\\a1x", "a\\a1\\a1y", "a\\a2", "b\\b1", "Archive.2020"}) tree_.Folder(folder);
    }

    void TearDown() override {
        Close();
        EXPECT_FALSE(qm::ui::HasFatalError()) << "a failure reached the top-level handler";
        auto& components = qm::host::TheComponents();
        components.moduleXml.Reset();
        components.commonXml.Reset();
        components.language.Reset();
        components.config.Reset();
        while (qm::ui::TakeFatalError()) {}
        Pump();
    }

    // Loads the module document from `content` (or leaves the store without a document).
    void UseModuleXml(const std::string& content) {
        WriteFile(xmlFile_, content);
        qm::host::TheComponents().moduleXml.Load(xmlFile_);
    }

    // The real disk, with C: as the only drive, and the usual places `places` gives.
    qm::folders::DiskAccess DriveC(std::function<std::vector<qm::UsualPlaceFolder>()> places = nullptr) const {
        return {[] { return Paths{"C:\\"}; },
                [c = drive_[0]](const std::string& root) { return root == c.rootPath ? std::optional(c) : std::nullopt; },
                qm::folders::ListSubfolders, std::move(places)};
    }

    // Starts the page in a modeless wizard sheet, as the program does, and lets it read what
    // answers in time (or, without `settle`, goes on at once, as a user may).
    void Open() { Open(DriveC()); }
    void Open(qm::folders::DiskAccess disks, std::chrono::milliseconds answerBound = FolderPage::kAnswerBound,
              bool settle = true) {
        notices_.clear();
        page_ = std::make_unique<FolderPage>(
            roots_, std::move(disks),
            [this](HWND, const std::string& text, const std::string& caption) { notices_.push_back(caption + ": " + text); },
            answerBound);
        HPROPSHEETPAGE pages[] = {page_->CreatePage()};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS | PSH_WIZARD;
        header.hInstance = ::GetModuleHandleW(nullptr);
        header.nPages = 1;
        header.phpage = pages;
        sheet_ = reinterpret_cast<HWND>(::PropertySheetW(&header));
        ASSERT_NE(sheet_, nullptr);
        if (settle) Settle();
        ASSERT_NE(page_->Window(), nullptr);
        ASSERT_NE(page_->TreeWindow(), nullptr);
    }

    // Handles messages until the page reads nothing within its bound any more.
    void Settle() {
        Pump();
        const DWORD start = ::GetTickCount();
        while (page_ && page_->Window() && !page_->Settled()) {
            ASSERT_LT(::GetTickCount() - start, 30000u) << "the page never settled";
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
            Pump();
        }
    }

    void Close() {
        if (sheet_) ::DestroyWindow(sheet_);
        sheet_ = nullptr;
        Pump();
        page_.reset();
    }

    // The page's answer to the wizard's Next (0 goes on, -1 stays).
    LRESULT PressNext() { return SheetNotify(PSN_WIZNEXT); }
    LRESULT SheetNotify(int code) {
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = sheet_;
        notify.hdr.code = static_cast<UINT>(code);
        ::SendMessageW(page_->Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        return ::GetWindowLongPtrW(page_->Window(), DWLP_MSGRESULT);
    }

    CheckTree::NodeId Node(const std::string& path) const {
        const qm::folders::FolderTree& model = page_->Model();
        const std::int32_t index = model.Paths().Find(path);
        if (index < 0) return CheckTree::kNone;
        for (CheckTree::NodeId node = 0; node < static_cast<CheckTree::NodeId>(model.Ticks().Size()); ++node)
            if (model.Ticks().Data(node) == index) return node;
        return CheckTree::kNone;
    }

    // The tick the control shows (its state image), not the model's.
    CheckState Shown(const std::string& path) const {
        const HTREEITEM item = page_->Item(Node(path));
        EXPECT_NE(item, nullptr) << path;
        const UINT state = TreeView_GetItemState(page_->TreeWindow(), item, TVIS_STATEIMAGEMASK);
        return static_cast<CheckState>(state >> 12);
    }
    std::string ShownText(const std::string& path) const {
        wchar_t text[1024] = {};
        TVITEMW item{};
        item.mask = TVIF_TEXT;
        item.hItem = page_->Item(Node(path));
        item.pszText = text;
        item.cchTextMax = 1024;
        TreeView_GetItem(page_->TreeWindow(), &item);
        return qm::Narrow(text);
    }
    CheckState ShownComputer() const {
        return static_cast<CheckState>(TreeView_GetItemState(page_->TreeWindow(), page_->Item(0), TVIS_STATEIMAGEMASK) >> 12);
    }
    // The line under the tree that names the saved folders no longer found.
    std::string DroppedLine() const { return qm::Narrow(qm::WindowText(::GetDlgItem(page_->Window(), IDC_FOLDER_DROPPED))); }
    bool IsOpen(const std::string& path) const {
        return TreeView_GetItemState(page_->TreeWindow(), page_->Item(Node(path)), TVIS_EXPANDED) & TVIS_EXPANDED;
    }

    // Opens a node the way the user does (the control asks the page before it opens).
    void Open(const std::string& path) {
        ASSERT_NE(Node(path), CheckTree::kNone) << path;
        TreeView_Expand(page_->TreeWindow(), page_->Item(Node(path)), TVE_EXPAND);
        Settle();
    }

    // A point of `item` whose hit-test gives `part` (state icon, label, button), found by asking
    // the control itself; the item is scrolled into view first.
    POINT PointOn(HTREEITEM item, UINT part) const {
        const HWND tree = page_->TreeWindow();
        TreeView_EnsureVisible(tree, item);
        RECT row{};
        TreeView_GetItemRect(tree, item, &row, FALSE);
        for (LONG x = row.left; x < row.right; ++x) {
            TVHITTESTINFO hit{};
            hit.pt = {x, (row.top + row.bottom) / 2};
            if (reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit))) == item &&
                (hit.flags & part))
                return hit.pt;
        }
        ADD_FAILURE() << "no point with hit-test flag " << part;
        return {-1, -1};
    }
    void Click(const std::string& path, UINT part) {
        const POINT at = PointOn(page_->Item(Node(path)), part);
        // The control follows a press in a loop of its own until the button is released: the
        // release must already wait in the queue.
        ::PostMessageW(page_->TreeWindow(), WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        ::SendMessageW(page_->TreeWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        Settle();
    }
    void PressSpaceOn(const std::string& path) {
        TreeView_SelectItem(page_->TreeWindow(), page_->Item(Node(path)));
        ::SendMessageW(page_->TreeWindow(), WM_KEYDOWN, VK_SPACE, 0);
        ::SendMessageW(page_->TreeWindow(), WM_CHAR, L' ', 0);
        ::SendMessageW(page_->TreeWindow(), WM_KEYUP, VK_SPACE, 0);
        Pump();
    }

    Paths SavedItems() const {
        Paths names;
        const std::string xml = ReadFile(xmlFile_);
        for (size_t at = xml.find("name=\""); at != std::string::npos; at = xml.find("name=\"", at + 1)) {
            const size_t start = at + 6;
            names.push_back(xml.substr(start, xml.find('"', start) - start));
        }
        return names;
    }

    std::string T(const std::string& relative = "") const { return tree_.Path(relative); }

    TempFolder tree_;
    TempFolder files_;
    std::string xmlFile_;
    std::vector<qm::folders::DriveInfo> drive_;
    qm::wizard::ScanRoots roots_;  // the wizard's, which Next writes
    std::unique_ptr<FolderPage> page_;
    HWND sheet_ = nullptr;
    Paths notices_;
};

TEST_F(FolderPageTest, StartsWithTheComputerItsDrivesAndTheirFirstLevel) {
    UseModuleXml(kEmptySelection);
    Open();
    const HWND tree = page_->TreeWindow();
    wchar_t text[260] = {};
    TVITEMW item{};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = page_->Item(0);
    item.pszText = text;
    item.cchTextMax = 260;
    TreeView_GetItem(tree, &item);
    EXPECT_EQ(qm::Narrow(text), qm::host::Text("_QM_008"));
    EXPECT_EQ(item.iImage, 3);
    EXPECT_TRUE(TreeView_GetItemState(tree, page_->Item(0), TVIS_EXPANDED) & TVIS_EXPANDED);

    const HTREEITEM drive = TreeView_GetChild(tree, page_->Item(0));
    item = {};
    item.mask = TVIF_TEXT | TVIF_IMAGE | TVIF_SELECTEDIMAGE;
    item.hItem = drive;
    item.pszText = text;
    item.cchTextMax = 260;
    TreeView_GetItem(tree, &item);
    // As the shell names the drive, with the drive's own icon after the page's four.
    EXPECT_EQ(qm::Narrow(text), drive_[0].displayName);
    EXPECT_NE(qm::Narrow(text).find("(C:)"), std::string::npos);
    EXPECT_EQ(item.iImage, 4);
    EXPECT_EQ(item.iSelectedImage, 4);
    EXPECT_EQ(TreeView_GetNextSibling(tree, drive), nullptr);
    // The drive holds its first-level folders already; those hold nothing until C: opens.
    ASSERT_NE(Node("C:\\windows"), CheckTree::kNone);
    EXPECT_TRUE(page_->Model().Ticks().Children(Node("C:\\windows")).empty());
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Unchecked);
    EXPECT_EQ(ShownComputer(), CheckState::Unchecked);
    EXPECT_EQ(::SendMessageW(tree, TVM_GETBKCOLOR, 0, 0), static_cast<LRESULT>(RGB(255, 255, 255)));
    ASSERT_NE(TreeView_GetImageList(tree, TVSIL_STATE), nullptr);
    EXPECT_EQ(ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_STATE)), 4);
    EXPECT_EQ(ImageList_GetImageCount(TreeView_GetImageList(tree, TVSIL_NORMAL)), 5);

    // The wizard's Help button shows the help menu for the page.
    HWND menuOwner = nullptr;
    qm::help::MenuChooser previous = qm::help::ReplaceMenuChooser([&](HMENU, UINT, POINT, HWND owner) {
        menuOwner = owner;
        return 0u;  // dismissed
    });
    EXPECT_EQ(SheetNotify(PSN_HELP), 0);
    qm::help::ReplaceMenuChooser(previous);
    EXPECT_EQ(menuOwner, page_->Window());
}

bool g_highContrast = false;
bool TestHighContrast() { return g_highContrast; }

// White behind the tree, but the system's colour in high contrast, as soon as the wizard hears
// of the mode (Wine keeps the mode off whatever it is told: the test says it).
TEST_F(FolderPageTest, TheTreeTakesTheSystemBackgroundInHighContrast) {
    UseModuleXml(kEmptySelection);
    Open();
    const qm::controls::HighContrastQuery before = qm::controls::ReplaceHighContrastQuery(&TestHighContrast);
    for (const bool on : {false, true, false}) {
        g_highContrast = on;
        qm::controls::ForwardColourChanges(sheet_, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
        EXPECT_EQ(TreeView_GetBkColor(page_->TreeWindow()), on ? static_cast<COLORREF>(-1) : RGB(255, 255, 255)) << on;
    }
    qm::controls::ReplaceHighContrastQuery(before);
}

TEST_F(FolderPageTest, UsualPlacesAreTickedAtTheFirstStartSavedByPathAndSearchedOnce) {
    using qm::UsualPlace;
    for (const char* folder : {"places\\Desktop", "places\\Start\\Startup", "places\\Recent"}) tree_.Folder(folder);
    const std::vector<qm::UsualPlaceFolder> places = {
        {UsualPlace::Desktop, T("places\\Desktop"), "Desktop", "My desk"},
        {UsualPlace::StartMenu, T("places\\Start"), "", ""},
        {UsualPlace::Startup, T("places\\Start\\Startup"), "", "Startup"},
        {UsualPlace::Recent, T("places\\Recent"), "", "Recent"},
    };
    const auto item = [&](UsualPlace place) { return page_->Item(page_->Model().UsualPlaceNode(place)); };
    const auto shown = [&](HTREEITEM at) {
        return static_cast<CheckState>(TreeView_GetItemState(page_->TreeWindow(), at, TVIS_STATEIMAGEMASK) >> 12);
    };
    UseModuleXml(kEmptySelection);
    Open(DriveC([&] { return places; }));
    const HWND tree = page_->TreeWindow();
    const HTREEITEM branch = TreeView_GetRoot(tree);
    EXPECT_EQ(TreeView_GetNextSibling(tree, branch), page_->Item(0));  // above the computer
    EXPECT_TRUE(TreeView_GetItemState(tree, branch, TVIS_EXPANDED) & TVIS_EXPANDED);
    wchar_t text[260] = {};
    TVITEMW shownItem{};
    shownItem.mask = TVIF_TEXT;
    shownItem.hItem = branch;
    shownItem.pszText = text;
    shownItem.cchTextMax = 260;
    TreeView_GetItem(tree, &shownItem);
    EXPECT_EQ(qm::Narrow(text), qm::host::Text("_QM_UsualPlaces"));
    shownItem.mask = TVIF_TEXT | TVIF_IMAGE;
    shownItem.hItem = item(UsualPlace::Desktop);
    shownItem.pszText = text;
    shownItem.cchTextMax = 260;
    TreeView_GetItem(tree, &shownItem);
    EXPECT_EQ(qm::Narrow(text), "My desk");
    EXPECT_GE(shownItem.iImage, 4);  // the shell's icon of the folder
    // Nothing saved: every place is ticked but Recent items.
    EXPECT_EQ(shown(branch), CheckState::Partial);
    for (UsualPlace place : {UsualPlace::Desktop, UsualPlace::StartMenu, UsualPlace::Startup})
        EXPECT_EQ(shown(item(place)), CheckState::Checked);
    EXPECT_EQ(shown(item(UsualPlace::Recent)), CheckState::Unchecked);
    EXPECT_EQ(PressNext(), 0);
    // The Startup folder is searched with the Start menu around it, but saved as ticked.
    EXPECT_EQ(roots_.Paths(), (Paths{T("places\\Desktop"), T("places\\Start")}));
    EXPECT_EQ(SavedItems(), (Paths{T("places\\Desktop"), T("places\\Start"), T("places\\Start\\Startup")}));
    Close();

    // The next start restores the places by path; a ticked drive then holds every one.
    qm::host::TheComponents().moduleXml.Load(xmlFile_);
    Open(DriveC([&] { return places; }));
    EXPECT_EQ(shown(item(UsualPlace::Startup)), CheckState::Checked);
    EXPECT_EQ(shown(item(UsualPlace::Recent)), CheckState::Unchecked);
    PressSpaceOn("C:\\");
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{"C:\\"});
    EXPECT_EQ(SavedItems().back(), "C:\\");
}

TEST_F(FolderPageTest, ClicksOnTheStateIconAndSpaceToggleButLabelsAndButtonsDoNot) {
    UseModuleXml(kEmptySelection);
    Open();
    Open("C:\\");
    Click("C:\\windows", TVHT_ONITEMLABEL);
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Unchecked);
    Click("C:\\windows", TVHT_ONITEMBUTTON);  // opens or closes it, nothing else
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Unchecked);

    Click("C:\\windows", TVHT_ONITEMSTATEICON);
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Checked);
    EXPECT_EQ(Shown("C:\\"), CheckState::Partial);  // it has unticked siblings
    EXPECT_EQ(ShownComputer(), CheckState::Partial);
    const auto system32 = page_->Model().Ticks().Children(Node("C:\\windows")).front();
    EXPECT_EQ(page_->Model().Ticks().State(system32), CheckState::Checked);

    Click("C:\\windows", TVHT_ONITEMSTATEICON);
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Unchecked);
    EXPECT_EQ(Shown("C:\\"), CheckState::Unchecked);

    PressSpaceOn("C:\\");
    EXPECT_EQ(Shown("C:\\"), CheckState::Checked);
    EXPECT_EQ(ShownComputer(), CheckState::Checked);  // the only drive
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Checked);
    PressSpaceOn("C:\\");
    EXPECT_EQ(Shown("C:\\"), CheckState::Unchecked);
}

TEST_F(FolderPageTest, TicksFollowNewlyLoadedFoldersAndNextYieldsTheTopmostRoots) {
    UseModuleXml(XmlWithItems({T("a")}));
    Open();
    // Restoring opened the way down; a's children are loaded and ticked with it.
    EXPECT_TRUE(IsOpen(T()));
    EXPECT_EQ(Shown(T("a")), CheckState::Checked);
    EXPECT_EQ(Shown(T("a\\a1")), CheckState::Checked);
    EXPECT_EQ(Shown(T("b")), CheckState::Unchecked);
    for (const std::string& ancestor : {T(), std::string("C:\\")}) EXPECT_EQ(Shown(ancestor), CheckState::Partial) << ancestor;
    EXPECT_EQ(ShownComputer(), CheckState::Partial);

    Open(T("a"));  // loads a1's children: they start unticked, a stays ticked
    ASSERT_NE(Node(T("a\\a1\\a1x")), CheckTree::kNone);
    EXPECT_EQ(Shown(T("a\\a1\\a1x")), CheckState::Unchecked);
    EXPECT_EQ(Shown(T("a")), CheckState::Checked);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{T("a")});

    Click(T("a\\a1\\a1x"), TVHT_ONITEMSTATEICON);  // a1y stays unticked: a1 and above turn partial
    EXPECT_EQ(Shown(T("a\\a1")), CheckState::Partial);
    EXPECT_EQ(Shown(T("a")), CheckState::Partial);
    EXPECT_EQ(ShownComputer(), CheckState::Partial);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), (Paths{T("a\\a1\\a1x"), T("a\\a2")}));
    EXPECT_EQ(SavedItems(), (Paths{T("a\\a1\\a1x"), T("a\\a2")}));

    // Closing and reopening a folder never duplicates its children.
    const std::size_t nodes = page_->Model().Ticks().Size();
    TreeView_Expand(page_->TreeWindow(), page_->Item(Node(T("a"))), TVE_COLLAPSE);
    Open(T("a"));
    Open(T());
    EXPECT_EQ(page_->Model().Ticks().Size(), nodes);
    HTREEITEM child = TreeView_GetChild(page_->TreeWindow(), page_->Item(Node(T("a\\a1"))));
    int children = 0;
    for (; child; child = TreeView_GetNextSibling(page_->TreeWindow(), child)) ++children;
    EXPECT_EQ(children, 2);
}

TEST_F(FolderPageTest, SavedSelectionSurvivesARestart) {
    UseModuleXml(XmlWithItems({T("b"), T("Archive.2020")}));
    Open();
    EXPECT_EQ(Shown(T("b")), CheckState::Checked);
    EXPECT_EQ(Shown(T("Archive.2020")), CheckState::Checked);
    Click(T("b"), TVHT_ONITEMSTATEICON);  // edit: b off, a on
    Click(T("a"), TVHT_ONITEMSTATEICON);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(SavedItems(), (Paths{T("a"), T("Archive.2020")}));
    Close();

    qm::host::TheComponents().moduleXml.Load(xmlFile_);  // the next start
    Open();
    EXPECT_EQ(Shown(T("a")), CheckState::Checked);
    EXPECT_EQ(Shown(T("Archive.2020")), CheckState::Checked);
    EXPECT_EQ(Shown(T("b")), CheckState::Unchecked);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), (Paths{T("a"), T("Archive.2020")}));
}

TEST_F(FolderPageTest, NextRightAfterTheStartGoesOnWithTheSavedSelectionStillBeingTicked) {
    UseModuleXml(XmlWithItems({T("a\\a2"), T("b")}));
    // Every folder takes a moment to list, as on a busy disk, well within the answer bound.
    qm::folders::DiskAccess busy = DriveC();
    busy.listSubfolders = [](const std::string& folder, Paths& out) {
        ::Sleep(30);
        return qm::folders::ListSubfolders(folder, out);
    };
    Open(busy, FolderPage::kAnswerBound, /*settle=*/false);
    ASSERT_EQ(Node(T("b")), CheckTree::kNone) << "the saved folders are still on their way";
    EXPECT_EQ(PressNext(), 0);
    EXPECT_TRUE(notices_.empty()) << notices_.front();
    EXPECT_EQ(roots_.Paths(), (Paths{T("a\\a2"), T("b")}));
    EXPECT_EQ(SavedItems(), (Paths{T("a\\a2"), T("b")}));
    EXPECT_EQ(Shown(T("a\\a2")), CheckState::Checked);
    EXPECT_EQ(Shown(T("a")), CheckState::Partial);
}

TEST_F(FolderPageTest, SavedSelectionEdgeCases) {
    // Wine names the system folder in lower case; the drive and a folder under it, both saved.
    UseModuleXml(XmlWithItems({"C:\\", "C:\\windows"}));
    Open();
    EXPECT_EQ(Shown("C:\\"), CheckState::Checked);
    EXPECT_EQ(Shown("C:\\windows"), CheckState::Checked);
    EXPECT_EQ(DroppedLine(), "");
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{"C:\\"});
    Close();

    // A deleted folder and a letter-case mismatch: the way is opened, nothing is ticked, the
    // line under the tree names both, and the next Next drops them from the file.
    std::string upper = T("b");
    std::transform(upper.begin(), upper.end(), upper.begin(), [](char c) { return static_cast<char>(::toupper(c)); });
    UseModuleXml(XmlWithItems({T("gone\\deeper"), upper}));
    Open();
    EXPECT_TRUE(IsOpen(T()));
    EXPECT_EQ(ShownComputer(), CheckState::Unchecked);
    EXPECT_EQ(Shown(T("b")), CheckState::Unchecked);
    EXPECT_EQ(DroppedLine(), qm::FillIn(qm::FillIn(qm::host::Text("_QM_SavedDropped"), "{count}", "2"), "{list}",
                                        upper + "; " + T("gone\\deeper")))
        << "in order, upper case first";
    EXPECT_EQ(PressNext(), -1);  // nothing ticked: the notice, and the page stays
    EXPECT_EQ(notices_, Paths{qm::host::Text("_Information") + ": " + qm::host::Text("_QM_009")});
    EXPECT_TRUE(SavedItems().empty());
    EXPECT_NE(ReadFile(xmlFile_).find("select_folders"), std::string::npos);
    Close();

    // An empty name stands for the computer node: every drive is ticked.
    UseModuleXml(XmlWithItems({""}));
    Open();
    EXPECT_EQ(ShownComputer(), CheckState::Checked);
    EXPECT_EQ(Shown("C:\\"), CheckState::Checked);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{"C:\\"});
}

TEST_F(FolderPageTest, DocumentsWithoutAPlaceForTheSelection) {
    struct Case { const char* what; const char* content; };
    const Case cases[] = {
        {"no select_folders", "<?xml version=\"1.0\"?>\n<config><other/></config>\n"},
        {"not XML", "this is not XML <<<"},
        {"empty file", ""},
    };
    for (const Case& c : cases) {
        WriteFile(xmlFile_, c.content);
        try {
            qm::host::TheComponents().moduleXml.Load(xmlFile_);
        } catch (const qm::host::ComponentError&) {
            // Start-up decides about a document that does not load; the page must cope either way.
        }
        Open();
        EXPECT_EQ(ShownComputer(), CheckState::Unchecked) << c.what;
        Click("C:\\", TVHT_ONITEMSTATEICON);
        EXPECT_EQ(PressNext(), 0) << c.what;
        EXPECT_EQ(roots_.Paths(), Paths{"C:\\"}) << c.what;
        EXPECT_EQ(ReadFile(xmlFile_), c.content) << c.what;  // never written
        EXPECT_FALSE(qm::ui::HasFatalError()) << c.what;
        Close();
    }
    // No module store at all.
    qm::host::TheComponents().moduleXml.Reset();
    Open();
    Click("C:\\", TVHT_ONITEMSTATEICON);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_FALSE(qm::ui::HasFatalError());
}

TEST_F(FolderPageTest, AReadOnlyDocumentReachesTheTopLevelHandlerAndKeepsTheTicks) {
    UseModuleXml(XmlWithItems({T("a")}));
    Open();
    const std::string before = ReadFile(xmlFile_);
    ::SetFileAttributesW(qm::Widen(xmlFile_).c_str(), FILE_ATTRIBUTE_READONLY);
    Click(T("b"), TVHT_ONITEMSTATEICON);
    PressNext();
    const std::optional<qm::ui::FatalError> error = qm::ui::TakeFatalError();
    ASSERT_TRUE(error.has_value());
    EXPECT_TRUE(FAILED(error->code));
    EXPECT_FALSE(error->message.empty());
    EXPECT_EQ(Shown(T("a")), CheckState::Checked);
    EXPECT_EQ(Shown(T("b")), CheckState::Checked);
    EXPECT_EQ(ReadFile(xmlFile_), before);
    ::SetFileAttributesW(qm::Widen(xmlFile_).c_str(), FILE_ATTRIBUTE_NORMAL);
}

// Stands in for a scan worker that still reads the roots: it ends when its event is set. The
// event is set by a window message, which only arrives if Next keeps the messages flowing.
struct StandInWorker {
    qm::KernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    qm::KernelHandle thread;
    StandInWorker() {
        thread.Reset(::CreateThread(nullptr, 0, [](void* event) -> DWORD {
            ::WaitForSingleObject(static_cast<HANDLE>(event), 30000);
            return 0;
        }, release.Get(), 0, nullptr));
    }
};

struct Messenger {
    static inline StandInWorker* worker = nullptr;
    static inline const qm::wizard::ScanRoots* roots = nullptr;
    static inline Paths rootsSeen;
    static inline LRESULT secondNext = 1;
    static inline std::function<LRESULT()> pressNext;
};

LRESULT CALLBACK MessengerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        Messenger::rootsSeen = Messenger::roots->Paths();  // still the old roots
        Messenger::secondNext = Messenger::pressNext();              // a second Next meanwhile
        ::SetEvent(Messenger::worker->release.Get());
        return 0;
    }
    return ::DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(FolderPageTest, NextWaitsForARunningScanWorkerWhileMessagesFlow) {
    UseModuleXml(kEmptySelection);
    Open();
    Click("C:\\", TVHT_ONITEMSTATEICON);
    roots_.Replace({"old"});
    StandInWorker worker;
    roots_.SetReader(worker.thread.Get());
    EXPECT_TRUE(roots_.ReaderRunning());

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = MessengerProc;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"QmFolderPageMessenger";
    ::RegisterClassW(&windowClass);
    qm::WindowHandle messenger(::CreateWindowW(L"QmFolderPageMessenger", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                               windowClass.hInstance, nullptr));
    Messenger::worker = &worker;
    Messenger::roots = &roots_;
    Messenger::pressNext = [this] { return PressNext(); };
    ::PostMessageW(messenger.Get(), WM_APP, 0, 0);

    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(::WaitForSingleObject(worker.thread.Get(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(Messenger::rootsSeen, Paths{"old"});
    EXPECT_EQ(Messenger::secondNext, -1);
    EXPECT_EQ(roots_.Paths(), Paths{"C:\\"});
    EXPECT_FALSE(roots_.ReaderRunning());
}

// A disk where drive Q: and one folder keep every call waiting until Release (a minute at most,
// so that a failing test still ends). Shared with the loader's threads, which may outlive the
// page and the test.
struct HangingDisk {
    struct State {
        qm::KernelHandle release{::CreateEventW(nullptr, TRUE, FALSE, nullptr)};
        std::atomic<int> waiting{0};
        std::atomic<int> calls{0};
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    qm::folders::DiskAccess Access(qm::folders::DriveInfo c, std::string slowFolder) const {
        auto hang = [state = state] {
            ++state->calls;
            ++state->waiting;
            ::WaitForSingleObject(state->release.Get(), 60000);
            --state->waiting;
        };
        return {[] { return Paths{"C:\\", "Q:\\"}; },
                [c, hang](const std::string& root) -> std::optional<qm::folders::DriveInfo> {
                    if (root == c.rootPath) return c;
                    hang();
                    return qm::folders::DriveInfo{"Late", "Q:\\", "Q:", ""};
                },
                [slowFolder, hang](const std::string& folder, Paths& out) {
                    if (folder == "Q:\\") return out.push_back("Q:\\Shared");
                    if (folder == "Q:\\Shared") return;
                    if (folder == slowFolder) hang();
                    qm::folders::ListSubfolders(folder, out);
                },
                nullptr};
    }
    void Release() const { ::SetEvent(state->release.Get()); }
};

TEST_F(FolderPageTest, DrivesAndFoldersThatDoNotAnswerAreShownAsSuchAndTheWindowKeepsAnswering) {
    tree_.Folder("c\\slow\\inner");
    UseModuleXml(XmlWithItems({T("a"), "Q:\\Shared"}));
    HangingDisk disk;
    Open(disk.Access(drive_[0], T("c\\slow")), std::chrono::milliseconds(300));
    Open(T("c"));  // reads slow's folders, which hang
    const std::string notAnswering = std::string(" ").append(qm::host::Text("_QM_NotAnswering"));
    EXPECT_EQ(disk.state->waiting, 2);
    EXPECT_EQ(ShownText("Q:\\"), "(Q:)" + notAnswering);
    EXPECT_EQ(TreeView_GetNextSibling(page_->TreeWindow(), page_->Item(Node("C:\\"))), page_->Item(Node("Q:\\")));
    EXPECT_EQ(ShownText(T("c\\slow")), "slow" + notAnswering);
    // The rest of the tree works: a was restored with its folders.
    EXPECT_EQ(Shown(T("a")), CheckState::Checked);
    EXPECT_EQ(Shown(T("a\\a1")), CheckState::Checked);

    // Asked from another thread, as the system asks to tell whether a window hangs.
    std::atomic<bool> probed{false};
    LRESULT answered = 0;
    std::thread probe([&] {
        DWORD_PTR result = 0;
        answered = ::SendMessageTimeoutW(page_->Window(), WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result);
        probed = true;
    });
    while (!probed) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        Pump();
    }
    probe.join();
    EXPECT_NE(answered, 0);
    EXPECT_EQ(disk.state->waiting, 2);  // both calls still hang

    // Next takes the ticks as they stand; the saved path on the silent drive is kept, not scanned.
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{T("a")});
    EXPECT_EQ(SavedItems(), (Paths{T("a"), "Q:\\Shared"}));

    // Opening the silent folder asks again.
    Open(T("c\\slow"));
    EXPECT_EQ(disk.state->calls, 3);
    EXPECT_EQ(ShownText(T("c\\slow")), "slow" + notAnswering);

    // The answers come at last: the drive gets its label and folders, the saved path is ticked.
    disk.Release();
    const DWORD start = ::GetTickCount();
    while (page_->Model().Ticks().State(page_->Model().Ticks().TopLevel().front()) != CheckState::Partial ||
           Node("Q:\\Shared") == CheckTree::kNone || Node(T("c\\slow\\inner")) == CheckTree::kNone ||
           Shown("Q:\\Shared") != CheckState::Checked) {
        ASSERT_LT(::GetTickCount() - start, 30000u) << "the late answers never arrived";
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        Settle();
    }
    EXPECT_EQ(ShownText("Q:\\"), "Late (Q:)");
    EXPECT_EQ(ShownText(T("c\\slow")), "slow");
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), (Paths{T("a"), "Q:\\"}));  // Shared is all Q: holds
}

TEST_F(FolderPageTest, ClosingTheWizardWhileADriveHangsWaitsForNothing) {
    UseModuleXml(kEmptySelection);
    HangingDisk disk;
    Open(disk.Access(drive_[0], ""), std::chrono::milliseconds(300));
    Close();
    EXPECT_EQ(disk.state->waiting, 1);  // the page is gone, the call still hangs
    disk.Release();
    // The call returns into state the page no longer owns and posts to a window that is gone.
    const DWORD start = ::GetTickCount();
    while (disk.state.use_count() > 1) {
        ASSERT_LT(::GetTickCount() - start, 30000u) << "the worker never ended";
        ::Sleep(10);
        Pump();
    }
    EXPECT_FALSE(qm::ui::HasFatalError());
}

// Folders whose paths pass the classic 260-character limit, made and removed with the
// extended-length prefix.
struct LongPath {
    std::vector<std::string> folders;
    explicit LongPath(const std::string& base) {
        std::string path = base;
        for (char c = 'a'; c < 'g'; ++c) folders.push_back(path += "\\" + std::string(50, c));
        folders.push_back(path + "\\leaf");
        // A sibling keeps the deep folder from standing for its whole parent.
        folders.push_back(path.substr(0, path.rfind('\\')) + "\\other");
        for (const std::string& folder : folders) ::CreateDirectoryW((L"\\\\?\\" + qm::Widen(folder)).c_str(), nullptr);
    }
    ~LongPath() {
        for (auto folder = folders.rbegin(); folder != folders.rend(); ++folder)
            ::RemoveDirectoryW((L"\\\\?\\" + qm::Widen(*folder)).c_str());
    }
    const std::string& Deep() const { return folders[5]; }
};

TEST_F(FolderPageTest, PathsLongerThanTheClassicLimitOpenAndTick) {
    const LongPath tree(T());
    ASSERT_GT(tree.Deep().size(), static_cast<std::size_t>(MAX_PATH));
    ASSERT_NE(::GetFileAttributesW((L"\\\\?\\" + qm::Widen(tree.Deep() + "\\leaf")).c_str()), INVALID_FILE_ATTRIBUTES);
    UseModuleXml(XmlWithItems({tree.Deep()}));
    Open();
    ASSERT_NE(Node(tree.Deep()), CheckTree::kNone);
    EXPECT_EQ(Shown(tree.Deep()), CheckState::Checked);
    EXPECT_EQ(ShownText(tree.Deep()), std::string(50, 'f'));
    // Its own folders were read too (one level ahead), and ticked with it.
    ASSERT_NE(Node(tree.Deep() + "\\leaf"), CheckTree::kNone);
    EXPECT_EQ(Shown(tree.Deep() + "\\leaf"), CheckState::Checked);
    EXPECT_EQ(PressNext(), 0);
    EXPECT_EQ(roots_.Paths(), Paths{tree.Deep()});
}

}  // namespace
