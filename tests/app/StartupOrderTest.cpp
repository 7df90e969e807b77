// Start-up and teardown of the real program, recorded by the components' stand-in DLL that
// sits beside a copy of QuillMend.exe in the folder "app-double": which components are
// created, what each is given (macros expanded), in which order they are released, and
// the exit code of every way a run can end.
#include "ProgramDriver.h"

#include "base/Utf.h"
#include "ui/WizardMessages.h"
#include "changes/BackupFiles.h"
#include "changes/BackupJournal.h"

#include <gtest/gtest.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

namespace qm::test {
namespace {

using ui::WM_WIZARD_NEXT_PAGE;

std::wstring Folder() { return TestFolder() + L"\\app-double"; }
std::string FolderUtf8() { return Narrow(Folder()); }

std::string TempFolder() {
    wchar_t buffer[MAX_PATH];
    std::wstring text(buffer, ::GetTempPathW(MAX_PATH, buffer));
    if (!text.empty() && text.back() == L'\\') text.pop_back();
    return Narrow(text);
}

struct Settings {
    int enableSkin = 0;
    int showStartup = 0;
    std::string langfile = "%ModulePath%\\lang\\English.lng";
    std::string control;  // lines for [recording_double]
    std::string module;   // more lines for [quillmend_module]
};

void Prepare(const Settings& settings) {
    ASSERT_TRUE(WaitUntilNoInstanceRuns()) << "another copy of QuillMend keeps running";
    std::string ini;
    ini += "[common]\r\nlangfile=" + settings.langfile + "\r\n";
    ini += "xmlfile=%ModulePath%\\data\\Common.xml\r\n";
    ini += "EnableSkin=" + std::to_string(settings.enableSkin) + "\r\n";
    ini += "SkinRoot=%ModulePath%\\skin\r\nSkinUIS=%MODULEPATH%\\skin\\Default\\skin.uis\r\n";
    ini += "[Vaultdesk]\r\nvd_backup_dir=%TempDirectory%\\QuillMendBackup\r\n";
    ini += "[quillmend_module]\r\nxmlfile=%ModulePath%\\data\\QuillMend.xml\r\n";
    ini += "showstartup=" + std::to_string(settings.showStartup) + "\r\n" + settings.module;
    ini += "[recording_double]\r\n" + settings.control + "\r\n";
    WriteFile(Folder() + L"\\config.ini", ini);
    ::DeleteFileW((Folder() + L"\\calls.log").c_str());
}

// The recorded calls of start-up, the sheet and teardown: without the text look-ups and the
// XML document work that the pages do as they please.
std::vector<std::string> Calls() {
    static const char* const pageCalls[] = {".GetText(", ".TranslateWindow(", ".SelectNode(", ".SelectChildren(",
                                            ".GetAttribute(", ".AppendChild(", ".SetAttribute(", ".RemoveChild(",
                                            ".Save("};
    std::vector<std::string> calls;
    for (const std::string& line : Lines(ReadFile(Folder() + L"\\calls.log"))) {
        bool pageCall = false;
        for (const char* call : pageCalls) pageCall = pageCall || line.find(call) != std::string::npos;
        if (!pageCall) calls.push_back(line);
    }
    return calls;
}

std::vector<std::string> Releases(const std::vector<std::string>& calls) {
    std::vector<std::string> releases;
    for (const std::string& line : calls) {
        if (line.rfind("release ", 0) == 0) releases.push_back(line.substr(8));
    }
    return releases;
}

// Everything start-up does up to the wizard, in order, as the stand-in records it.
std::vector<std::string> StartupCalls() {
    const std::string dir = FolderUtf8();
    return {
        "create ConfigComponent#1",
        "ConfigComponent#1.Load(" + dir + "\\config.ini)",
        "create LanguageComponent#1",
        "ConfigComponent#1.GetString(common,langfile)",
        "LanguageComponent#1.Load(" + dir + "\\lang\\English.lng)",
        "create XmlStoreComponent#1",
        "XmlStoreComponent#1.CheckLibrary()",
        "ConfigComponent#1.GetString(common,xmlfile)",
        "XmlStoreComponent#1.Load(" + dir + "\\data\\Common.xml)",
        "create BackupComponent#1",
        "ConfigComponent#1.GetString(Vaultdesk,vd_backup_dir)",
        "BackupComponent#1.SetBackupDir(" + TempFolder() + "\\QuillMendBackup)",
        "create XmlStoreComponent#2",
        "ConfigComponent#1.GetString(quillmend_module,xmlfile)",
        "XmlStoreComponent#2.Load(" + dir + "\\data\\QuillMend.xml)",
        "create SkinComponent#1",
        "create FileFinderComponent#1",
        "ConfigComponent#1.GetString(quillmend_module,backup_keep_days)",
    };
}

const std::vector<std::string> kTeardownOrder = {
    "XmlStoreComponent#1", "LanguageComponent#1", "ConfigComponent#1",  "BackupComponent#1",
    "XmlStoreComponent#2", "SkinComponent#1",     "FileFinderComponent#1",
};

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class StartupOrder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(::GetFileAttributesW((Folder() + L"\\QuillMend.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    }
};

TEST_F(StartupOrder, FullRunCreatesFeedsAndReleasesInOrderForEveryWayOfClosing) {
    struct Case {
        const char* name;
        void (*close)(HWND wizard);
        DWORD exitCode;
    } cases[] = {
        {"Cancel", [](HWND w) { ::PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }, 2},
        {"IDOK", [](HWND w) { ::PostMessageW(w, WM_COMMAND, IDOK, 0); }, 1},
        {"Escape", [](HWND w) { ::PostMessageW(::GetDlgItem(w, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0); }, 2},
        {"close box", [](HWND w) { ::PostMessageW(w, WM_SYSCOMMAND, SC_CLOSE | 0x2, 0); }, 2},
        {"WM_CLOSE", [](HWND w) { ::PostMessageW(w, WM_CLOSE, 0, 0); }, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Prepare({});
        Program program(Folder());
        HWND wizard = program.WaitForWizard();
        ASSERT_NE(wizard, nullptr);
        c.close(wizard);
        EXPECT_EQ(program.WaitForExit(), c.exitCode);
        const std::vector<std::string> expected = Concat(Concat(StartupCalls(), {
            "SkinComponent#1.AttachWindow(window)",
            "ConfigComponent#1.GetInt(common,EnableSkin)",
            "SkinComponent#1.UseNoSkin()",
            "ConfigComponent#1.GetInt(quillmend_module,showstartup)",
        }), [] {
            std::vector<std::string> releases;
            for (const std::string& name : kTeardownOrder) releases.push_back("release " + name);
            return releases;
        }());
        EXPECT_EQ(Calls(), expected);
    }
}

TEST_F(StartupOrder, SkinSettingsAreReadExpandedOnlyWhenTheSkinIsEnabled) {
    Settings settings;
    settings.enableSkin = 1;
    Prepare(settings);
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    const std::string dir = FolderUtf8();
    const std::vector<std::string> calls = Calls();
    const std::vector<std::string> skin = {
        "SkinComponent#1.AttachWindow(window)",
        "ConfigComponent#1.GetInt(common,EnableSkin)",
        "ConfigComponent#1.GetString(common,SkinRoot)",
        "ConfigComponent#1.GetString(common,SkinUIS)",
        "SkinComponent#1.ApplySkin(" + dir + "\\skin," + dir + "\\skin\\Default\\skin.uis)",
        "ConfigComponent#1.GetInt(quillmend_module,showstartup)",
    };
    ASSERT_GE(calls.size(), StartupCalls().size() + skin.size());
    EXPECT_EQ(std::vector<std::string>(calls.begin() + StartupCalls().size(),
                                       calls.begin() + StartupCalls().size() + skin.size()),
              skin);
}

// Start-up deletes the batches of changes older than backup_keep_days from the backup folder,
// with their copies, and keeps the younger ones.
TEST_F(StartupOrder, StartupPrunesOnlyTheOldBatchesOfTheBackupFolder) {
    const std::string backup = TempFolder() + "\\QuillMendBackup";
    ::CreateDirectoryW(Widen(backup).c_str(), nullptr);
    // A run of this test that stopped half-way may have left files: they are no batch of this one.
    WIN32_FIND_DATAW stale;
    if (FindHandle find(::FindFirstFileW(Widen(backup + "\\*").c_str(), &stale)); find) {
        do {
            if (!(stale.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                ::DeleteFileW(Widen(backup + "\\" + Narrow(stale.cFileName)).c_str());
        } while (::FindNextFileW(find.Get(), &stale));
    }
    const int64_t now = static_cast<int64_t>(std::time(nullptr));
    std::vector<std::string> ids;
    for (int days : {10, 2}) {
        changes::JournalBatch batch{changes::MakeBatchId(now - days * 24 * 60 * 60, 0), now - days * 24 * 60 * 60, changes::ChangeAction::Delete, "", {}, true};
        const changes::JournalEntry entry{changes::ChangeAction::Delete, "C:\\x.lnk", "C:\\gone.exe", "", batch.id + "-0.lnk"};
        std::string error;
        WriteFile(Widen(backup + "\\" + entry.backupName), "copy");
        bool exists = false;
        ASSERT_TRUE(changes::CreateJournal(backup + "\\" + batch.id + ".qmjournal",
                                          changes::JournalHeaderText(batch) + changes::JournalEntryText(entry) +
                                              changes::JournalEndText(1),
                                          exists, error))
            << error;
        ids.push_back(batch.id);
    }
    Settings settings;
    settings.module = "backup_keep_days=5\r\n";
    Prepare(settings);
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    std::vector<std::string> left;
    WIN32_FIND_DATAW found;
    if (FindHandle find(::FindFirstFileW(Widen(backup + "\\*").c_str(), &found)); find) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) left.push_back(Narrow(found.cFileName));
        } while (::FindNextFileW(find.Get(), &found));
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{ids[1] + "-0.lnk", ids[1] + ".qmjournal"}));
    for (const std::string& name : left) ::DeleteFileW(Widen(backup + "\\" + name).c_str());
    ::RemoveDirectoryW(Widen(backup).c_str());
}

TEST_F(StartupOrder, AnEmptyLanguageFileSettingReachesLoadAsAnEmptyPath) {
    Settings settings;
    settings.langfile = "";
    Prepare(settings);
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    const std::vector<std::string> calls = Calls();
    EXPECT_NE(std::find(calls.begin(), calls.end(), "LanguageComponent#1.Load()"), calls.end());
}

TEST_F(StartupOrder, AComponentThatCannotBeCreatedEndsSilentlyWithZeroAfterReleasingTheOthers) {
    const char* classes[] = {"ConfigComponent", "LanguageComponent", "XmlStoreComponent",
                             "BackupComponent", "SkinComponent",     "FileFinderComponent"};
    for (const char* missing : classes) {
        SCOPED_TRACE(missing);
        Settings settings;
        settings.control = std::string("unavailable=") + missing;
        Prepare(settings);
        Program program(Folder());
        EXPECT_EQ(program.WaitForExit(), 0u);
        const std::vector<std::string> calls = Calls();
        // Created: every class before the missing one, in start-up order.
        std::vector<std::string> created;
        for (const std::string& line : calls) {
            if (line.rfind("create ", 0) == 0) created.push_back(line.substr(7));
        }
        std::vector<std::string> expectedReleases;
        for (const std::string& name : kTeardownOrder) {
            if (std::find(created.begin(), created.end(), name) != created.end()) expectedReleases.push_back(name);
        }
        EXPECT_EQ(Releases(calls), expectedReleases);
        for (const std::string& name : created) EXPECT_NE(name.rfind(missing, 0), 0u) << name;
        // The start-up calls up to the failure are the usual ones.
        const std::vector<std::string> usual = StartupCalls();
        const size_t before = calls.size() - expectedReleases.size();
        EXPECT_EQ(std::vector<std::string>(calls.begin(), calls.begin() + before),
                  std::vector<std::string>(usual.begin(), usual.begin() + before));
    }
}

TEST_F(StartupOrder, AMissingXmlLibraryIsReportedOnceAndEndsWithZero) {
    Settings settings;
    settings.control = "xml_library=missing";
    Prepare(settings);
    Program program(Folder());
    HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"<_SHELL_ERROR>");
    EXPECT_EQ(MessageBoxText(box), L"<_SHELL_REQUEST_XMLLIB>");
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    const std::vector<std::string> usual = StartupCalls();
    EXPECT_EQ(Calls(), Concat(std::vector<std::string>(usual.begin(), usual.begin() + 7),
                              {"release XmlStoreComponent#1", "release LanguageComponent#1",
                               "release ConfigComponent#1"}));
}

TEST_F(StartupOrder, AFailingComponentOperationIsShownAndEndsWithItsOwnCodeAfterAnOrderlyTeardown) {
    struct Case {
        const char* failing;
        const wchar_t* caption;
        std::vector<std::string> released;
    } cases[] = {
        // The settings file names all others: in the built-in English, as nothing else is read.
        {"ConfigComponent.Load", L"QuillMend - Error", {"ConfigComponent#1"}},
        {"BackupComponent.SetBackupDir", L"<_Error>",
         {"XmlStoreComponent#1", "LanguageComponent#1", "ConfigComponent#1", "BackupComponent#1"}},
        {"SkinComponent.UseNoSkin", L"<_Error>", kTeardownOrder},            // inside the sheet's initialisation
        {"LanguageComponent.TranslateWindow", L"<_Error>", kTeardownOrder},  // inside a page's initialisation
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failing);
        Settings settings;
        settings.control = std::string("fail=") + c.failing;
        Prepare(settings);
        Program program(Folder());
        HWND box = program.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(box), c.caption);
        EXPECT_NE(MessageBoxText(box).find(L"Recorded failure of " + Widen(c.failing)), std::wstring::npos)
            << Narrow(MessageBoxText(box));
        EXPECT_EQ(program.VisibleWindow(), box);  // no wizard left on screen behind it
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(program.WaitForExit(), 3u);
        EXPECT_EQ(Releases(Calls()), c.released);
    }
}

// A second start, from the same folder or from another copy of the program, brings the running
// wizard to the front, restored when minimised, ends with 0 and creates no component.
TEST_F(StartupOrder, ASecondStartBringsTheRunningWizardToTheFrontAndEndsWithZero) {
    Prepare({});
    Program first(Folder());
    HWND wizard = first.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    for (const std::wstring& folder : {Folder(), TestFolder() + L"\\app-alone"}) {
        SCOPED_TRACE(Narrow(folder));
        ::ShowWindow(wizard, SW_MINIMIZE);
        ASSERT_TRUE(::IsIconic(wizard));
        Program second(folder);
        ASSERT_TRUE(second.Started());
        EXPECT_EQ(second.WaitForExit(), 0u);
        for (int poll = 0; poll < 100 && ::IsIconic(wizard); ++poll) ::Sleep(50);  // the restore is posted
        EXPECT_FALSE(::IsIconic(wizard));
        // Not checked: which window is in the foreground. Other test programs that run beside
        // this one on the same display take it at any moment.
    }
    const std::vector<std::string> calls = Calls();
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "create ConfigComponent#1"), 1);
    EXPECT_EQ(calls.size(), StartupCalls().size() + 4);  // the first instance's, nothing more
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(first.WaitForExit(), 2u);
}

TEST_F(StartupOrder, NextPageMessageWalksToTheLastPageAndFinishThereEndsWithZeroWithoutTeardown) {
    Prepare({});
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    HWND tabs = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETTABCONTROL, 0, 0));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(::SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0), 4);
    // The results page of a run without a scan says that nothing was found; the box holds up
    // the message that brought the page, so another thread answers it.
    std::wstring noResults;
    std::thread answer([&] {
        HWND box = program.WaitForMessageBox();
        if (!box) return;
        noResults = MessageBoxText(box);
        ::PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    });
    for (LRESULT page = 1; page <= 3; ++page) {
        EXPECT_EQ(::SendMessageW(wizard, WM_WIZARD_NEXT_PAGE, 0, 0), 0);
        EXPECT_EQ(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0), page);
    }
    answer.join();
    EXPECT_EQ(noResults, L"<_QM_034>");
    EXPECT_EQ(::SendMessageW(wizard, WM_WIZARD_NEXT_PAGE, 0, 0), -1);
    EXPECT_EQ(::SendMessageW(tabs, TCM_GETCURSEL, 0, 0), 3);
    ::PostMessageW(wizard, PSM_PRESSBUTTON, PSBTN_FINISH, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
    EXPECT_TRUE(Releases(Calls()).empty());
}

}  // namespace
}  // namespace qm::test
