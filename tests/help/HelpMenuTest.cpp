#include "help/HelpMenu.h"

#include "ui/PathMacros.h"
#include "base/Utf.h"
#include "help/ShellOpen.h"
#include "help/WebAddresses.h"
#include "host/ComponentError.h"
#include "res/dialogs/SupportDialog.h"
#include "base/win/SystemText.h"
#include "controls/SkinnedStatic.h"
#include "tests/controls/WindowTestKit.h"
#include "tests/help/FakeComponents.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm::help {
namespace {

using testkit::InstalledFakes;

struct MenuEntry {
    UINT command;  // 0 for a separator
    std::wstring text;
    bool checked;
};

std::vector<MenuEntry> Entries(HMENU menu) {
    std::vector<MenuEntry> entries;
    for (int i = 0; i < ::GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = 128;
        ::GetMenuItemInfoW(menu, i, TRUE, &info);
        if (info.fType & MFT_SEPARATOR)
            entries.push_back({0, L"", false});
        else
            entries.push_back({info.wID, text, (info.fState & MFS_CHECKED) != 0});
    }
    return entries;
}

// Records what the menus and the shell are asked to do, and picks the command to return.
struct MenuRecorder {
    struct Shown {
        std::vector<MenuEntry> entries;
        UINT flags;
        POINT at;
        HWND owner;
    };
    std::vector<Shown> shown;
    std::vector<std::pair<HWND, std::string>> opened;
    UINT choice = 0;

    MenuRecorder() {
        ReplaceMenuChooser([this](HMENU menu, UINT flags, POINT at, HWND owner) {
            shown.push_back({Entries(menu), flags, at, owner});
            return choice;
        });
        ReplaceShellOpener([this](HWND owner, const std::string& target) { opened.emplace_back(owner, target); });
    }
    ~MenuRecorder() {
        ReplaceMenuChooser({});
        ReplaceShellOpener({});
    }
};

std::wstring Keyed(const wchar_t* key) { return std::wstring(L"<") + key + L">"; }

TEST(HelpMenu, FullMenuItemsInOrder) {
    InstalledFakes fakes;
    const std::vector<std::pair<UINT, const wchar_t*>> expected = {
        {1, L"_HELPMENU_Help"},        {9, L"_HELPMENU_OnlineHelp"},     {2, L"_HELPMENU_BrivoltWeb"},
        {0, nullptr},                  {4, L"_HELPMENU_Support"},        {10, L"_HELPMENU_OnlineSupport"},
        {5, L"_HELPMENU_CHECKFORUPDATE"}, {0, nullptr},                  {8, L"_HELPMENU_Show"},
        {0, nullptr},                  {6, L"_HELPMENU_About"},
    };
    for (bool showAtStartup : {false, true}) {
        SCOPED_TRACE(showAtStartup);
        MenuHandle menu = BuildHelpMenu(showAtStartup);
        const auto entries = Entries(menu.Get());
        ASSERT_EQ(entries.size(), expected.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(entries[i].command, expected[i].first) << i;
            if (expected[i].second) {
                EXPECT_EQ(entries[i].text, Keyed(expected[i].second)) << i;
            }
            EXPECT_EQ(entries[i].checked, showAtStartup && entries[i].command == kShowAtStartup) << i;
        }
    }
}

TEST(HelpMenu, WelcomeMenuItemsInOrder) {
    InstalledFakes fakes;
    MenuHandle menu = BuildWelcomeHelpMenu();
    const auto entries = Entries(menu.Get());
    const std::vector<UINT> expected = {1, 2, 0, 4, 5, 0, 6};
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(entries[i].command, expected[i]) << i;
        EXPECT_FALSE(entries[i].checked);
    }
}

TEST(HelpMenu, ShellCommandsOpenTheirTargets) {
    const std::string moduleFolder = ui::GetModuleDirectory();
    struct Case {
        const char* name;
        UINT command;
        std::wstring helpfile;
        std::string expected;
    } cases[] = {
        {"help document, macro expanded", kHelpDocument, L"%ModulePath%\\help\\QuillMend.chm",
         moduleFolder + "\\help\\QuillMend.chm"},
        {"help document, macro in capitals", kHelpDocument, L"%MODULEPATH%\\x.chm", moduleFolder + "\\x.chm"},
        {"help document, empty setting", kHelpDocument, L"", ""},
        {"online help", kOnlineHelp, L"", std::string(kOnlineHelpAddress)},
        {"maker's site", kMakerSite, L"", std::string(kMakerSiteAddress)},
        {"online support", kOnlineSupport, L"", std::string(kOnlineSupportAddress)},
        {"updates", kCheckForUpdate, L"", std::string(kUpdateAddress)},
    };
    testkit::ParentWindow page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledFakes fakes;
        fakes.config.strings[L"quillmend_module/helpfile"] = c.helpfile;
        MenuRecorder recorder;
        recorder.choice = c.command;
        ShowHelpMenu(page.Get());
        ASSERT_EQ(recorder.opened.size(), 1u);
        EXPECT_EQ(recorder.opened[0].first, page.Get());
        EXPECT_EQ(recorder.opened[0].second, c.expected);
        EXPECT_TRUE(fakes.config.SetIntCalls().empty());
    }
    // The four pages are four different addresses.
    std::set<std::string_view> addresses = {kOnlineHelpAddress, kMakerSiteAddress, kOnlineSupportAddress, kUpdateAddress};
    EXPECT_EQ(addresses.size(), 4u);
}

TEST(HelpMenu, StartupSwitchFlipsWhatTheMenuShowed) {
    struct Case {
        const char* name;
        LONG stored;
        bool checked;
        std::string written;
    } cases[] = {
        {"off: unmarked, writes 1", 0, false, "SetInt quillmend_module,showstartup,1"},
        {"on: marked, writes 0", 1, true, "SetInt quillmend_module,showstartup,0"},
        {"any nonzero is on", 7, true, "SetInt quillmend_module,showstartup,0"},
    };
    testkit::ParentWindow page;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledFakes fakes;
        fakes.config.ints[L"quillmend_module/showstartup"] = c.stored;
        MenuRecorder recorder;
        recorder.choice = kShowAtStartup;
        ShowHelpMenu(page.Get());
        ASSERT_EQ(recorder.shown.size(), 1u);
        EXPECT_EQ(recorder.shown[0].entries[8].checked, c.checked);
        EXPECT_EQ(fakes.config.SetIntCalls(), std::vector<std::string>{c.written});
        EXPECT_TRUE(recorder.opened.empty());
    }

    // Off, switched on, and the next menu shows the mark.
    InstalledFakes fakes;
    MenuRecorder recorder;
    recorder.choice = kShowAtStartup;
    ShowHelpMenu(page.Get());
    recorder.choice = 0;
    ShowHelpMenu(page.Get());
    ASSERT_EQ(recorder.shown.size(), 2u);
    EXPECT_FALSE(recorder.shown[0].entries[8].checked);
    EXPECT_TRUE(recorder.shown[1].entries[8].checked);
}

TEST(HelpMenu, DismissingChangesNothing) {
    InstalledFakes fakes;
    MenuRecorder recorder;
    testkit::ParentWindow page;
    recorder.choice = 0;
    ShowHelpMenu(page.Get());
    EXPECT_TRUE(recorder.opened.empty());
    EXPECT_TRUE(fakes.config.SetIntCalls().empty());
    EXPECT_EQ(fakes.config.calls, std::vector<std::string>{"GetInt quillmend_module,showstartup"});
}

TEST(HelpMenu, FullMenuOpensUpwardAtThePointer) {
    InstalledFakes fakes;
    MenuRecorder recorder;
    testkit::ParentWindow page;
    POINT cursor{};
    ::GetCursorPos(&cursor);
    ShowHelpMenu(page.Get());
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].flags, UINT(TPM_RETURNCMD | TPM_BOTTOMALIGN));
    EXPECT_EQ(recorder.shown[0].at.x, cursor.x);
    EXPECT_EQ(recorder.shown[0].at.y, cursor.y);
    EXPECT_EQ(recorder.shown[0].owner, page.Get());
}

TEST(HelpMenu, WelcomeMenuOpensUpwardOverTheButton) {
    InstalledFakes fakes;
    MenuRecorder recorder;
    testkit::ParentWindow dialog(400, 200);
    HWND button = dialog.AddChild(L"BUTTON", L"Help", 9, BS_PUSHBUTTON, 50, 60, 70, 25);
    RECT rect{};
    ::GetWindowRect(button, &rect);
    recorder.choice = kMakerSite;
    ShowWelcomeHelpMenu(dialog.Get(), button);
    ASSERT_EQ(recorder.shown.size(), 1u);
    EXPECT_EQ(recorder.shown[0].flags, UINT(TPM_RETURNCMD | TPM_BOTTOMALIGN));
    EXPECT_EQ(recorder.shown[0].at.x, rect.left);
    EXPECT_EQ(recorder.shown[0].at.y, rect.bottom);
    EXPECT_EQ(recorder.shown[0].owner, dialog.Get());
    ASSERT_EQ(recorder.opened.size(), 1u);
    EXPECT_EQ(recorder.opened[0].second, kMakerSiteAddress);
}

TEST(HelpMenu, SupportAndAboutOpenTheirDialogsFromBothMenus) {
    struct Case {
        const char* name;
        bool welcomeMenu;
        UINT command;
        bool isSupport;
    } cases[] = {
        {"full menu: Support", false, kSupport, true},
        {"full menu: About", false, kAbout, false},
        {"welcome menu: Support shows the dialog too", true, kSupport, true},
        {"welcome menu: About", true, kAbout, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        InstalledFakes fakes;
        MenuRecorder recorder;
        recorder.choice = c.command;
        testkit::ParentWindow owner(400, 200, true);
        HWND button = owner.AddChild(L"BUTTON", L"Help", 9, BS_PUSHBUTTON, 10, 10, 60, 20);
        std::wstring caption;
        HWND dialogOwner = nullptr;
        bool hasEmailButton = false;
        testkit::RunModalWith(
            [&] {
                if (c.welcomeMenu)
                    ShowWelcomeHelpMenu(owner.Get(), button);
                else
                    ShowHelpMenu(owner.Get());
                return INT_PTR(0);
            },
            [&](HWND dialog) {
                caption = WindowText(dialog);
                dialogOwner = ::GetWindow(dialog, GW_OWNER);
                hasEmailButton = ::GetDlgItem(dialog, IDC_SUPPORT_EMAIL) != nullptr;
            });
        EXPECT_EQ(caption, Keyed(c.isSupport ? L"_Support" : L"_About"));
        EXPECT_EQ(dialogOwner, owner.Get());
        EXPECT_EQ(hasEmailButton, c.isSupport);
    }
}

TEST(HelpMenu, ComponentFailuresReachTheCaller) {
    InstalledFakes fakes;
    MenuRecorder recorder;
    testkit::ParentWindow page;
    fakes.config.failWith = E_ACCESSDENIED;
    EXPECT_THROW(ShowHelpMenu(page.Get()), host::ComponentError);
    EXPECT_TRUE(recorder.shown.empty());
}

}  // namespace
}  // namespace qm::help
