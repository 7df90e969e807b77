// The results page in a real wizard sheet under Wine, with the real language component: filling
// from the result store, ticks, sorting, the context menu and keys, and the repair actions on
// real files (the Recycle Bin is Wine's XDG trash under the private XDG_DATA_HOME), saving the
// list through the real save-file dialog.
#include "results/ResultsPage.h"
#include "results/TargetExplanation.h"

#include "ui/AppModule.h"
#include "ui/FatalError.h"
#include "base/PathSplit.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/ResultsPage.h"
#include "wizard/ResultStore.h"
#include "base/win/FileTimes.h"
#include "base/win/SystemText.h"
#include "suite/lnk/InternetShortcut.h"
#include "suite/lnk/ShellLink.h"
#include "tests/base/ReportParsers.h"
#include "tests/controls/AccessibilityWalk.h"
#include "tests/controls/WindowTestKit.h"
#include "base/PathSplit.h"
#include "tests/results/DialogScript.h"
#include "tests/results/FolderState.h"
#include "tests/results/ScratchFolder.h"
#include "res/dialogs/IgnoreList.h"
#include "res/dialogs/PastChanges.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace qm::results {
namespace {

using test::Bytes;
using test::DialogScript;
using test::ScratchFolder;
using Texts = std::vector<std::string>;

void Pump() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) continue;
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

std::wstring W(const char* key) { return Widen(host::Text(key)); }

Bytes LinkTo(const std::string& target, const std::string& arguments = {}, const std::string& icon = {}) {
    lnkwriter::LinkFields linkFields;
    linkFields.localBasePath = target;
    linkFields.idListPath = target;
    linkFields.arguments = arguments;
    linkFields.iconLocation = icon;
    return lnkwriter::BuildLink(linkFields);
}

std::string Fill(const char* key, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    return FillPlaceholders(host::Text(key), values);
}

void WriteFile(const std::string& path, const std::string& text) {
    test::WriteBytes(path, Bytes(text.begin(), text.end()));
}

class ResultsPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static ComApartment apartment;
        ui::TheAppModule().Init(::GetModuleHandleW(nullptr));
        INITCOMMONCONTROLSEX init{sizeof(init), ICC_LISTVIEW_CLASSES};
        ::InitCommonControlsEx(&init);
    }

    void SetUp() override {
        auto& components = host::TheComponents();
        ASSERT_TRUE(SUCCEEDED(host::ConfigComponent::Create(components.config)));
        WriteFile(files_.Path("config.ini"), "[quillmend_module]\nshowstartup=1\n");
        components.config.Load(files_.Path("config.ini"));
        ASSERT_TRUE(SUCCEEDED(host::LanguageComponent::Create(components.language)));
        components.language.Load(QM_LANGUAGE_FILE);
        ASSERT_TRUE(SUCCEEDED(host::BackupComponent::Create(components.backup)));
        components.backup.SetBackupDir(files_.Path("backup"));
        WriteFile(files_.Path("QuillMend.xml"), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n  <select_folders/>\r\n</config>\r\n");
        LoadModuleXml();
        ASSERT_TRUE(SUCCEEDED(host::FileFinderComponent::Create(components.finder)));
    }

    void TearDown() override {
        if (sheet_) ::DestroyWindow(sheet_);
        Pump();
        page_.reset();
        EXPECT_FALSE(ui::HasFatalError());
        while (ui::TakeFatalError()) {}
        host::TheComponents().finder.Reset();
        host::TheComponents().backup.Reset();
        host::TheComponents().moduleXml.Reset();
        host::TheComponents().language.Reset();
        host::TheComponents().config.Reset();
    }

    // The module XML document read again from its file, as at a start.
    void LoadModuleXml() {
        host::XmlStoreComponent& store = host::TheComponents().moduleXml;
        store.Reset();
        ASSERT_TRUE(SUCCEEDED(host::XmlStoreComponent::Create(store)));
        store.Load(files_.Path("QuillMend.xml"));
    }

    // A broken shortcut on disk and its record in the store.
    std::string AddShortcut(const std::string& name, const std::string& target, const std::string& folder = "") {
        const std::string where = folder.empty() ? tree_.Root() : folder;
        const std::string path = where + "\\" + name;
        test::WriteBytes(path, LinkTo(target));
        findings_.Append({name, where, target, "TargetMissing"});
        return path;
    }

    // A broken shortcut (with arguments and an icon) whose target "gone\<exe>" went to `suggestion`,
    // as the search for moved targets records it.
    std::string AddMoved(const std::string& name, const std::string& exe, const std::string& suggestion,
                         const std::string& confidence) {
        const std::string gone = tree_.Path("gone\\" + exe);
        const std::string path = tree_.Path(name);
        test::WriteBytes(path, LinkTo(gone, "--open " + name, "C:\\Icons\\" + name + ".ico,2"));
        wizard::BrokenShortcut record;
        record.name = name;
        record.folder = tree_.Root();
        record.target = gone;
        record.reason = "TargetMissing";
        record.goneKind = wizard::GoneKind::ItemNotInFolder;
        record.goneName = exe;
        record.goneFolder = tree_.Path("gone");
        record.suggestion = suggestion;
        record.confidence = suggestion.empty() ? wizard::Confidence::None : wizard::ConfidenceOfName(confidence);
        findings_.Append(record);
        return path;
    }

    void Select(int row) {
        ListView_SetItemState(page_->ListWindow(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        Pump();
    }
    bool Enabled(int id) const { return ::IsWindowEnabled(::GetDlgItem(page_->Window(), id)) != FALSE; }
    int RowNamed(const std::string& name) const {
        for (int row = 0; row < page_->RowCount(); ++row)
            if (page_->RowText(row, 0) == name) return row;
        return -1;
    }
    // The row's info tip, as the list asks its page for it.
    std::string InfoTip(int row) const {
        wchar_t buffer[1024] = L"cut-off item text";
        NMLVGETINFOTIPW tip{};
        tip.hdr.hwndFrom = page_->ListWindow();
        tip.hdr.idFrom = IDC_RESULTS_LIST;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = buffer;
        tip.cchTextMax = 1024;
        tip.iItem = row;
        ::SendMessageW(page_->Window(), WM_NOTIFY, IDC_RESULTS_LIST, reinterpret_cast<LPARAM>(&tip));
        return Narrow(buffer);
    }

    // Starts the page in a modeless wizard sheet; the sheet activates it at once. `columns`:
    // the widths the wizard remembered.
    void Open(std::vector<long> columns = {}) {
        page_ = std::make_unique<ResultsPage>(findings_);
        page_->UseColumnWidths(std::move(columns));
        page_->SetMenuChooser([this](HMENU menu, POINT, HWND) {
            ++menus_;
            propertiesOffered_.push_back(!(::GetMenuState(menu, kProperties, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)));
            return menuAnswer_;
        });
        page_->SetExplorerLauncher([this](const std::wstring& parameters) { explorer_.push_back(parameters); });
        page_->SetPropertiesLauncher([this](HWND owner, const std::wstring& file) { properties_.push_back({owner, file}); });
        page_->SetPlacesFinder([this] { return places_; });
        HPROPSHEETPAGE pages[] = {page_->CreatePage()};
        PROPSHEETHEADERW header{};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS | PSH_WIZARD;
        header.hInstance = ::GetModuleHandleW(nullptr);
        header.nPages = 1;
        header.phpage = pages;
        sheet_ = reinterpret_cast<HWND>(::PropertySheetW(&header));
        ASSERT_NE(sheet_, nullptr);
        Pump();
        ASSERT_NE(page_->ListWindow(), nullptr);
    }

    LRESULT SheetNotify(int code) {
        PSHNOTIFY notify{};
        notify.hdr.hwndFrom = sheet_;
        notify.hdr.code = static_cast<UINT>(code);
        ::SendMessageW(page_->Window(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&notify));
        return ::GetWindowLongPtrW(page_->Window(), DWLP_MSGRESULT);
    }

    // What the list sends its page: a click on a column header, a right click.
    void ListNotify(UINT code, int item = -1, int subItem = 0) {
        NMLISTVIEW notify{};
        notify.hdr.hwndFrom = page_->ListWindow();
        notify.hdr.idFrom = IDC_RESULTS_LIST;
        notify.hdr.code = code;
        notify.iItem = item;
        notify.iSubItem = subItem;
        ::SendMessageW(page_->Window(), WM_NOTIFY, IDC_RESULTS_LIST, reinterpret_cast<LPARAM>(&notify));
        Pump();
    }

    void Button(int id) {
        ::SendMessageW(page_->Window(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(page_->Window(), id)));
        Pump();
    }

    // What the list shows in a cell: asked of the list, which asks the page for the text, as it
    // does when it draws.
    std::string Shown(int row, int column) const {
        std::wstring text(32768, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(text.size());
        ::SendMessageW(page_->ListWindow(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
        text.resize(::wcslen(text.c_str()));
        return Narrow(text);
    }
    Texts Column(int column) const {
        Texts texts;
        for (int row = 0; row < page_->RowCount(); ++row) {
            texts.push_back(Shown(row, column));
            EXPECT_EQ(page_->RowText(row, column), texts.back()) << "row " << row << ", column " << column;
        }
        return texts;
    }
    std::wstring ColumnHeader(int column) const {
        wchar_t text[256] = {};
        LVCOLUMNW item{};
        item.mask = LVCF_TEXT;
        item.pszText = text;
        item.cchTextMax = 256;
        ::SendMessageW(page_->ListWindow(), LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(&item));
        return text;
    }
    std::vector<bool> Ticks() const {
        std::vector<bool> ticks;
        for (int row = 0; row < page_->RowCount(); ++row) ticks.push_back(page_->IsTicked(row));
        return ticks;
    }
    int Selected() const { return ListView_GetNextItem(page_->ListWindow(), -1, LVNI_SELECTED); }
    int Focused() const { return ListView_GetNextItem(page_->ListWindow(), -1, LVNI_FOCUSED); }

    ScratchFolder files_;
    ScratchFolder tree_;
    wizard::ResultStore findings_;  // the last scan's, as the wizard hands them on
    std::unique_ptr<ResultsPage> page_;
    HWND sheet_ = nullptr;
    int menus_ = 0;
    UINT menuAnswer_ = 0;
    std::vector<std::wstring> explorer_;
    std::vector<bool> propertiesOffered_;  // by each menu shown
    std::vector<std::pair<HWND, std::wstring>> properties_;
    std::vector<UsualPlaceFolder> places_;  // the usual places the page is given
};

TEST_F(ResultsPageTest, AnEmptyStoreShowsTheBoxAndAnEmptyListThatSaysWhatWasSearched) {
    findings_.SetCoverage({42, 1234});
    DialogScript script({DialogScript::Press(IDOK)});
    Open();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].text, W("_QM_034"));
    EXPECT_EQ(script.Seen()[0].caption, W("_Information"));
    EXPECT_EQ(page_->RowCount(), 0);
    // The page itself is never blank: the line under the list says what the scan covered.
    EXPECT_TRUE(::IsWindowVisible(::GetDlgItem(page_->Window(), IDC_RESULTS_SEARCHED)));
    EXPECT_EQ(page_->CoverageText(), Fill("_QM_Searched", {{"broken", "0"}, {"checked", "1234"}, {"folders", "42"}}));
    EXPECT_EQ(SheetNotify(PSN_WIZBACK), IDD_FOLDER_PAGE) << "Back skips the scan page";
}

TEST_F(ResultsPageTest, TheColumnWidthsTheWizardRememberedAreShown) {
    AddShortcut("a.lnk", "C:\\Gone\\a.exe");
    const std::vector<long> remembered{90, 140, 160, 120, 70};
    Open(remembered);
    EXPECT_EQ(page_->ColumnWidths(), remembered);
}

TEST_F(ResultsPageTest, RowsComeFromTheStoreAndAreRebuiltOnEveryVisit) {
    const std::string deep = tree_.Folder(std::string(130, 'l') + "\\" + std::string(130, 'm') + "\\\u00DCn\u00EF");
    AddShortcut("first.lnk", "C:\\Gone\\Deeper\\a.exe");
    const std::string deleted = AddShortcut("deleted.lnk", "C:\\x\\b.exe");
    AddShortcut("root.lnk", "D:\\c.exe");
    AddShortcut("\u65E5\u672C.lnk", "C:\\\u00DCn\u00EF\\\u76EE\u5F55\\d.exe", deep);
    const std::string foreign = tree_.File("foreign.lnk", Bytes(64, 'x'));
    findings_.Append({"foreign.lnk", tree_.Root(), "C:\\y.exe", "TargetMissing"});
    // A record the engine gave no target: the stored one is shown.
    test::WriteBytes(tree_.Path("stored.lnk"), LinkTo("E:\\Stored\\e.exe"));
    findings_.Append({"stored.lnk", tree_.Root(), "", "TargetMissing"});
    ::DeleteFileW(Widen(deleted).c_str());  // removed after the scan

    Open();
    const Texts names = {"first.lnk", "root.lnk", "\u65E5\u672C.lnk", "stored.lnk"};
    EXPECT_EQ(Column(0), names);
    EXPECT_EQ(Column(1), (Texts{tree_.Root(), tree_.Root(), deep, tree_.Root()}));
    EXPECT_EQ(Column(2), (Texts{"C:\\Gone\\Deeper", "D:", "C:\\\u00DCn\u00EF\\\u76EE\u5F55", "E:\\Stored"}));
    EXPECT_EQ(page_->ImageCount(), 1) << "one image per distinct icon";

    // Ticks and order are lost when the user leaves and comes back; the image list does not grow.
    page_->SetTicked(1, true);
    ListNotify(LVN_COLUMNCLICK, -1, 0);
    ASSERT_NE(Column(0), names);
    SheetNotify(PSN_SETACTIVE);
    Pump();
    EXPECT_EQ(Column(0), names);
    EXPECT_EQ(Ticks(), std::vector<bool>(4, false));
    EXPECT_EQ(page_->ImageCount(), 1);
    for (int row = 0; row < 4; ++row) EXPECT_EQ(page_->RowImage(row), 0);
}

// A shortcut the search listed and read is not read again while its size and write time are
// the same; one that changed in either is, and gets no row once it is no longer a shortcut.
TEST_F(ResultsPageTest, AShortcutTheSearchListedIsReadAgainOnlyWhenItChanged) {
    const auto listed = [&](const std::string& name) {
        const std::string path = AddShortcut(name, "C:\\Gone\\" + name + ".exe");
        WIN32_FILE_ATTRIBUTE_DATA data{};
        EXPECT_TRUE(::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data));
        wizard::BrokenShortcut& record = findings_.At(findings_.Count() - 1);
        record.fileSize = data.nFileSizeLow;
        record.fileWriteTime = FileTimeValue(data.ftLastWriteTime);
        return std::make_pair(path, data);
    };
    // Held open by a program that lets nobody read it: unchanged, so its row comes all the same.
    const auto [locked, lockedData] = listed("locked.lnk");
    FileHandle holder(::CreateFileW(Widen(locked).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    // Written over with other bytes since: another size at the same time, or the same size at
    // another time.
    const auto writeTime = [](const std::string& path, FILETIME time) {
        FileHandle file(::CreateFileW(Widen(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        return file && ::SetFileTime(file.Get(), nullptr, nullptr, &time);
    };
    const auto [resized, resizedData] = listed("resized.lnk");
    test::WriteBytes(resized, Bytes(64, 'x'));
    ASSERT_TRUE(writeTime(resized, resizedData.ftLastWriteTime));
    const auto [retimed, retimedData] = listed("retimed.lnk");
    test::WriteBytes(retimed, Bytes(retimedData.nFileSizeLow, 'x'));
    FILETIME later = retimedData.ftLastWriteTime;
    later.dwHighDateTime += 1;
    ASSERT_TRUE(writeTime(retimed, later));

    Open();
    EXPECT_EQ(Column(0), Texts{"locked.lnk"});
    EXPECT_EQ(Column(2), Texts{"C:\\Gone"});
}

TEST_F(ResultsPageTest, TickOperations) {
    for (const char* name : {"a.lnk", "b.lnk", "c.lnk", "d.lnk"}) AddShortcut(name, "C:\\gone.exe");
    Open();
    ASSERT_EQ(page_->RowCount(), 4);
    ASSERT_EQ(Selected(), -1);
    Button(IDC_RESULTS_CHECK_ALL);
    EXPECT_EQ(Ticks(), std::vector<bool>(4, true));
    EXPECT_EQ(Selected(), 0) << "with no selection, row 0 ends selected";
    EXPECT_EQ(Focused(), 0);

    Button(IDC_RESULTS_UNCHECK_ALL);
    EXPECT_EQ(Ticks(), std::vector<bool>(4, false));
    page_->SetTicked(1, true);
    page_->SetTicked(2, true);
    ListNotify(NM_CLICK, 3);
    EXPECT_EQ(Selected(), 3);
    page_->InvertChecks();
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, false, false, true}));
    EXPECT_EQ(Selected(), 3) << "the selected row stays selected";
}

TEST_F(ResultsPageTest, HeaderClicksSortWithOneSharedDirection) {
    AddShortcut("b.lnk", "C:\\t\\1.exe", tree_.Folder("Beta"));
    AddShortcut("a.lnk", "C:\\t\\2.exe", tree_.Folder("alpha"));
    AddShortcut("c.lnk", "C:\\t\\3.exe", tree_.Folder("Alpha"));
    Open();
    const std::string root = tree_.Root();
    ListNotify(LVN_COLUMNCLICK, -1, 1);
    EXPECT_EQ(Column(1), (Texts{root + "\\alpha", root + "\\Beta", root + "\\Alpha"})) << "first click: descending bytes";
    ListNotify(LVN_COLUMNCLICK, -1, 1);
    EXPECT_EQ(Column(1), (Texts{root + "\\Alpha", root + "\\Beta", root + "\\alpha"})) << "second click: ascending";
    ListNotify(LVN_COLUMNCLICK, -1, 0);
    EXPECT_EQ(Column(0), (Texts{"c.lnk", "b.lnk", "a.lnk"})) << "the one flag is back at descending";
    EXPECT_EQ(Column(1), (Texts{root + "\\Alpha", root + "\\Beta", root + "\\alpha"})) << "rows move whole";
}

TEST_F(ResultsPageTest, ContextMenuOpensOnlyAtASelectedRowByMouseOrKey) {
    const std::string commas = tree_.Folder("Old, new");
    AddShortcut("My app, v2.lnk", "C:\\gone.exe", commas);
    Open();
    ListNotify(NM_RCLICK);
    EXPECT_EQ(menus_, 0) << "no row selected: no menu";

    ListNotify(NM_CLICK, 0);
    menuAnswer_ = kShowInExplorer;
    ListNotify(NM_RCLICK, 0);
    EXPECT_EQ(menus_, 1);
    ASSERT_EQ(explorer_.size(), 1u);
    EXPECT_EQ(explorer_[0], L"/e,/select,\"" + Widen(commas) + L"\\My app, v2.lnk\"");

    menuAnswer_ = 0;
    // The context-menu key and Shift+F10 on the list.
    ::SendMessageW(page_->ListWindow(), WM_KEYDOWN, VK_APPS, 0);
    ::SendMessageW(page_->ListWindow(), WM_KEYUP, VK_APPS, 0xC0000001);
    Pump();
    EXPECT_EQ(menus_, 2) << "menu key";
    BYTE keys[256] = {};
    ::GetKeyboardState(keys);
    keys[VK_SHIFT] = 0x80;
    ::SetKeyboardState(keys);
    ::SendMessageW(page_->ListWindow(), WM_SYSKEYDOWN, VK_F10, 0);
    ::SendMessageW(page_->ListWindow(), WM_SYSKEYUP, VK_F10, 0xC0000001);
    keys[VK_SHIFT] = 0;
    ::SetKeyboardState(keys);
    Pump();
    EXPECT_EQ(menus_, 3) << "Shift+F10";

    menuAnswer_ = kTickAll;
    ListNotify(NM_RCLICK, 0);
    EXPECT_EQ(Ticks(), std::vector<bool>{true});
}

// The shell's property sheet gets the selected row's own shortcut, owned by the wizard; a row
// whose file went since the scan offers no properties, and choosing them anyway hands nothing on.
TEST_F(ResultsPageTest, PropertiesHandOverTheRowsShortcutOnlyWhileItIsThere) {
    const std::string first = AddShortcut("first.lnk", "C:\\gone.exe");
    const std::string second = AddShortcut("My app, v2 \u65E5.lnk", "C:\\gone.exe", tree_.Folder("Old, new \u00C4"));
    Open();
    menuAnswer_ = kProperties;
    ListNotify(NM_CLICK, 1);
    ListNotify(NM_RCLICK, 1);
    ASSERT_EQ(properties_.size(), 1u);
    EXPECT_EQ(properties_[0].first, sheet_);
    EXPECT_EQ(properties_[0].second, Widen(second));

    ::DeleteFileW(Widen(second).c_str());
    ListNotify(NM_RCLICK, 1);
    EXPECT_EQ(properties_.size(), 1u) << "nothing handed on for a file that is gone";

    ListNotify(NM_CLICK, 0);
    ListNotify(NM_RCLICK, 0);
    ASSERT_EQ(properties_.size(), 2u);
    EXPECT_EQ(properties_[1].second, Widen(first));
    EXPECT_EQ(propertiesOffered_, (std::vector<bool>{true, false, true}));
}

TEST_F(ResultsPageTest, DeleteWithNothingTickedShowsTheBoxAndDeletesNothing) {
    const std::string a = AddShortcut("a.lnk", "C:\\gone.exe");
    Open();
    DialogScript script({DialogScript::Press(IDOK)});
    // The Delete key on the list does what the button does.
    ::SendMessageW(page_->ListWindow(), WM_KEYDOWN, VK_DELETE, 0);
    Pump();
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].text, W("_QM_031"));
    EXPECT_EQ(test::Attributes(a) != INVALID_FILE_ATTRIBUTES, true);
    EXPECT_EQ(page_->RowCount(), 1);
}

// The private trash Wine uses, as a Windows path.
std::string TrashFolder() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (!data || !*data) return {};
    std::string path = std::string("Z:") + data + "/Trash";
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

TEST_F(ResultsPageTest, DeleteMovesTheTickedFilesToTheRecycleBinAndKeepsTheOtherRows) {
    const std::string trash = TrashFolder();
    ASSERT_FALSE(trash.empty()) << "the test needs a private XDG_DATA_HOME";
    const std::string tag = std::to_string(::GetCurrentProcessId());
    std::vector<std::string> paths;
    for (const char* name : {"keep1-", "gone1-", "keep2-", "gone2-"}) paths.push_back(AddShortcut(name + tag + ".lnk", "C:\\gone.exe"));
    Bytes original;
    ASSERT_TRUE(test::ReadBytes(paths[1], original));
    Open();
    page_->SetTicked(1, true);
    page_->SetTicked(3, true);
    ::ShowWindow(sheet_, SW_SHOWNA);
    testkit::PumpUntilIdle();
    const std::wstring before = testkit::SaveWindowSnapshot(sheet_, L"ResultsPage-before-delete");
    DialogScript script({DialogScript::Press(IDYES)});  // the shell's own confirmation
    Button(IDC_RESULTS_DELETE);
    testkit::PumpUntilIdle();
    const std::wstring after = testkit::SaveWindowSnapshot(sheet_, L"ResultsPage-after-delete");
    for (const std::wstring& shot : {before, after})
        if (!shot.empty()) std::printf("[ artifact ] %s\n", Narrow(shot).c_str());
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_EQ(Column(0), (Texts{"keep1-" + tag + ".lnk", "keep2-" + tag + ".lnk"}));
    EXPECT_EQ(Ticks(), (std::vector<bool>{false, false}));
    for (int i : {1, 3}) {
        const std::string name = "gone" + std::to_string(i / 2 + 1) + "-" + tag + ".lnk";
        EXPECT_EQ(test::Attributes(paths[i]), INVALID_FILE_ATTRIBUTES) << name;
        Bytes inTrash;
        ASSERT_TRUE(test::ReadBytes(trash + "\\files\\" + name, inTrash)) << name;
        EXPECT_EQ(inTrash, original) << name;
        Bytes info;
        ASSERT_TRUE(test::ReadBytes(trash + "\\info\\" + name + ".trashinfo", info)) << name;
        const std::string text(info.begin(), info.end());
        EXPECT_NE(text.find("Path="), std::string::npos) << text;
        EXPECT_NE(text.find("/" + name), std::string::npos) << text;
    }
    for (int i : {0, 2}) EXPECT_NE(test::Attributes(paths[i]), INVALID_FILE_ATTRIBUTES);
}

// Judged again just before Delete and Repair certain: a shortcut whose target came back after the
// scan, or whose file was changed since, stays as it is and leaves the list, and one box says how
// many; the one still broken goes. A row selected after its file changed explains it anew.
TEST_F(ResultsPageTest, DeleteAndRepairLeaveAShortcutThatWorksNowOrChangedSinceTheScan) {
    const auto stamped = [&](const std::string& name, const std::string& target) {
        const std::string path = AddShortcut(name, target);
        WIN32_FILE_ATTRIBUTE_DATA data{};
        EXPECT_TRUE(::GetFileAttributesExW(Widen(path).c_str(), GetFileExInfoStandard, &data));
        wizard::BrokenShortcut& record = findings_.At(findings_.Count() - 1);
        record.fileSize = data.nFileSizeLow;
        record.fileWriteTime = FileTimeValue(data.ftLastWriteTime);
        return path;
    };
    const std::string back = stamped("back.lnk", tree_.Path("back.exe"));
    const std::string changed = stamped("changed.lnk", "C:\\Gone\\changed.exe");
    const std::string broken = stamped("broken.lnk", "C:\\Gone\\broken.exe");
    const std::string repaired = AddMoved("repaired.lnk", "r.exe", tree_.File("r-new.exe", Bytes(2, 'r')), "Certain");
    Open();
    ASSERT_EQ(page_->RowCount(), 4);
    // After the scan: the target comes back (a drive plugged in again), one shortcut is written
    // anew by another program, and the repaired one's old target comes back too.
    tree_.File("back.exe", Bytes(4, 'b'));
    test::WriteBytes(changed, LinkTo("C:\\Gone\\other.exe"));
    FILETIME later{};
    ::GetSystemTimeAsFileTime(&later);
    later.dwHighDateTime += 1;
    {
        FileHandle file(::CreateFileW(Widen(changed).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file && ::SetFileTime(file.Get(), nullptr, nullptr, &later));
    }
    tree_.Folder("gone");
    tree_.File("gone\\r.exe", Bytes(3, 'o'));
    Bytes backBefore, changedBefore, repairedBefore;
    ASSERT_TRUE(test::ReadBytes(back, backBefore) && test::ReadBytes(changed, changedBefore) &&
                test::ReadBytes(repaired, repairedBefore));

    Select(RowNamed("changed.lnk"));
    EXPECT_NE(page_->ExplanationText().find("C:\\Gone\\other.exe"), std::string::npos) << page_->ExplanationText();
    EXPECT_EQ(Shown(RowNamed("changed.lnk"), 2), "C:\\Gone");

    page_->CheckAll();
    page_->SetTicked(RowNamed("repaired.lnk"), false);
    {
        DialogScript script({DialogScript::Press(IDOK), DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_DELETE);
        EXPECT_EQ(script.Unexpected(), 0);
        ASSERT_GE(script.Seen().size(), 1u);
        EXPECT_EQ(Narrow(script.Seen()[0].text), Fill("_QM_KeptNotBroken", {{"count", "2"}}));
    }
    EXPECT_EQ(Column(0), Texts{"repaired.lnk"});
    EXPECT_EQ(test::Attributes(broken), INVALID_FILE_ATTRIBUTES) << "the one still broken went";
    Bytes backAfter, changedAfter, repairedAfter;
    ASSERT_TRUE(test::ReadBytes(back, backAfter) && test::ReadBytes(changed, changedAfter));
    EXPECT_EQ(backAfter, backBefore) << "a shortcut that works is never deleted";
    EXPECT_EQ(changedAfter, changedBefore);

    page_->CheckAll();
    {
        DialogScript script({DialogScript::Press(IDOK)});
        Button(IDC_RESULTS_REPAIR_CERTAIN);
        EXPECT_EQ(script.Unexpected(), 0);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(Narrow(script.Seen()[0].text), Fill("_QM_KeptNotBroken", {{"count", "1"}}));
    }
    EXPECT_EQ(page_->RowCount(), 0);
    ASSERT_TRUE(test::ReadBytes(repaired, repairedAfter));
    EXPECT_EQ(repairedAfter, repairedBefore) << "a shortcut that works is not re-targeted";
}

// One ticked file cannot go (it lies in the fixture's folder that cannot be written): exactly
// the rows whose files went are removed, and the user is told how many remain.
TEST_F(ResultsPageTest, APartialDeleteRemovesExactlyTheRowsWhoseFilesWent) {
    const char* locked = std::getenv("QM_LOCKED_FOLDER");
    Bytes marker;
    if (!locked || !*locked || test::ReadBytes(std::string(locked) + "\\unlocked", marker))
        GTEST_SKIP() << "no folder that cannot be written on this system";
    const std::string tag = std::to_string(::GetCurrentProcessId());
    // The shell stops at the first file it cannot move: that one comes last here.
    const std::string first = AddShortcut("p1-" + tag + ".lnk", "C:\\gone.exe");
    const std::string last = AddShortcut("p2-" + tag + ".lnk", "C:\\gone.exe");
    findings_.Append({"locked.lnk", locked, "C:\\gone.exe", "TargetMissing"});
    // The fixture's locked.lnk names no target, which the finder never calls broken: without the
    // finder the scan's word stands.
    host::TheComponents().finder.Reset();
    Open();
    ASSERT_EQ(page_->RowCount(), 3);
    page_->CheckAll();
    // The shell's confirmation; its question whether to delete for good what it could not move
    // (declined); the page's count.
    DialogScript script({DialogScript::Press(IDYES), DialogScript::Press(IDNO), DialogScript::Press(IDOK)});
    Button(IDC_RESULTS_DELETE);
    EXPECT_EQ(Column(0), Texts{"locked.lnk"});
    EXPECT_EQ(Ticks(), std::vector<bool>{true}) << "the row that remains stays ticked";
    EXPECT_EQ(test::Attributes(first), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(test::Attributes(last), INVALID_FILE_ATTRIBUTES);
    ASSERT_EQ(script.Seen().size(), 3u);
    // The count, then each file that stayed with the reason.
    const std::string told = Narrow(script.Seen()[2].text);
    EXPECT_EQ(told.rfind(Fill("_QM_040", {{"count", "1"}}) + "\n\n" + std::string(locked) + "\\locked.lnk: ", 0), 0u) << told;
}

// A re-target that cannot replace the file (another program holds it) says which file and the
// system's reason in words, never a bare number; the file stays as it was.
TEST_F(ResultsPageTest, ARetargetThatFailsNamesTheFileAndTheReason) {
    const std::string link = AddShortcut("held.lnk", "C:\\Gone\\held.exe");
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    Bytes before;
    ASSERT_TRUE(test::ReadBytes(link, before));
    Open();
    FileHandle held(::CreateFileW(FileApiPath(link).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(held);
    DialogScript script({DialogScript::OpenFile(Widen(chosen)), DialogScript::Press(IDOK)});
    page_->RetargetRow(0);
    EXPECT_EQ(script.Unexpected(), 0);
    ASSERT_EQ(script.Seen().size(), 2u);
    const std::string told = Narrow(script.Seen()[1].text);
    const std::string start = host::Text("_QM_038") + "\n\n" + link + "\n";
    EXPECT_EQ(told.rfind(start, 0), 0u) << told;
    EXPECT_GT(told.size(), start.size() + 5) << "the system's reason follows";
    EXPECT_EQ(told.find("(error"), std::string::npos) << told;
    held.Reset();
    Bytes after;
    ASSERT_TRUE(test::ReadBytes(link, after));
    EXPECT_EQ(after, before);
}

TEST_F(ResultsPageTest, RetargetThroughTheOpenFileDialog) {
    const std::string link = AddShortcut("app.lnk", tree_.Path("gone\\deeper\\app.exe"));
    test::WriteBytes(link, LinkTo(tree_.Path("gone\\deeper\\app.exe"), "--keep me"));
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    Open();
    page_->SetTicked(0, true);
    Bytes before;
    ASSERT_TRUE(test::ReadBytes(link, before));

    {   // Cancelled: nothing changes, nothing is said.
        DialogScript script({DialogScript::Press(IDCANCEL)});
        page_->RetargetRow(0);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].caption, W("_QM_032"));
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(link, after));
        EXPECT_EQ(after, before);
        EXPECT_EQ(Shown(0, 2), tree_.Path("gone\\deeper"));
    }
    {   // A file chosen: the shortcut opens it and keeps its arguments; the row keeps its tick.
        Select(0);
        DialogScript script({DialogScript::OpenFile(Widen(chosen))});
        page_->RetargetRow(0);
        EXPECT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Unexpected(), 0);
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(link, after));
        const lnk::ShellLinkInfo info = lnk::ParseShellLink(after.data(), after.size());
        EXPECT_EQ(info.LocalPath(), chosen);
        EXPECT_EQ(info.arguments, "--keep me");
        EXPECT_EQ(Shown(0, 2), tree_.Root());
        EXPECT_TRUE(page_->IsTicked(0));
        EXPECT_EQ(Shown(0, 0), "app.lnk");
        // The row stays, and the line under the list no longer calls the new target missing.
        EXPECT_EQ(page_->ExplanationText(), "This shortcut now opens " + chosen + ".");
    }
}

std::string ReadText(const std::string& path) {
    Bytes bytes;
    return test::ReadBytes(path, bytes) ? std::string(bytes.begin(), bytes.end()) : "<missing>";
}

// The save-file dialog's answer: keeps the file name the dialog proposed, then types `path`.
DialogScript::Answer SaveAs(const std::wstring& path, std::wstring& proposed) {
    return [path, &proposed](HWND dialog) {
        proposed = WindowText(DialogScript::FileNameBox(dialog));
        DialogScript::OpenFile(path)(dialog);
    };
}

// The file a spreadsheet opens: every row of the page, in the page's order, and nothing of the
// records without a row; quotes, commas, line breaks and non-ASCII letters come back unchanged.
TEST_F(ResultsPageTest, SaveListWritesTheRowsAsATableThatReadsBack) {
    const std::string odd = tree_.Folder("Stra\u00DFe, \u65E5\u672C");
    AddShortcut("b, \u00E9t\u00E9.lnk", "C:\\Say \"hi\"\r\nthen, more\\a.exe", odd);
    wizard::BrokenShortcut& moved = findings_.At(0);
    moved.suggestion = "C:\\Now \"here\", \u00E4\\a.exe";
    moved.confidence = wizard::Confidence::Possible;
    AddShortcut("a.lnk", "D:\\plain.exe");
    const std::string gone = AddShortcut("gone.lnk", "C:\\x.exe");
    test::WriteBytes(tree_.Path("stored.lnk"), LinkTo("E:\\Stored\\e.exe"));
    findings_.Append({"stored.lnk", tree_.Root(), "", "DriveAbsent"});
    ::DeleteFileW(Widen(gone).c_str());
    Open();
    ListNotify(LVN_COLUMNCLICK, -1, 0);  // names descending
    ASSERT_EQ(Column(0), (Texts{"stored.lnk", "b, \u00E9t\u00E9.lnk", "a.lnk"}));
    // A row given a new target by hand is saved as the list shows it: with that target.
    const std::string found = tree_.File("found.exe", Bytes(3, 'f'));
    {
        DialogScript script({DialogScript::OpenFile(Widen(found))});
        page_->RetargetRow(2);
        EXPECT_EQ(script.Unexpected(), 0);
    }

    // An older, longer list at the chosen name is replaced whole, once the dialog has asked.
    const std::string list = files_.Path("Liste \u00FC.csv");
    WriteFile(list, std::string(4000, 'x'));
    {
        std::wstring proposed;
        DialogScript script({SaveAs(Widen(list), proposed), DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_SAVE_LIST);
        EXPECT_EQ(script.Unexpected(), 0);
        ASSERT_EQ(script.Seen().size(), 2u);
        EXPECT_EQ(script.Seen()[0].caption, W("_QM_SaveListTitle"));
        EXPECT_EQ(proposed, W("_QM_SaveListFileName"));
    }

    const std::string text = ReadText(list);
    ASSERT_EQ(text.substr(0, 3), "\xEF\xBB\xBF") << "a byte-order mark, so that a spreadsheet reads UTF-8";
    testing::CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(std::string_view(text).substr(3), table)) << text;
    const std::string root = tree_.Root();
    const testing::CsvTable expected = {
        {"path", "folder", "name", "target", "reason", "suggestion", "confidence"},
        {root + "\\stored.lnk", root, "stored.lnk", "E:\\Stored\\e.exe", "DriveAbsent", "", ""},
        {odd + "\\b, \u00E9t\u00E9.lnk", odd, "b, \u00E9t\u00E9.lnk", "C:\\Say \"hi\"\r\nthen, more\\a.exe", "TargetMissing",
         "C:\\Now \"here\", \u00E4\\a.exe", "Possible"},
        {root + "\\a.lnk", root, "a.lnk", found, "Retargeted", "", ""},
    };
    EXPECT_EQ(table, expected);
    EXPECT_EQ(ScratchFolder::Names(files_.Root()).size(), 4u) << "the settings, the backups, the module document and the list: no temporary file";

    // A name typed without its type gets the list's own.
    DialogScript bare({DialogScript::OpenFile(Widen(files_.Path("report")))});
    Button(IDC_RESULTS_SAVE_LIST);
    EXPECT_EQ(bare.Unexpected(), 0);
    EXPECT_EQ(ReadText(files_.Path("report.csv")), text);
}

// The fixture's folder that cannot be written holds a list saved earlier: neither a new list nor
// a replacement gets in, the box says why, and the old list stays as it was.
TEST_F(ResultsPageTest, SaveListIntoAFolderThatCannotBeWrittenSaysWhyAndChangesNothing) {
    const char* locked = std::getenv("QM_LOCKED_FOLDER");
    Bytes marker;
    if (!locked || !*locked || test::ReadBytes(std::string(locked) + "\\unlocked", marker))
        GTEST_SKIP() << "no folder that cannot be written on this system";
    std::string folder = locked;
    for (char& c : folder)
        if (c == '/') c = '\\';  // the dialog takes no forward slashes in a typed name
    AddShortcut("a.lnk", "C:\\gone.exe");
    Open();
    const std::vector<std::string> names = ScratchFolder::Names(folder);
    const std::string kept = folder + "\\kept.csv";
    const std::string keptText = ReadText(kept);
    ASSERT_EQ(keptText, "old list\r\n");
    for (const std::string& path : {folder + "\\new list.csv", kept}) {
        std::vector<DialogScript::Answer> answers = {DialogScript::OpenFile(Widen(path))};
        if (path == kept) answers.push_back(DialogScript::Press(IDYES));  // yes, replace it
        answers.push_back(DialogScript::Press(IDOK));
        const size_t asked = answers.size();
        DialogScript script(std::move(answers));
        Button(IDC_RESULTS_SAVE_LIST);
        EXPECT_EQ(script.Unexpected(), 0) << path;
        ASSERT_EQ(script.Seen().size(), asked) << path;
        EXPECT_EQ(script.Seen().back().caption, W("_Error"));
        EXPECT_EQ(script.Seen().back().text,
                  W("_QM_SaveListFailed") + L"\n\n" + Widen(path) + L"\n" + SystemMessage(ERROR_ACCESS_DENIED));
        EXPECT_EQ(ScratchFolder::Names(folder), names) << path;
        EXPECT_EQ(ReadText(kept), keptText) << path;
    }
}

// ---- Backup and undo ------------------------------------------------------------------------

// The file names of the private trash, so a test can empty it as a user would.
void EmptyTrash(const std::string& trash, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        ::DeleteFileW(Widen(trash + "\\files\\" + name).c_str());
        ::DeleteFileW(Widen(trash + "\\info\\" + name + ".trashinfo").c_str());
    }
}


// A dialog's list as it shows it: each row's texts in `columns`.
std::vector<Texts> ListedRows(HWND list, std::initializer_list<int> columns) {
    std::vector<Texts> rows;
    for (int i = 0, count = ListView_GetItemCount(list); i < count; ++i) {
        Texts& cells = rows.emplace_back();
        for (const int column : columns) {
            wchar_t text[1024] = L"";
            ListView_GetItemText(list, i, column, text, 1024);
            cells.push_back(Narrow(text));
        }
    }
    return rows;
}

// Answers the past changes dialog: notes its rows' kind and count, then undoes row `row`
// (-1: closes it).
// A dialog of the page as a screen reader reads it: every control named and in its role, the
// list's rows too.
void ExpectReadable(HWND dialog) {
    const testkit::AccessibilityWalk walk = testkit::WalkAccessibleControls(dialog);
    for (const std::string& fault : walk.faults) ADD_FAILURE() << Narrow(WindowText(dialog)) << ": " << fault;
    std::printf("[ readers  ] %d controls and %d rows read in \"%s\"\n", walk.controls, walk.rows,
                Narrow(WindowText(dialog)).c_str());
}

DialogScript::Answer PickPastChange(int row, std::vector<Texts>& listed) {
    return [&listed, row](HWND dialog) {
        const HWND list = ::GetDlgItem(dialog, IDC_PAST_CHANGES_LIST);
        listed = ListedRows(list, {1, 2});
        ExpectReadable(dialog);
        if (row < 0) {
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            return;
        }
        ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_PAST_CHANGES_UNDO, BN_CLICKED), 0);
    };
}

// When the Recycle Bin cannot take a shortcut (here: its files folder is a file), the shell offers
// to delete it for good; accepted, the shortcut is gone from the disk, and Undo still brings it
// back byte for byte, from the backup copy.
TEST_F(ResultsPageTest, AShortcutTheShellDeletesForGoodInsteadOfRecyclingIsStillUndone) {
    const std::string trash = TrashFolder();
    ASSERT_FALSE(trash.empty()) << "the test needs a private XDG_DATA_HOME";
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string folder = tree_.Folder("unrecyclable");
    const std::string link = AddShortcut("for-good-" + tag + ".lnk", "C:\\Gone\\app.exe", folder);
    test::Stamp(link, FILE_ATTRIBUTE_ARCHIVE);
    const auto before = test::FolderState(folder);
    const std::wstring files = Widen(trash + "\\files"), away = files + L"-" + Widen(tag);
    ASSERT_TRUE(::MoveFileW(files.c_str(), away.c_str()));
    {
        const FileHandle blocker(::CreateFileW(files.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        EXPECT_TRUE(blocker) << "the Recycle Bin's files folder could not be replaced by a file";
    }
    Open();
    ASSERT_EQ(page_->RowCount(), 1);
    page_->SetTicked(0, true);
    {
        // The shell's confirmation, then its offer to delete what it could not recycle.
        DialogScript script({DialogScript::Press(IDYES), DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_DELETE);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    ::DeleteFileW(files.c_str());
    EXPECT_TRUE(::MoveFileW(away.c_str(), files.c_str())) << "the private Recycle Bin could not be put back";
    EXPECT_EQ(test::Attributes(link), INVALID_FILE_ATTRIBUTES) << "the shell did not delete the shortcut";
    EXPECT_EQ(test::Attributes(trash + "\\files\\" + PathFileName(link)), INVALID_FILE_ATTRIBUTES) << "it was recycled after all";
    EXPECT_EQ(page_->RowCount(), 0);

    std::vector<Texts> listed;
    {
        DialogScript script({PickPastChange(0, listed)});
        Button(IDC_RESULTS_UNDO);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    EXPECT_EQ(test::FolderState(folder), before) << "the shortcut did not come back as it was";
    EXPECT_EQ(page_->RowCount(), 1);
}

// Re-target one row and delete two, then empty the Recycle Bin: Undo last change, twice,
// leaves the folder byte for byte as it was (bytes, attributes, times) with the rows back; the
// undo of the undo, picked from the list of past changes, re-targets once more.
TEST_F(ResultsPageTest, ReTargetAndDeleteAreUndoneExactlyAlsoAfterTheRecycleBinWasEmptied) {
    const std::string trash = TrashFolder();
    ASSERT_FALSE(trash.empty()) << "the test needs a private XDG_DATA_HOME";
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string folder = tree_.Folder("links");
    const std::string moved = AddShortcut("moved-" + tag + ".lnk", "C:\\Gone\\app.exe", folder);
    const std::string d1 = AddShortcut("d1-" + tag + ".lnk", "C:\\Gone\\one.exe", folder);
    const std::string d2 = AddShortcut("d2-" + tag + ".lnk", "C:\\Gone\\two.exe", folder);
    test::Stamp(moved, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    test::Stamp(d1, FILE_ATTRIBUTE_HIDDEN);
    test::Stamp(d2);
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    const auto before = test::FolderState(folder);
    Open();
    ASSERT_EQ(page_->RowCount(), 3);
    EXPECT_FALSE(page_->UndoLinkVisible());
    {
        DialogScript script({DialogScript::OpenFile(Widen(chosen))});
        page_->RetargetRow(0);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    page_->SetTicked(1, true);
    page_->SetTicked(2, true);
    {
        DialogScript script({DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_DELETE);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    ASSERT_EQ(page_->RowCount(), 1);
    EXPECT_TRUE(page_->UndoLinkVisible());
    EXPECT_EQ(page_->UndoLinkText(), "Undo: 1 re-targeted, 2 to the Recycle Bin");
    ::ShowWindow(sheet_, SW_SHOWNA);
    testkit::PumpUntilIdle();
    const std::wstring shot = testkit::SaveWindowSnapshot(sheet_, L"ResultsPage-after-changes");
    if (!shot.empty()) std::printf("[ artifact ] %s\n", Narrow(shot).c_str());
    const auto changed = test::FolderState(folder);
    EmptyTrash(trash, {PathFileName(d1), PathFileName(d2)});

    ListNotify(NM_CLICK, 0);
    menuAnswer_ = kUndoLast;
    ListNotify(NM_RCLICK, 0);  // the delete
    EXPECT_EQ(Column(0), (Texts{PathFileName(moved), PathFileName(d1), PathFileName(d2)})) << "the rows are back";
    ListNotify(NM_RCLICK, 0);  // the re-target
    EXPECT_EQ(test::FolderState(folder), before);
    EXPECT_EQ(Column(2), (Texts{"C:\\Gone", "C:\\Gone", "C:\\Gone"}));
    EXPECT_EQ(page_->UndoLinkText(), "Undo: 1 re-targeted, 2 to the Recycle Bin, 3 restored");

    std::vector<Texts> listed;
    {
        DialogScript script({PickPastChange(0, listed)});
        Button(IDC_RESULTS_UNDO);
    }
    EXPECT_EQ(listed, (std::vector<Texts>{{"Undo", "1"}, {"Undo", "2"}, {"Moved to the Recycle Bin (undone)", "2"},
                                          {"Re-targeted (undone)", "1"}}));
    EXPECT_EQ(test::WithoutAccessTimes(test::FolderState(folder)).at(PathFileName(moved)),
              test::WithoutAccessTimes(changed).at(PathFileName(moved)));
    EXPECT_EQ(Shown(0, 2), tree_.Root());
}

// An internet shortcut goes the way of a shell link: its row, reason and suggestion, its line in
// the saved list; Repair rewrites only its URL; each change is undone byte for byte, a delete
// also after the Recycle Bin was emptied.
TEST_F(ResultsPageTest, AnInternetShortcutIsListedRepairedDeletedAndUndoneLikeAShellLink) {
    const std::string trash = TrashFolder();
    ASSERT_FALSE(trash.empty()) << "the test needs a private XDG_DATA_HOME";
    const std::string folder = tree_.Folder("links");
    const std::string name = "notes-" + std::to_string(::GetCurrentProcessId()) + ".url";
    const std::string url = folder + "\\" + name;
    tree_.Folder("new");
    const std::string found = tree_.File("new\\notes.txt", Bytes(3, 'x'));
    const std::string gone = tree_.Path("gone\\notes.txt");
    const std::string text = "[InternetShortcut]\r\nURL=" + lnk::FileUrlFromPath(gone) + "\r\nIconIndex=0\r\n[Extra]\nkept=1\n";
    WriteFile(url, text);
    test::Stamp(url, FILE_ATTRIBUTE_HIDDEN);
    wizard::BrokenShortcut record{name, folder, gone, "TargetMissing"};
    record.goneKind = wizard::GoneKind::ItemNotInFolder;
    record.goneName = "notes.txt";
    record.goneFolder = tree_.Path("gone");
    record.suggestion = found;
    record.confidence = wizard::Confidence::Certain;
    findings_.Append(record);
    const auto before = test::FolderState(folder);
    Open();
    ASSERT_EQ(Column(kNameColumn), Texts{name});
    EXPECT_EQ(Column(kTargetFolderColumn), Texts{tree_.Path("gone")});
    EXPECT_EQ(Column(kSuggestionColumn), Texts{found});
    Select(0);
    EXPECT_EQ(page_->ExplanationText(), "The file notes.txt is no longer in " + tree_.Path("gone") + ". It is now at " + found + ".");

    const std::string list = files_.Path("list.csv");
    {
        std::wstring proposed;
        DialogScript script({SaveAs(Widen(list), proposed)});
        Button(IDC_RESULTS_SAVE_LIST);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    testing::CsvTable table;
    ASSERT_TRUE(testing::ParseCsv(std::string_view(ReadText(list)).substr(3), table));
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table[1], (std::vector<std::string>{url, folder, name, gone, "TargetMissing", found, "Certain"}));

    // Repaired: the URL names the suggestion, every other byte stays; the row leaves.
    Button(IDC_RESULTS_REPAIR);
    EXPECT_EQ(page_->RowCount(), 0);
    std::string repaired = text;
    repaired.replace(repaired.find(lnk::FileUrlFromPath(gone)), lnk::FileUrlFromPath(gone).size(), lnk::FileUrlFromPath(found));
    EXPECT_EQ(ReadText(url), repaired);
    menuAnswer_ = kUndoLast;
    ListNotify(NM_RCLICK);
    EXPECT_EQ(test::FolderState(folder), before);
    ASSERT_EQ(Column(kNameColumn), Texts{name}) << "the row is back";

    // Deleted, the Recycle Bin emptied, undone.
    page_->SetTicked(0, true);
    {
        DialogScript script({DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_DELETE);
    }
    EXPECT_EQ(page_->RowCount(), 0);
    EXPECT_FALSE(PathPresent(url));
    EmptyTrash(trash, {name});
    ListNotify(NM_RCLICK);
    EXPECT_EQ(test::FolderState(folder), before);
    EXPECT_EQ(Column(kNameColumn), Texts{name});
    EXPECT_EQ(page_->UndoLinkText(), "Undo: 1 repaired, 2 restored, 1 to the Recycle Bin");
}

TEST_F(ResultsPageTest, UndoAsksBeforeReplacingAShortcutChangedSince) {
    const std::string link = AddShortcut("app.lnk", "C:\\Gone\\app.exe");
    test::Stamp(link);
    const test::FileState before = test::StateOf(link);
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    Open();
    {
        DialogScript script({DialogScript::OpenFile(Widen(chosen))});
        page_->RetargetRow(0);
    }
    test::WriteBytes(link, LinkTo("C:\\Fixed\\by hand.exe"));  // the user's own repair since
    const Bytes handMade = test::StateOf(link).bytes;
    {
        DialogScript script({DialogScript::Press(IDNO)});
        page_->UndoLastChange();
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(script.Seen()[0].text, Widen(Fill("_QM_UndoNewer", {{"path", link}})));
        EXPECT_EQ(test::StateOf(link).bytes, handMade) << "No keeps the user's file";
    }
    {
        DialogScript script({DialogScript::Press(IDYES)});
        page_->UndoLastChange();
        EXPECT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(test::StateOf(link), before) << "Yes puts back the shortcut from before the change";
    }
}

// Nothing is changed without its backup: the user is told why, and the shell is not even asked.
TEST_F(ResultsPageTest, ABackupFolderThatCannotBeWrittenStopsEveryChange) {
    const std::string backup = files_.File("blocker", Bytes(1, 'b')) + "\\backup";
    host::TheComponents().backup.SetBackupDir(backup);
    const std::string link = AddShortcut("app.lnk", "C:\\Gone\\app.exe");
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    test::Stamp(link);
    test::Stamp(chosen);
    const auto before = test::FolderState(tree_.Root());
    Open();
    page_->SetTicked(0, true);
    const std::wstring told = Widen(Fill("_QM_BackupFailed", {{"folder", backup}})) + L"\n\n" + Widen(link);
    {
        DialogScript script({DialogScript::Press(IDOK)});
        Button(IDC_RESULTS_DELETE);
        ASSERT_EQ(script.Seen().size(), 1u) << "no confirmation of the shell";
        EXPECT_EQ(script.Seen()[0].text.rfind(told, 0), 0u) << Narrow(script.Seen()[0].text);
    }
    {
        DialogScript script({DialogScript::OpenFile(Widen(chosen)), DialogScript::Press(IDOK)});
        page_->RetargetRow(0);
        ASSERT_EQ(script.Seen().size(), 2u);
        EXPECT_EQ(script.Seen()[1].text.rfind(told, 0), 0u) << Narrow(script.Seen()[1].text);
    }
    EXPECT_EQ(test::FolderState(tree_.Root()), before);
    EXPECT_EQ(page_->RowCount(), 1);
    EXPECT_EQ(Shown(0, 2), "C:\\Gone");
    EXPECT_FALSE(page_->UndoLinkVisible());
}

// A later start of the program (a new page) lists the batches from the journals, newest first;
// the one picked is undone and then shows as undone.
TEST_F(ResultsPageTest, PastChangesAreListedAndUndoneAfterARestart) {
    const std::string tag = std::to_string(::GetCurrentProcessId());
    const std::string moved = AddShortcut("moved-" + tag + ".lnk", "C:\\Gone\\app.exe");
    const std::string gone = AddShortcut("gone-" + tag + ".lnk", "C:\\Gone\\two.exe");
    test::Stamp(moved);
    const test::FileState before = test::StateOf(moved);
    const std::string chosen = tree_.File("found.exe", Bytes(5, 'x'));
    Open();
    {
        DialogScript script({DialogScript::OpenFile(Widen(chosen))});
        page_->RetargetRow(0);
    }
    page_->SetTicked(1, true);
    {
        DialogScript script({DialogScript::Press(IDYES)});
        Button(IDC_RESULTS_DELETE);
    }
    ::DestroyWindow(sheet_);
    Pump();
    page_.reset();

    Open();  // the next start
    EXPECT_FALSE(page_->UndoLinkVisible());
    std::vector<Texts> listed;
    {
        DialogScript script({PickPastChange(1, listed)});
        ListNotify(NM_CLICK, 0);
        menuAnswer_ = kPastChanges;
        ListNotify(NM_RCLICK, 0);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    EXPECT_EQ(listed, (std::vector<Texts>{{"Moved to the Recycle Bin", "1"}, {"Re-targeted", "1"}}));
    EXPECT_EQ(test::StateOf(moved), before) << "the older batch, picked from the list, is undone";
    EXPECT_EQ(test::Attributes(gone), INVALID_FILE_ATTRIBUTES) << "the newer one is not";
    EXPECT_EQ(page_->UndoLinkText(), "Undo: 1 restored");
    {
        DialogScript script({PickPastChange(-1, listed)});
        Button(IDC_RESULTS_UNDO);  // the link opens the same list
    }
    EXPECT_EQ(listed, (std::vector<Texts>{{"Undo", "1"}, {"Moved to the Recycle Bin", "1"}, {"Re-targeted (undone)", "1"}}));
}

// Where the repaired shortcuts are kept for the check with Debian's lnkinfo that runs after this
// program (a Unix tool cannot be started from here), with a line
// "file<TAB>target<TAB>arguments<TAB>icon" each in expected.txt.
void KeepForLnkinfo(const std::string& shortcut, const std::string& target, const std::string& arguments,
                    const std::string& icon) {
    const char* folder = std::getenv("QM_REPAIRED_DIR");
    if (!folder || !*folder) return;
    ::CreateDirectoryW(Widen(folder).c_str(), nullptr);
    const std::string name = PathFileName(shortcut);
    ::CopyFileW(Widen(shortcut).c_str(), Widen(std::string(folder) + "\\" + name).c_str(), FALSE);
    std::ofstream expected(std::string(folder) + "\\expected.txt", std::ios::binary | std::ios::app);
    expected << name << '\t' << target << '\t' << arguments << '\t' << icon << '\n';
}

TEST_F(ResultsPageTest, TheSuggestionColumnTheExplanationLineAndTheTipFollowTheRecords) {
    // What the search for moved targets records, with the paths a user would see.
    const auto add = [&](const std::string& name, const char* kind, const char* goneName, const char* goneFolder,
                         const char* suggestion, const char* confidence, bool isFolder) {
        test::WriteBytes(tree_.Path(name), LinkTo("C:\\Old\\x.exe"));
        wizard::BrokenShortcut record;
        record.name = name;
        record.folder = tree_.Root();
        record.target = std::string(goneFolder) + "\\" + goneName;
        record.reason = "TargetMissing";
        record.goneKind = wizard::GoneKindOfName(kind);
        record.goneName = goneName;
        record.goneFolder = goneFolder;
        record.suggestion = suggestion;
        record.confidence = wizard::ConfidenceOfName(confidence);
        record.targetIsFolder = isFolder;
        findings_.Append(record);
    };
    add("App.lnk", "ItemNotInFolder", "app.exe", "C:\\Tools\\App 1.2", "C:\\Tools\\App 1.3\\app.exe", "Certain", false);
    add("Old notes.lnk", "FolderGone", "notes.txt", "C:\\Old", "C:\\Users\\ann\\Documents\\notes.txt", "Possible", false);
    add("Report.lnk", "MissingOnShare", "report.doc", "\\\\server\\share", "", "", false);
    add("Photos.lnk", "ItemNotInFolder", "Photos", "D:\\Pictures", "", "", true);
    Open();
    ASSERT_EQ(page_->RowCount(), 4);
    EXPECT_EQ(Column(3), (Texts{"C:\\Tools\\App 1.3\\app.exe", "C:\\Users\\ann\\Documents\\notes.txt (possible)", "", ""}));
    EXPECT_EQ(page_->ExplanationText(), "") << "no row selected";
    EXPECT_FALSE(Enabled(IDC_RESULTS_REPAIR));
    EXPECT_TRUE(Enabled(IDC_RESULTS_REPAIR_CERTAIN)) << "one row has a certain suggestion";

    const std::string app = "The file app.exe is no longer in C:\\Tools\\App 1.2. It is now at C:\\Tools\\App 1.3\\app.exe.";
    const std::string notes = "The folder C:\\Old no longer exists. It may now be C:\\Users\\ann\\Documents\\notes.txt.";
    const std::string report = "The file report.doc is missing on \\\\server\\share.";
    const std::string photos = "The folder Photos is no longer in D:\\Pictures.";
    const struct {
        int row;
        const std::string& text;
        bool canRepair;
    } rows[] = {{2, report, false}, {0, app, true}, {3, photos, false}, {1, notes, true}};
    for (const auto& row : rows) {
        Select(row.row);
        EXPECT_EQ(page_->ExplanationText(), row.text) << row.row;
        EXPECT_EQ(Enabled(IDC_RESULTS_REPAIR), row.canRepair) << row.row;
        EXPECT_EQ(InfoTip(row.row), row.text) << row.row;
    }
    // The tip is the hovered row's, whichever is selected.
    EXPECT_EQ(InfoTip(0), app);

    ::ShowWindow(sheet_, SW_SHOWNA);
    Select(0);
    testkit::PumpUntilIdle();
    const std::wstring shot = testkit::SaveWindowSnapshot(sheet_, L"ResultsPage-suggestions");
    if (!shot.empty()) std::printf("[ artifact ] %s\n", Narrow(shot).c_str());

    // Sorting moves the records with their rows.
    ListNotify(LVN_COLUMNCLICK, -1, 0);
    const int photosRow = RowNamed("Photos.lnk");
    Select(photosRow);
    EXPECT_EQ(page_->ExplanationText(), photos);
    EXPECT_EQ(InfoTip(RowNamed("App.lnk")), app);

    // The only row with a certain suggestion goes to the Recycle Bin, and its record with it.
    page_->SetTicked(RowNamed("App.lnk"), true);
    DialogScript script({DialogScript::Press(IDYES)});
    Button(IDC_RESULTS_DELETE);
    ASSERT_EQ(RowNamed("App.lnk"), -1);
    EXPECT_FALSE(Enabled(IDC_RESULTS_REPAIR_CERTAIN));
    EXPECT_EQ(page_->ExplanationText(), photos) << "the selected row is still explained";
}

TEST_F(ResultsPageTest, TheLocationColumnNamesEachRowsUsualPlaceAndSortsLikeTheOthers) {
    const auto place = [&](UsualPlace which, const std::string& folder) {
        places_.push_back({which, tree_.Folder(folder), folder, folder});
        return tree_.Path(folder);
    };
    const std::string desktop = place(UsualPlace::Desktop, "Desktop");
    const std::string startMenu = place(UsualPlace::CommonStartMenu, "Start Menu");
    const std::string startup = place(UsualPlace::CommonStartup, "Start Menu\\Programs\\Startup");
    const std::string recent = place(UsualPlace::Recent, "Recent");
    const struct {
        const char* name;
        std::string folder;
        const char* location;  // the language key of its place's name, or none
    } rows[] = {
        {"desk.lnk", desktop, "_QM_PlaceDesktop"},
        {"menu.lnk", tree_.Folder("Start Menu\\Programs\\Tools"), "_QM_PlaceCommonStartMenu"},
        {"boot.lnk", startup, "_QM_PlaceCommonStartup"},
        {"report.docx.lnk", recent, "_QM_PlaceRecent"},
        {"elsewhere.lnk", tree_.Folder("Elsewhere"), nullptr},
    };
    Texts locations;
    for (const auto& row : rows) {
        AddShortcut(row.name, "C:\\Gone\\" + std::string(row.name), row.folder);
        locations.push_back(row.location ? host::Text(row.location) : "");
    }
    Open();
    EXPECT_EQ(Column(kLocationColumn), locations);
    EXPECT_EQ(Narrow(ColumnHeader(kLocationColumn)), host::Text("_QM_LocationColumn"));
    int order[kColumnCount] = {};
    ASSERT_TRUE(ListView_GetColumnOrderArray(page_->ListWindow(), kColumnCount, order));
    EXPECT_EQ(order[1], kLocationColumn) << "the location is shown next to the name";

    // The explanation of a row in Recent items says it is harmless; no other row's does.
    const std::string recentWords = host::Text("_QM_RecentExplained");
    for (const auto& row : rows) {
        Select(RowNamed(row.name));
        const bool inRecent = std::string(row.name) == "report.docx.lnk";
        EXPECT_EQ(page_->ExplanationText().find(recentWords) != std::string::npos, inRecent) << row.name;
        EXPECT_EQ(InfoTip(RowNamed(row.name)), page_->ExplanationText()) << row.name;
    }
    Select(RowNamed("report.docx.lnk"));
    testkit::SaveWindowSnapshot(sheet_, L"ResultsPage-locations");

    ListNotify(LVN_COLUMNCLICK, -1, kLocationColumn);
    Texts descending = locations;
    std::sort(descending.rbegin(), descending.rend());
    EXPECT_EQ(Column(kLocationColumn), descending);
    const int desk = RowNamed("desk.lnk");
    EXPECT_EQ(Shown(desk, kLocationColumn), locations[0]) << "rows move whole";
}

// Answers the ignore list dialog: notes its entries (path and kind), takes the one whose path is
// `remove` off the list ("" none), and closes it.
DialogScript::Answer EditIgnoreList(const std::string& remove, std::vector<Texts>& listed) {
    return [&listed, remove](HWND dialog) {
        const HWND list = ::GetDlgItem(dialog, IDC_IGNORE_LIST_ENTRIES);
        listed = ListedRows(list, {0, 1});
        ExpectReadable(dialog);
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (listed[i][0] == remove) ListView_SetItemState(list, static_cast<int>(i), LVIS_SELECTED, LVIS_SELECTED);
        if (!remove.empty()) ::SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_IGNORE_LIST_REMOVE, BN_CLICKED), 0);
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    };
}

// A shortcut and a folder ignored from the menu leave the list at once and after a new scan,
// also after a restart; taken off the list in its dialog, the folder's shortcuts come back.
TEST_F(ResultsPageTest, IgnoredShortcutsAndFoldersStayOutUntilTakenOffTheList) {
    const std::string old = tree_.Folder("Old");
    AddShortcut("keep.lnk", "C:\\Gone\\k.exe");
    const std::string alone = AddShortcut("alone.lnk", "C:\\Gone\\a.exe");
    AddShortcut("in.lnk", "C:\\Gone\\i.exe", old);
    AddShortcut("deep.url", "C:\\Gone\\d.txt", tree_.Folder("Old\\Sub"));
    WriteFile(tree_.Path("Old\\Sub\\deep.url"), "[InternetShortcut]\r\nURL=file:///C:/Gone/d.txt\r\n");
    AddShortcut("next.lnk", "C:\\Gone\\n.exe", tree_.Folder("Older"));  // a name that begins like the folder's
    const Texts all = {"keep.lnk", "alone.lnk", "in.lnk", "deep.url", "next.lnk"};
    Open();
    ASSERT_EQ(Column(kNameColumn), all);
    EXPECT_FALSE(page_->LeftOutLinkVisible());

    const struct {
        const char* row;
        UINT command;
        Texts shown;
        std::size_t leftOut;
    } steps[] = {
        {"alone.lnk", kIgnoreShortcut, {"keep.lnk", "in.lnk", "deep.url", "next.lnk"}, 1},
        {"in.lnk", kIgnoreFolder, {"keep.lnk", "next.lnk"}, 3},
    };
    for (const auto& step : steps) {
        Select(RowNamed(step.row));
        menuAnswer_ = step.command;
        ListNotify(NM_RCLICK);
        EXPECT_EQ(Column(kNameColumn), step.shown) << step.row;
        EXPECT_EQ(page_->LeftOutCount(), step.leftOut) << step.row;
    }
    const Texts kept = {"keep.lnk", "next.lnk"};
    SheetNotify(PSN_SETACTIVE);  // the next scan's results
    Pump();
    EXPECT_EQ(Column(kNameColumn), kept);
    EXPECT_TRUE(page_->LeftOutLinkVisible());
    // The coverage line, a link now, ends in what the ignore list left out.
    const std::string leftOut = Fill("_QM_IgnoredLeftOut", {{"count", "3"}});
    const std::string line = page_->CoverageText();
    EXPECT_EQ(line.substr(line.size() - std::min(line.size(), leftOut.size())), leftOut) << line;

    // A restart: the list comes from the document's file.
    ::DestroyWindow(sheet_);
    sheet_ = nullptr;
    Pump();
    LoadModuleXml();
    Open();
    EXPECT_EQ(Column(kNameColumn), kept);

    std::vector<Texts> listed;
    {
        DialogScript script({EditIgnoreList(old, listed)});
        Button(IDC_RESULTS_LEFT_OUT);
        EXPECT_EQ(script.Unexpected(), 0);
    }
    EXPECT_EQ(listed, (std::vector<Texts>{{old, host::Text("_QM_IgnoreKindFolder")}, {alone, host::Text("_QM_IgnoreKindShortcut")}}));
    EXPECT_EQ(Column(kNameColumn), (Texts{"keep.lnk", "next.lnk", "in.lnk", "deep.url"})) << "the folder's shortcuts are back";
    EXPECT_EQ(page_->LeftOutCount(), 1u);
    LoadModuleXml();
    SheetNotify(PSN_SETACTIVE);
    Pump();
    EXPECT_EQ(Column(kNameColumn), (Texts{"keep.lnk", "in.lnk", "deep.url", "next.lnk"})) << "and stay back";
}

TEST_F(ResultsPageTest, RepairCertainRepairsTheTickedCertainRowsAndNamesTheFailuresInOneBox) {
    tree_.Folder("new");
    const auto target = [&](const std::string& exe) { return tree_.File("new\\" + exe, Bytes(7, 'x')); };
    const std::string a = AddMoved("a.lnk", "a.exe", target("a.exe"), "Certain");
    const std::string locked = AddMoved("locked.lnk", "b.exe", target("b.exe"), "Certain");
    const std::string possible = AddMoved("possible.lnk", "c.exe", target("c.exe"), "Possible");
    const std::string unticked = AddMoved("unticked.lnk", "d.exe", target("d.exe"), "Certain");
    const std::string vanished = AddMoved("vanished.lnk", "e.exe", tree_.Path("new\\e.exe"), "Certain");
    const std::string f = AddMoved("f.lnk", "f.exe", target("f.exe"), "Certain");
    const std::string none = AddMoved("none.lnk", "g.exe", "", "");
    const std::string unreadable = AddMoved("unreadable.lnk", "h.exe", target("h.exe"), "Certain");
    const std::vector<std::string> untouched = {locked, possible, unticked, vanished, none, unreadable};
    std::vector<Bytes> before(untouched.size());
    for (size_t i = 0; i < untouched.size(); ++i) ASSERT_TRUE(test::ReadBytes(untouched[i], before[i]));
    Open();
    ASSERT_EQ(page_->RowCount(), 8);
    page_->CheckAll();
    page_->SetTicked(RowNamed("unticked.lnk"), false);
    Select(RowNamed("none.lnk"));

    {
        // Other programs hold these open: one lets others read it but not replace it, the other
        // lets nobody even read it, so that no backup copy of it can be made.
        FileHandle held(::CreateFileW(FileApiPath(locked).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        FileHandle closed(::CreateFileW(FileApiPath(unreadable).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(held && closed);
        DialogScript script({DialogScript::Press(IDOK)});
        Button(IDC_RESULTS_REPAIR_CERTAIN);
        ASSERT_EQ(script.Seen().size(), 1u) << "one box for every failure";
        EXPECT_EQ(script.Seen()[0].caption, W("_Error"));
        const std::string told = Narrow(script.Seen()[0].text);
        const std::string notChanged = Fill("_QM_RepairFailed", {{"list", locked + "\n" + vanished}});
        EXPECT_EQ(told.substr(0, notChanged.size()), notChanged) << told;
        const std::string notBackedUp = "\n\n" + host::Text("_QM_BackupFailed").substr(0, 20);
        EXPECT_EQ(told.find(notBackedUp), notChanged.size()) << told;
        EXPECT_NE(told.find("\n" + unreadable + "\n"), std::string::npos) << told;
    }

    EXPECT_EQ(page_->UndoLinkText(), "Undo: 2 repaired") << "one batch of the change journal, undoable";

    // The repaired rows left the list; the others stay as they were, ticks included.
    EXPECT_EQ(Column(0), (Texts{"locked.lnk", "possible.lnk", "unticked.lnk", "vanished.lnk", "none.lnk", "unreadable.lnk"}));
    EXPECT_EQ(Ticks(), (std::vector<bool>{true, true, false, true, true, true}));
    EXPECT_EQ(Shown(RowNamed("possible.lnk"), 3), target("c.exe") + " (possible)");
    EXPECT_EQ(page_->ExplanationText(), "The file g.exe is no longer in " + tree_.Path("gone") + ".")
        << "the selected row is still explained";
    for (size_t i = 0; i < untouched.size(); ++i) {
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(untouched[i], after));
        EXPECT_EQ(after, before[i]) << untouched[i];
    }
    for (const auto& [path, exe] : {std::pair{a, "a.exe"}, std::pair{f, "f.exe"}}) {
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(path, after));
        const lnk::ShellLinkInfo info = lnk::ParseShellLink(after.data(), after.size());
        EXPECT_EQ(info.LocalPath(), tree_.Path(std::string("new\\") + exe)) << path;
        EXPECT_EQ(info.arguments, "--open " + PathFileName(path)) << path;
        EXPECT_EQ(info.iconLocation, "C:\\Icons\\" + PathFileName(path) + ".ico,2") << path;
        KeepForLnkinfo(path, tree_.Path(std::string("new\\") + exe), "--open " + PathFileName(path),
                       "C:\\Icons\\" + PathFileName(path) + ".ico,2");
    }
    EXPECT_TRUE(Enabled(IDC_RESULTS_REPAIR_CERTAIN)) << "the failed ones may be tried again";

    // Again, with only the possible and the suggestion-less rows ticked: nothing to repair.
    page_->UncheckAll();
    page_->SetTicked(RowNamed("possible.lnk"), true);
    page_->SetTicked(RowNamed("none.lnk"), true);
    DialogScript script({DialogScript::Press(IDOK)});
    Button(IDC_RESULTS_REPAIR_CERTAIN);
    ASSERT_EQ(script.Seen().size(), 1u);
    EXPECT_EQ(script.Seen()[0].text, W("_QM_RepairNothingCertain"));
    EXPECT_EQ(page_->RowCount(), 6);
}

// A repair is one batch of the change journal too: Undo puts the repaired shortcuts back
// exactly (bytes, attributes, times), with their rows and their suggestions, so that they can be
// repaired again.
TEST_F(ResultsPageTest, RepairIsUndoneExactlyWithItsRowsAndSuggestions) {
    tree_.Folder("new");
    const std::string a = AddMoved("a.lnk", "a.exe", tree_.File("new\\a.exe", Bytes(7, 'x')), "Certain");
    const std::string b = AddMoved("b.lnk", "b.exe", tree_.File("new\\b.exe", Bytes(7, 'x')), "Certain");
    test::Stamp(a, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE);
    test::Stamp(b, FILE_ATTRIBUTE_HIDDEN);
    const test::FileState beforeA = test::StateOf(a), beforeB = test::StateOf(b);
    Open();
    const Texts suggestions = Column(3);
    page_->CheckAll();
    Button(IDC_RESULTS_REPAIR_CERTAIN);
    ASSERT_EQ(page_->RowCount(), 0);
    ASSERT_NE(test::StateOf(a).bytes, beforeA.bytes);
    EXPECT_EQ(page_->UndoLinkText(), "Undo: 2 repaired");

    page_->UndoLastChange();
    EXPECT_EQ(test::StateOf(a), beforeA);
    EXPECT_EQ(test::StateOf(b), beforeB);
    EXPECT_EQ(Column(0), (Texts{"a.lnk", "b.lnk"}));
    EXPECT_EQ(Column(2), (Texts{tree_.Path("gone"), tree_.Path("gone")}));
    EXPECT_EQ(Column(3), suggestions);
    page_->CheckAll();
    DialogScript script({});  // no "nothing certain to repair"
    Button(IDC_RESULTS_REPAIR_CERTAIN);
    EXPECT_EQ(script.Unexpected(), 0);
    EXPECT_EQ(page_->RowCount(), 0) << "repaired again from the records that came back";
}

TEST_F(ResultsPageTest, RepairAsksBeforeAPossibleSuggestionAndIsOffWithoutOne) {
    tree_.Folder("new");
    const std::string suggestion = tree_.File("new\\p.exe", Bytes(3, 'p'));
    const std::string possible = AddMoved("possible.lnk", "p.exe", suggestion, "Possible");
    AddMoved("none.lnk", "n.exe", "", "");
    const std::string certain = AddMoved("certain.lnk", "c.exe", tree_.File("new\\c.exe", Bytes(3, 'c')), "Certain");
    Open();
    UINT greyed = 0;
    page_->SetMenuChooser([&](HMENU menu, POINT, HWND) {
        greyed = ::GetMenuState(menu, kRepair, MF_BYCOMMAND) & MF_GRAYED;
        return menuAnswer_;
    });

    // No suggestion: the button is off, the menu item grey, and a repair asked for anyway does nothing.
    Select(1);
    EXPECT_FALSE(Enabled(IDC_RESULTS_REPAIR));
    menuAnswer_ = kRepair;
    {
        DialogScript script({});
        ListNotify(NM_RCLICK, 1);
        EXPECT_NE(greyed, 0u);
        EXPECT_EQ(script.Seen().size(), 0u);
        EXPECT_EQ(page_->RowCount(), 3);
    }

    // A possible one: the question names the suggestion; No leaves the file as it was.
    Select(0);
    EXPECT_TRUE(Enabled(IDC_RESULTS_REPAIR));
    Bytes before;
    ASSERT_TRUE(test::ReadBytes(possible, before));
    {
        DialogScript script({DialogScript::Press(IDNO)});
        Button(IDC_RESULTS_REPAIR);
        ASSERT_EQ(script.Seen().size(), 1u);
        EXPECT_EQ(Narrow(script.Seen()[0].text), Fill("_QM_RepairAskPossible", {{"name", "possible.lnk"}, {"target", suggestion}}));
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(possible, after));
        EXPECT_EQ(after, before);
        EXPECT_EQ(page_->RowCount(), 3);
    }
    {   // Yes, from the context menu: repaired, and the next row is selected in its place.
        DialogScript script({DialogScript::Press(IDYES)});
        ListNotify(NM_RCLICK, 0);
        EXPECT_EQ(greyed, 0u);
        EXPECT_EQ(script.Seen().size(), 1u);
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(possible, after));
        EXPECT_EQ(lnk::ParseShellLink(after.data(), after.size()).LocalPath(), suggestion);
        EXPECT_EQ(Column(0), (Texts{"none.lnk", "certain.lnk"}));
        EXPECT_EQ(Selected(), 0);
        KeepForLnkinfo(possible, suggestion, "--open possible.lnk", "C:\\Icons\\possible.lnk.ico,2");
    }
    {   // A certain one is repaired without a question.
        DialogScript script({});
        Select(1);
        Button(IDC_RESULTS_REPAIR);
        EXPECT_EQ(script.Seen().size(), 0u);
        EXPECT_EQ(Column(0), Texts{"none.lnk"});
        Bytes after;
        ASSERT_TRUE(test::ReadBytes(certain, after));
        EXPECT_EQ(lnk::ParseShellLink(after.data(), after.size()).LocalPath(), tree_.Path("new\\c.exe"));
    }
    EXPECT_FALSE(Enabled(IDC_RESULTS_REPAIR_CERTAIN)) << "no certain suggestion is left";
}

}  // namespace
}  // namespace qm::results
