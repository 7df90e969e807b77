// The two packages as a user or an administrator meets them, under Wine in a prefix of the
// package tests' own (tests/package/run-package-tests.sh prepares it and passes the paths):
// the Windows Installer package installed, upgraded and removed silently with msiexec, and the
// portable zip, unpacked by the script into a folder whose path has spaces and non-ASCII letters.
#include "base/Utf.h"
#include "base/win/Handle.h"
#include "res/dialogs/ResultsPage.h"
#include "res/dialogs/WelcomeDialog.h"
#include "suite/lnk/ShellLink.h"
#include "tests/app/ProgramDriver.h"
#include "tools/lnkwriter/LinkWriter.h"

#include <windows.h>
#include <msi.h>
#include <prsht.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cwctype>
#include <map>
#include <string>
#include <vector>

namespace qm::test {
namespace {

constexpr wchar_t kUninstallKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
constexpr wchar_t kMakerKey[] = L"Software\\The QuillMend developers";
// The folder the script unpacks the portable zip into, below QM_PORTABLE_ROOT:
// "Mein Ördner mit Leerzeichen 日本".
constexpr wchar_t kPortableFolderName[] = L"Mein \u00D6rdner mit Leerzeichen \u65E5\u672C";

std::wstring Env(const wchar_t* name) {
    wchar_t value[2048];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 2048);
    return length > 0 && length < 2048 ? std::wstring(value, length) : std::wstring();
}

std::wstring Lower(std::wstring text) {
    std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
    return text;
}

std::wstring WithoutTrailingBackslash(std::wstring path) {
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    return path;
}

bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::wstring KnownFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path)) ? path : L"";
}

std::wstring MakerFolder() { return KnownFolder(CSIDL_PROGRAM_FILES) + L"\\The QuillMend developers"; }
std::wstring InstallFolder() { return MakerFolder() + L"\\QuillMend"; }

// The Start-menu shortcut goes to the all-users Programs folder on Windows; Wine 8 resolves the
// installer's ProgramMenuFolder to the installing user's one even for a per-machine package.
std::vector<std::wstring> ShortcutPlaces() {
    return {KnownFolder(CSIDL_COMMON_PROGRAMS) + L"\\QuillMend.lnk", KnownFolder(CSIDL_PROGRAMS) + L"\\QuillMend.lnk"};
}

// Runs msiexec.exe with `arguments` and gives its exit code.
DWORD Msiexec(const std::wstring& arguments) {
    std::wstring command = L"msiexec.exe " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        ADD_FAILURE() << "msiexec did not start: " << ::GetLastError();
        return ~0u;
    }
    KernelHandle process(info.hProcess);
    KernelHandle thread(info.hThread);
    if (::WaitForSingleObject(process.Get(), 5 * 60 * 1000) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.Get(), 1);
        ADD_FAILURE() << "msiexec " << Narrow(arguments) << " still ran after five minutes";
        return ~0u;
    }
    DWORD code = ~0u;
    ::GetExitCodeProcess(process.Get(), &code);
    return code;
}

DWORD InstallSilently(const std::wstring& package) { return Msiexec(L"/i \"" + package + L"\" /qn"); }
DWORD RemoveSilently(const std::wstring& productCode) { return Msiexec(L"/x " + productCode + L" /qn"); }

// One Add/Remove Programs entry: the key's name and its values, numbers as decimal text.
struct ArpEntry {
    std::wstring key;
    std::map<std::wstring, std::wstring> values;
    std::wstring operator[](const std::wstring& name) const {
        auto it = values.find(name);
        return it == values.end() ? L"" : it->second;
    }
};

std::map<std::wstring, std::wstring> ReadValues(HKEY key) {
    std::map<std::wstring, std::wstring> values;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256, type = 0;
        BYTE data[4096];
        DWORD size = sizeof(data) - sizeof(wchar_t);
        const LONG result = ::RegEnumValueW(key, i, name, &nameLength, nullptr, &type, data, &size);
        if (result == ERROR_NO_MORE_ITEMS) break;
        if (result != ERROR_SUCCESS) continue;  // a value too long for this test to care about
        if (type == REG_DWORD) {
            values[name] = std::to_wstring(*reinterpret_cast<const DWORD*>(data));
        } else if (type == REG_SZ || type == REG_EXPAND_SZ) {
            data[size] = data[size + 1] = 0;
            values[name] = reinterpret_cast<const wchar_t*>(data);
        }
    }
    return values;
}

// The entries of Add/Remove Programs named QuillMend.
std::vector<ArpEntry> QuillMendEntries() {
    std::vector<ArpEntry> entries;
    RegistryKey uninstall;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ | KEY_WOW64_64KEY, uninstall.Put()) != ERROR_SUCCESS)
        return entries;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD length = 256;
        if (::RegEnumKeyExW(uninstall.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        RegistryKey product;
        if (::RegOpenKeyExW(uninstall.Get(), name, 0, KEY_READ | KEY_WOW64_64KEY, product.Put()) != ERROR_SUCCESS) continue;
        ArpEntry entry{name, ReadValues(product.Get())};
        if (entry[L"DisplayName"] == L"QuillMend") entries.push_back(entry);
    }
    return entries;
}

// Explorer's verbs on folders and drives that start QuillMend: "class\\verb: text | command".
std::vector<std::wstring> QuillMendVerbs() {
    std::vector<std::wstring> verbs;
    for (const wchar_t* kind : {L"Directory", L"Drive"}) {
        RegistryKey shell;
        const std::wstring path = std::wstring(L"Software\\Classes\\") + kind + L"\\shell";
        if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ | KEY_WOW64_64KEY, shell.Put()) != ERROR_SUCCESS) continue;
        for (DWORD i = 0;; ++i) {
            wchar_t name[256];
            DWORD length = 256;
            if (::RegEnumKeyExW(shell.Get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
            RegistryKey verb, command;
            if (::RegOpenKeyExW(shell.Get(), name, 0, KEY_READ | KEY_WOW64_64KEY, verb.Put()) != ERROR_SUCCESS) continue;
            if (::RegOpenKeyExW(verb.Get(), L"command", 0, KEY_READ | KEY_WOW64_64KEY, command.Put()) != ERROR_SUCCESS) continue;
            const std::wstring line = ReadValues(command.Get())[L""];
            if (Lower(line).find(L"quillmend.exe") == std::wstring::npos) continue;
            verbs.push_back(std::wstring(kind) + L"\\" + name + L": " + ReadValues(verb.Get())[L""] + L" | " + line);
        }
    }
    return verbs;
}

std::vector<std::wstring> ExpectedVerbs() {
    const std::wstring line = L"\"" + InstallFolder() + L"\\QuillMend.exe\" /scan \"%1\"";
    return {L"Directory\\QuillMend.Scan: Find broken shortcuts here | " + line,
            L"Drive\\QuillMend.Scan: Find broken shortcuts here | " + line};
}

// Explorer's verb on a folder holding one broken shortcut: its command line, with the folder
// for %1, starts the program straight on the scan, and the results list that shortcut.
void VerbScansTheFolder(const std::wstring& verb) {
    const std::wstring folder = KnownFolder(CSIDL_COMMON_APPDATA) + L"\\QuillMend verb test";
    ::CreateDirectoryW(folder.c_str(), nullptr);
    lnkwriter::LinkFields fields;
    fields.localBasePath = Narrow(folder) + "\\uninstalled.exe";
    const std::vector<unsigned char> link = lnkwriter::BuildLink(fields);
    WriteFile(folder + L"\\Old tool.lnk", std::string(link.begin(), link.end()));

    std::wstring line = verb.substr(verb.find(L" | ") + 3);
    const std::wstring program = L"\"" + InstallFolder() + L"\\QuillMend.exe\" ";
    ASSERT_EQ(line.rfind(program, 0), 0u) << Narrow(line);
    std::wstring arguments = line.substr(program.size());
    arguments.replace(arguments.find(L"%1"), 2, folder);
    Program started(InstallFolder(), {}, L"QuillMend.exe", arguments);
    HWND wizard = started.WaitForWizard();  // no welcome dialog: a message box is not a wizard
    ASSERT_NE(wizard, nullptr);
    HWND list = nullptr;
    for (int tries = 0; tries < 2400 && !list && !started.WaitForExit(std::chrono::milliseconds(50)); ++tries)
    {
        // The results page: the one with a Repair button (the scan page's list has the same id).
        const HWND page = reinterpret_cast<HWND>(::SendMessageW(wizard, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (::GetDlgItem(page, IDC_RESULTS_REPAIR)) list = ::GetDlgItem(page, IDC_RESULTS_LIST);
    }
    ASSERT_NE(list, nullptr) << "the scan never reached the results";
    EXPECT_EQ(started.ListViewColumn(list, 0), std::vector<std::wstring>{L"Old tool.lnk"});
    EXPECT_EQ(started.ListViewColumn(list, 1), std::vector<std::wstring>{folder});
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(started.WaitForExit(), 2u);
    ::DeleteFileW((folder + L"\\Old tool.lnk").c_str());
    ::RemoveDirectoryW(folder.c_str());
}

bool MakerKeyExists() {
    RegistryKey key;
    return ::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kMakerKey, 0, KEY_READ | KEY_WOW64_64KEY, key.Put()) == ERROR_SUCCESS;
}

// Removes what an earlier, interrupted run left installed, so each test starts from nothing.
void RemoveEveryInstalledCopy() {
    for (const ArpEntry& entry : QuillMendEntries()) RemoveSilently(entry.key);
}

// Every file below `folder`: its path relative to `folder`, and its bytes.
std::map<std::wstring, std::string> FilesBelow(const std::wstring& folder, const std::wstring& prefix = L"") {
    std::map<std::wstring, std::string> files;
    WIN32_FIND_DATAW found{};
    FindHandle find(::FindFirstFileW((folder + L"\\*").c_str(), &found));
    if (!find) return files;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            files.merge(FilesBelow(folder + L"\\" + name, prefix + name + L"\\"));
        else
            files[prefix + name] = ReadFile(folder + L"\\" + name);
    } while (::FindNextFileW(find.Get(), &found));
    return files;
}

std::vector<std::wstring> Names(const std::map<std::wstring, std::string>& files) {
    std::vector<std::wstring> names;
    for (const auto& [name, bytes] : files) names.push_back(name);
    return names;
}

// A string of the program's version resource (US English, Unicode).
std::wstring VersionString(const std::wstring& file, const wchar_t* name) {
    DWORD ignored = 0;
    const DWORD size = ::GetFileVersionInfoSizeW(file.c_str(), &ignored);
    std::vector<BYTE> info(size);
    if (size == 0 || !::GetFileVersionInfoW(file.c_str(), 0, size, info.data())) return L"";
    wchar_t* text = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
    return ::VerQueryValueW(info.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) && text ? text : L"";
}

// The program in `folder` starts; the welcome dialog comes first exactly when `welcome` (its
// Continue goes on), then the wizard with its English title (the language file was found
// through the settings' folder macros), and Escape ends the program with 2.
void StartsAndShowsTheWizard(const std::wstring& folder, bool welcome) {
    Program program(folder);
    ASSERT_TRUE(program.Started()) << Narrow(folder);
    HWND first = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!first && std::chrono::steady_clock::now() < deadline && !program.WaitForExit(std::chrono::milliseconds(10)))
        first = program.VisibleWindow();
    ASSERT_NE(first, nullptr) << "nothing came up";
    const bool welcomeShown = ::GetDlgItem(first, IDC_WELCOME_ALWAYS_SHOW) != nullptr;
    EXPECT_EQ(welcomeShown, welcome);
    if (welcomeShown) ::PostMessageW(::GetDlgItem(first, IDC_WELCOME_CONTINUE), BM_CLICK, 0, 0);
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(WindowText(wizard), L"QuillMend - Broken Shortcut Repair");
    ::PostMessageW(::GetDlgItem(wizard, IDCANCEL), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
}

// Nothing of the package is left: no entry, files, shortcut or registry key of its own.
// `userFiles` are files the user put into the installation folder: they stay, and so does the
// folder that holds them.
void ExpectNothingOfThePackageLeft(const std::vector<std::wstring>& userFiles = {}) {
    EXPECT_TRUE(QuillMendEntries().empty());
    if (userFiles.empty()) {
        EXPECT_FALSE(Exists(MakerFolder())) << "the maker's folder is left behind";
    } else {
        EXPECT_EQ(Names(FilesBelow(InstallFolder())), userFiles);
    }
    for (const std::wstring& place : ShortcutPlaces()) EXPECT_FALSE(Exists(place)) << Narrow(place);
    EXPECT_FALSE(MakerKeyExists());
    EXPECT_TRUE(QuillMendVerbs().empty());
    for (const wchar_t* key : {L"Software\\Classes\\Directory\\shell\\QuillMend.Scan", L"Software\\Classes\\Drive\\shell\\QuillMend.Scan"}) {
        RegistryKey left;
        EXPECT_NE(::RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | KEY_WOW64_64KEY, left.Put()), ERROR_SUCCESS) << Narrow(key);
    }
}

class MsiPackage : public ::testing::Test {
protected:
    void SetUp() override {
        package_ = Env(L"QM_PACKAGE_MSI");
        olderPackage_ = Env(L"QM_PACKAGE_OLDER_MSI");
        version_ = Env(L"QM_PACKAGE_VERSION");
        reference_ = Env(L"QM_PACKAGE_REFERENCE");
        ASSERT_TRUE(Exists(package_)) << "QM_PACKAGE_MSI: " << Narrow(package_);
        ASSERT_TRUE(Exists(reference_ + L"\\QuillMend.exe")) << "QM_PACKAGE_REFERENCE: " << Narrow(reference_);
        RemoveEveryInstalledCopy();
        ASSERT_TRUE(QuillMendEntries().empty()) << "an earlier installation cannot be removed";
    }
    void TearDown() override { RemoveEveryInstalledCopy(); }

    // Every file of the installation, byte for byte as in the portable zip, but for `changed`.
    void ExpectTheInstalledFiles(const std::vector<std::wstring>& changed = {}) {
        std::map<std::wstring, std::string> installed = FilesBelow(InstallFolder());
        std::map<std::wstring, std::string> expected = FilesBelow(reference_);
        ASSERT_EQ(Names(installed), Names(expected));
        for (const auto& [name, bytes] : expected) {
            if (std::find(changed.begin(), changed.end(), name) != changed.end()) continue;
            EXPECT_TRUE(installed[name] == bytes) << Narrow(name) << " differs from the package's";
        }
    }

    std::wstring package_, olderPackage_, version_, reference_;
};

TEST_F(MsiPackage, SilentInstallPutsEverythingInPlaceAndSilentRemovalTakesItAway) {
    ASSERT_EQ(InstallSilently(package_), 0u);
    ExpectTheInstalledFiles();
    const std::wstring program = InstallFolder() + L"\\QuillMend.exe";

    // The Start-menu shortcut, read with the suite's own shell-link reader.
    std::vector<std::wstring> shortcuts;
    for (const std::wstring& place : ShortcutPlaces())
        if (Exists(place)) shortcuts.push_back(place);
    ASSERT_EQ(shortcuts.size(), 1u) << "one Start-menu shortcut";
    const std::string bytes = ReadFile(shortcuts[0]);
    const lnk::ShellLinkInfo link =
        lnk::ParseShellLink(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
    ASSERT_EQ(link.status, lnk::ParseStatus::Ok) << link.error;
    const std::string target = link.hasLinkInfo ? link.LocalPath() : link.idListPath;
    EXPECT_EQ(Lower(Widen(target)), Lower(program));
    EXPECT_EQ(Lower(WithoutTrailingBackslash(Widen(link.workingDir))), Lower(InstallFolder()));

    // Add/Remove Programs: one entry with the name, version, publisher, size and icon.
    const std::vector<ArpEntry> entries = QuillMendEntries();
    ASSERT_EQ(entries.size(), 1u);
    const ArpEntry& entry = entries[0];
    EXPECT_EQ(entry[L"DisplayVersion"], version_);
    EXPECT_EQ(entry[L"DisplayVersion"], VersionString(program, L"ProductVersion"));
    EXPECT_EQ(entry[L"Publisher"], VersionString(program, L"CompanyName"));
    EXPECT_EQ(WithoutTrailingBackslash(entry[L"InstallLocation"]), InstallFolder());
    EXPECT_NE(Lower(entry[L"UninstallString"]).find(Lower(L"MsiExec.exe /X" + entry.key)), std::wstring::npos)
        << Narrow(entry[L"UninstallString"]);
    EXPECT_EQ(entry[L"NoModify"], L"1");  // one feature: nothing to change, so removal only
    // The size in KB: Windows estimates it itself, Wine 8 leaves EstimatedSize at 0 and shows
    // the package's own figure (ARPSIZE) as Size.
    unsigned long long total = 0;
    for (const auto& [name, content] : FilesBelow(InstallFolder())) total += content.size();
    const std::wstring size = entry[L"EstimatedSize"] != L"0" ? entry[L"EstimatedSize"] : entry[L"Size"];
    EXPECT_EQ(size, std::to_wstring((total + 1023) / 1024));
    // The icon comes from the product's registration, as Add/Remove Programs reads it.
    wchar_t icon[MAX_PATH] = {};
    DWORD iconLength = MAX_PATH;
    ASSERT_EQ(::MsiGetProductInfoW(entry.key.c_str(), INSTALLPROPERTY_PRODUCTICON, icon, &iconLength), 0u);
    EXPECT_TRUE(Exists(icon)) << Narrow(icon);
    EXPECT_EQ(ReadFile(icon).substr(0, 4), std::string("\0\0\1\0", 4)) << "an icon file";

    // The installed program: the shipped settings show the welcome dialog first.
    StartsAndShowsTheWizard(InstallFolder(), true);
    // Explorer's verb on folders and drives, for every user, and what it starts.
    const std::vector<std::wstring> verbs = QuillMendVerbs();
    ASSERT_EQ(verbs, ExpectedVerbs());
    VerbScansTheFolder(verbs[0]);

    // A file the user keeps in the installation folder is not the package's to remove.
    WriteFile(InstallFolder() + L"\\my notes.txt", "mine");
    ASSERT_EQ(RemoveSilently(entry.key), 0u);
    ExpectNothingOfThePackageLeft({L"my notes.txt"});
    EXPECT_FALSE(Exists(icon));
    EXPECT_EQ(::MsiQueryProductStateW(entry.key.c_str()), INSTALLSTATE_UNKNOWN) << "still registered";
    ::DeleteFileW((InstallFolder() + L"\\my notes.txt").c_str());
    ::RemoveDirectoryW(InstallFolder().c_str());
    ::RemoveDirectoryW(MakerFolder().c_str());
}

TEST_F(MsiPackage, UpgradeFromAnOlderVersionKeepsOneEntryAndTheUsersChanges) {
    ASSERT_TRUE(Exists(olderPackage_)) << "QM_PACKAGE_OLDER_MSI: " << Narrow(olderPackage_);
    ASSERT_EQ(InstallSilently(olderPackage_), 0u);
    std::vector<ArpEntry> entries = QuillMendEntries();
    ASSERT_EQ(entries.size(), 1u);
    ASSERT_NE(entries[0][L"DisplayVersion"], version_);

    // What the user changed: the welcome dialog switched off, and a saved folder selection.
    const std::wstring settings = InstallFolder() + L"\\config.ini";
    ASSERT_TRUE(::WritePrivateProfileStringW(L"quillmend_module", L"showstartup", L"0", settings.c_str()));
    const std::wstring selection = InstallFolder() + L"\\data\\QuillMend.xml";
    const std::string savedSelection =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<config>\r\n  <select_folders>\r\n"
        "    <item name=\"C:\\users\"/>\r\n    <item name=\"C:\\ProgramData\"/>\r\n  </select_folders>\r\n</config>\r\n";
    WriteFile(selection, savedSelection);
    const std::string changedSettings = ReadFile(settings);

    ASSERT_EQ(InstallSilently(package_), 0u);
    entries = QuillMendEntries();
    ASSERT_EQ(entries.size(), 1u) << "the older version's entry is replaced";
    EXPECT_EQ(entries[0][L"DisplayVersion"], version_);
    EXPECT_EQ(ReadFile(settings), changedSettings);
    EXPECT_EQ(ReadFile(selection), savedSelection);
    ExpectTheInstalledFiles({L"config.ini", L"data\\QuillMend.xml"});
    EXPECT_EQ(QuillMendVerbs(), ExpectedVerbs()) << "one verb on folders and one on drives after the upgrade";
    // The kept setting is the one the new version reads: straight to the wizard.
    StartsAndShowsTheWizard(InstallFolder(), false);

    // Removal takes the user's changed files too: they were the package's.
    ASSERT_EQ(RemoveSilently(entries[0].key), 0u);
    ExpectNothingOfThePackageLeft();
}

TEST_F(MsiPackage, AnotherBuildOfTheSameVersionReplacesItAndAnOlderVersionIsRefused) {
    const std::wstring rebuilt = Env(L"QM_PACKAGE_REBUILT_MSI");
    ASSERT_TRUE(Exists(rebuilt)) << "QM_PACKAGE_REBUILT_MSI: " << Narrow(rebuilt);
    ASSERT_TRUE(Exists(olderPackage_)) << "QM_PACKAGE_OLDER_MSI: " << Narrow(olderPackage_);
    ASSERT_EQ(InstallSilently(package_), 0u);
    const std::vector<ArpEntry> installed = QuillMendEntries();
    ASSERT_EQ(installed.size(), 1u);

    // An older version stops at its launch condition: a fatal error, nothing changed.
    EXPECT_EQ(InstallSilently(olderPackage_), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    std::vector<ArpEntry> entries = QuillMendEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].key, installed[0].key);

    // A rebuild of the same version (a product code of its own) takes the installed one's place.
    ASSERT_EQ(InstallSilently(rebuilt), 0u);
    entries = QuillMendEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_NE(entries[0].key, installed[0].key);
    EXPECT_EQ(entries[0][L"DisplayVersion"], version_);
    // Its programs carry signatures of their own, so only the names can be compared here.
    EXPECT_EQ(Names(FilesBelow(InstallFolder())), Names(FilesBelow(reference_)));
}

TEST(PortableZip, StartsFromAFolderWithSpacesAndNonAsciiLetters) {
    const std::wstring folder = Env(L"QM_PORTABLE_ROOT") + L"\\" + kPortableFolderName + L"\\QuillMend";
    ASSERT_TRUE(Exists(folder + L"\\QuillMend.exe")) << Narrow(folder);
    StartsAndShowsTheWizard(folder, true);
}

}  // namespace
}  // namespace qm::test
