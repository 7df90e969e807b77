// A new user's first start, in a Wine prefix of its own (run-usual-places-tests.sh): every usual
// place of the profile holds broken and working shortcuts from the tree generator, and the
// real program with the shipped settings is driven through Continue and Next without a tick
// of the user's. Then a scan started from the command line, as Explorer's verb starts it.
#include "ProgramDriver.h"

#include "base/Utf.h"
#include "base/win/UsualPlaces.h"
#include "res/dialogs/ResultsPage.h"
#include "res/dialogs/ScanPage.h"
#include "res/dialogs/WelcomeDialog.h"
#include "tools/lnkwriter/TreeGenerator.h"

#include <gtest/gtest.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace qm::test {
namespace {

namespace fs = std::filesystem;
using Paths = std::vector<std::string>;
constexpr char kPlanted[] = "planted by the usual-places test";

std::wstring Install() {
    const wchar_t* folder = _wgetenv(L"QM_JOURNEY_INSTALL");
    return folder ? folder : L"";
}
std::wstring SavedSelectionFile() { return Install() + L"\\data\\QuillMend.xml"; }

// A drive letter this prefix does not have, for the generator's links to an absent drive.
char AbsentDrive() {
    const DWORD drives = ::GetLogicalDrives();
    for (char letter = 'Q'; letter <= 'Y'; ++letter)
        if (!(drives & (1u << (letter - 'A')))) return letter;
    return 0;
}

// The shipped settings and an untouched saved selection: the program's first start.
void FirstStartFiles() {
    WriteFile(Install() + L"\\config.ini", ReadFile(Install() + L"\\config.shipped.ini"));
    WriteFile(SavedSelectionFile(), ReadFile(Install() + L"\\data\\QuillMend.shipped.xml"));
}

Paths SavedItems() {
    Paths names;
    const std::string xml = ReadFile(SavedSelectionFile());
    for (size_t at = xml.find("name=\""); at != std::string::npos; at = xml.find("name=\"", at + 1)) {
        const size_t start = at + 6;
        names.push_back(xml.substr(start, xml.find('"', start) - start));
    }
    return names;
}

HWND CurrentPage(HWND wizard) { return reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0)); }

// Waits until the wizard shows the results page (the one with a Repair button; the scan page's
// list has the same id); its list then, or null.
HWND WaitForResults(Program& program, HWND wizard) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    while (std::chrono::steady_clock::now() < deadline && !program.WaitForExit(std::chrono::milliseconds(50))) {
        const HWND page = CurrentPage(wizard);
        if (::GetDlgItem(page, IDC_RESULTS_REPAIR)) return ::GetDlgItem(page, IDC_RESULTS_LIST);
    }
    return nullptr;
}

// The full paths the results list shows (folder, backslash, name), sorted, once they are
// `expected` or no longer change.
Paths ListedShortcuts(const Program& program, HWND list, const Paths& expected);
Paths ListedNow(const Program& program, HWND list) {
    const std::vector<std::wstring> names = program.ListViewColumn(list, 0);
    const std::vector<std::wstring> folders = program.ListViewColumn(list, 1);
    Paths paths;
    for (size_t i = 0; i < names.size() && i < folders.size(); ++i) paths.push_back(Narrow(folders[i] + L"\\" + names[i]));
    std::sort(paths.begin(), paths.end());
    return paths;
}
Paths ListedShortcuts(const Program& program, HWND list, const Paths& expected) {
    Paths listed = ListedNow(program, list);
    for (int unchanged = 0; listed != expected && unchanged < 20; ::Sleep(100)) {
        Paths again = ListedNow(program, list);
        unchanged = again == listed ? unchanged + 1 : 0;
        listed = std::move(again);
    }
    return listed;
}

class UsualPlacesJourney : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(Install().empty()) << "run by run-usual-places-tests.sh, which sets QM_JOURNEY_INSTALL";
        // Wine makes no Quick Launch or pinned-items folders: they are made as Windows has them.
        const std::string quickLaunch = KnownFolderPath(KnownFolder::RoamingAppData) + "\\Microsoft\\Internet Explorer\\Quick Launch";
        for (const char* pins : {"\\User Pinned\\TaskBar", "\\User Pinned\\StartMenu"}) fs::create_directories(fs::u8path(quickLaunch + pins));
        places_ = FindUsualPlaces();
        const char absent = AbsentDrive();
        ASSERT_NE(absent, 0);
        for (const UsualPlaceFolder& place : places_) {
            const std::string root = place.path + "\\" + kPlanted;
            fs::remove_all(fs::u8path(root));
            lnkwriter::TreeShape shape{fs::u8path(root), root, 4, 3, 16, absent};
            const lnkwriter::TreeResult tree = lnkwriter::GenerateTree(shape);
            planted_ += tree.links;
            if (place.place == UsualPlace::Recent) continue;
            expected_.insert(expected_.end(), tree.broken.begin(), tree.broken.end());
        }
        std::sort(expected_.begin(), expected_.end());
        std::printf("usual places found: %zu, shortcuts planted: %llu, broken outside Recent items: %zu\n",
                    places_.size(), static_cast<unsigned long long>(planted_), expected_.size());
    }
    void TearDown() override {
        for (const UsualPlaceFolder& place : places_) fs::remove_all(fs::u8path(place.path + "\\" + kPlanted));
    }

    // Starts the program as the user does: the welcome dialog, Continue, the wizard.
    HWND StartAndContinue(Program& program) {
        HWND welcome = program.WaitForMessageBox();
        EXPECT_NE(welcome, nullptr) << "no welcome dialog";
        if (!welcome) return nullptr;
        ::PostMessageW(welcome, WM_COMMAND, MAKEWPARAM(IDC_WELCOME_CONTINUE, BN_CLICKED), 0);
        return program.WaitForWizard();
    }

    std::vector<UsualPlaceFolder> places_;
    uint64_t planted_ = 0;
    Paths expected_;
};

TEST_F(UsualPlacesJourney, FirstStartContinueNextListsTheBrokenShortcutsOfTheUsualPlacesButRecentItems) {
    ASSERT_EQ(places_.size(), kUsualPlaceCount) << "every usual place exists in this prefix";
    FirstStartFiles();
    Paths ticked;
    for (const UsualPlaceFolder& place : places_)
        if (place.place != UsualPlace::Recent) ticked.push_back(place.path);

    for (int start = 1; start <= 2; ++start) {
        SCOPED_TRACE(start == 1 ? "first start" : "second start, the saved selection restored");
        Program program(Install());
        HWND wizard = StartAndContinue(program);
        ASSERT_NE(wizard, nullptr);
        if (const char* shot = std::getenv("QM_JOURNEY_PAUSE")) std::this_thread::sleep_for(std::chrono::seconds(std::atoi(shot)));
        ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
        HWND list = WaitForResults(program, wizard);
        ASSERT_NE(list, nullptr) << "the results page never came";
        EXPECT_EQ(ListedShortcuts(program, list, expected_), expected_);
        if (const char* shot = std::getenv("QM_JOURNEY_PAUSE")) std::this_thread::sleep_for(std::chrono::seconds(std::atoi(shot)));
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(program.WaitForExit(), 2u);
        EXPECT_EQ(SavedItems(), ticked);
    }
}

TEST_F(UsualPlacesJourney, ScanFromTheCommandLineSearchesItsFoldersAndLeavesTheSavedSelection) {
    FirstStartFiles();
    const std::string desktop = KnownFolderPath(KnownFolder::Desktop) + "\\" + kPlanted;
    const std::string missing = KnownFolderPath(KnownFolder::Desktop) + "\\not there";
    Paths expected;
    for (const std::string& path : expected_)
        if (path.rfind(desktop + "\\", 0) == 0) expected.push_back(path);
    ASSERT_FALSE(expected.empty());
    // The saved selection's element, as written: the file also keeps the wizard's size, which a
    // run from the command line may change.
    const auto savedSelection = [] {
        const std::string xml = ReadFile(SavedSelectionFile());
        const size_t begin = xml.find("<select_folders");
        if (begin == std::string::npos) return std::string();
        const size_t open = xml.find("</select_folders>", begin), closed = xml.find("/>", begin);
        const size_t end = open != std::string::npos ? open : closed;
        return end == std::string::npos ? xml.substr(begin) : xml.substr(begin, end - begin);
    };
    const std::string savedBefore = savedSelection();
    ASSERT_FALSE(savedBefore.empty());

    Program program(Install(), {}, L"QuillMend.exe", L"/scan \"" + Widen(desktop) + L"\" \"" + Widen(missing) + L"\"");
    HWND wizard = program.WaitForWizard();  // no welcome dialog first: a message box would be found as none
    ASSERT_NE(wizard, nullptr);
    HWND list = WaitForResults(program, wizard);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ListedShortcuts(program, list, expected), expected);
    // The scan page stays behind the results: the folder given and the missing one's failure.
    HWND roots = nullptr;
    for (HWND page = ::FindWindowExW(wizard, nullptr, L"#32770", nullptr); page && !roots;
         page = ::FindWindowExW(wizard, page, L"#32770", nullptr))
        if (::GetDlgItem(page, IDC_SCAN_PROGRESS)) roots = ::GetDlgItem(page, IDC_SCAN_ROOTS);
    ASSERT_NE(roots, nullptr);
    std::vector<std::wstring> rows = program.ListViewColumn(roots, 0);
    rows.resize(2);  // the last row is the search for moved targets
    EXPECT_EQ(rows, (std::vector<std::wstring>{Widen(desktop), Widen(missing)}));
    const std::vector<std::wstring> states = program.ListViewColumn(roots, 1);
    ASSERT_GE(states.size(), 2u);
    EXPECT_EQ(states[1].rfind(L"Not searched:", 0), 0u) << Narrow(states[1]);

    // Back (twice) to the folder page: the given folder ticked there, nothing of the saved ones.
    ::PostMessageW(wizard, PSM_SETCURSEL, 0, 0);
    HWND tree = nullptr;
    for (int tries = 0; tries < 400 && !tree; ++tries, ::Sleep(25)) tree = ::FindWindowExW(CurrentPage(wizard), nullptr, L"SysTreeView32", nullptr);
    ASSERT_NE(tree, nullptr);
    std::vector<std::pair<std::wstring, UINT>> items;
    const auto tickedItem = [&] {
        items = program.VisibleTreeItems(tree);
        return std::any_of(items.begin(), items.end(), [](const auto& item) { return item.first == Widen(kPlanted) && item.second == 3; });
    };
    for (int tries = 0; tries < 400 && !tickedItem(); ++tries) ::Sleep(25);
    EXPECT_TRUE(tickedItem()) << "the folder given is not ticked on the folder page";
    // The branch of usual places comes first: none of it is ticked, though the saved selection
    // (the shipped one here) would tick them at a first start.
    ASSERT_GT(items.size(), places_.size());
    for (size_t i = 0; i <= places_.size(); ++i) EXPECT_EQ(items[i].second, 1u) << Narrow(items[i].first);
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    EXPECT_EQ(savedSelection(), savedBefore);
}

TEST_F(UsualPlacesJourney, ACommandLineItDoesNotUnderstandIsRefusedWithAMessageAndExitCodeOne) {
    FirstStartFiles();
    for (const wchar_t* arguments : {L"/bogus", L"/scan"}) {
        Program program(Install(), {}, L"QuillMend.exe", arguments);
        HWND box = program.WaitForMessageBox();
        ASSERT_NE(box, nullptr) << Narrow(arguments);
        const std::wstring text = MessageBoxText(box);
        EXPECT_NE(text.find(L"/scan"), std::wstring::npos) << Narrow(text);
        if (std::wstring(arguments) == L"/bogus") {
            EXPECT_NE(text.find(L"/bogus"), std::wstring::npos) << Narrow(text);
        }
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(program.WaitForExit(), 1u);
    }
}

}  // namespace
}  // namespace qm::test
