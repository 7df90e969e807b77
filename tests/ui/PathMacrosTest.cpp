// Path macros, the module's own path and folder, and version strings, checked against what
// the system itself reports for the same folders and files.
#include "ui/PathMacros.h"

#include "base/Utf.h"
#include "base/win/Handle.h"

#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstdlib>
#include <string>

namespace qm::ui {
namespace {

std::string WithoutSlash(std::string folder) {
    if (!folder.empty() && folder.back() == '\\') folder.pop_back();
    return folder;
}

std::string Temp() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, buffer);
    return WithoutSlash(Narrow(std::wstring_view(buffer, length)));
}

std::string Windows() {
    wchar_t buffer[MAX_PATH];
    const UINT length = ::GetWindowsDirectoryW(buffer, MAX_PATH);
    return WithoutSlash(Narrow(std::wstring_view(buffer, length)));
}

std::string ShellFolder(int csidl) {
    wchar_t buffer[MAX_PATH] = {};
    if (FAILED(::SHGetFolderPathW(nullptr, csidl, nullptr, 0, buffer))) return {};
    return WithoutSlash(Narrow(buffer));
}

// The test program's own folder, found through the current directory (ctest runs every test
// program in its own folder) rather than through the code under test.
std::string ThisFolder() {
    wchar_t buffer[MAX_PATH];
    const DWORD length = ::GetCurrentDirectoryW(MAX_PATH, buffer);
    return WithoutSlash(Narrow(std::wstring_view(buffer, length)));
}

// Set by the test run that hides the shell-folder library (WINEDLLOVERRIDES=shfolder=d).
bool ShellFolderLibraryHidden() { return std::getenv("QM_NO_SHFOLDER") != nullptr; }

TEST(PathMacros, ExpandsEachMacroToTheSystemsFolder) {
    const std::string module = ThisFolder();
    struct Case {
        const char* text;
        std::string expected;
    };
    const Case always[] = {
        {"%ModulePath%\\lang\\English.lng", module + "\\lang\\English.lng"},
        {"%TEMPDIRECTORY%\\qm", Temp() + "\\qm"},
        {"%tempdirectory%", Temp()},
        {"%Windows%|%WindowsDirectory%", Windows() + "|" + Windows()},
        {"%Unknown%\\x", "%Unknown%\\x"},
        {"no macro at all", "no macro at all"},
    };
    for (const Case& c : always) EXPECT_EQ(ExpandPathMacros(c.text), c.expected) << c.text;

    if (ShellFolderLibraryHidden()) {
        for (const char* text : {"%Personal%", "%AppData%\\x", "%CommonAppData%", "%LocalAppData%"}) {
            EXPECT_EQ(ExpandPathMacros(text), text);
        }
        EXPECT_EQ(ExpandPathMacros("%ModulePath%|%Personal%"), module + "|%Personal%");
        return;
    }
    const std::string appData = ShellFolder(CSIDL_APPDATA);
    const std::string common = ShellFolder(CSIDL_COMMON_APPDATA);
    ASSERT_FALSE(appData.empty());
    ASSERT_FALSE(common.empty());
    const Case shell[] = {
        {"%Personal%", ShellFolder(CSIDL_PERSONAL)},
        {"%AppData%\\QuillMend", appData + "\\QuillMend"},
        {"%AppData%;%AppData%", appData + ";%AppData%"},
        {"%CommonAppData%", common},
        {"%LocalAppData%", common},
    };
    for (const Case& c : shell) EXPECT_EQ(ExpandPathMacros(c.text), c.expected) << c.text;
}

TEST(PathMacros, ModulePathAndFolderAreTheProgramsOwn) {
    const std::string folder = ThisFolder();
    const std::string path = GetModulePath();
    EXPECT_EQ(GetModuleDirectory(), folder);
    ASSERT_GT(path.size(), folder.size());
    EXPECT_EQ(path.substr(0, folder.size() + 1), folder + "\\");
    EXPECT_EQ(::GetFileAttributesW(Widen(path).c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    // A module other than the program: its own file.
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    EXPECT_EQ(GetModuleDirectory(kernel), WithoutSlash(Narrow([&] {
                  wchar_t buffer[MAX_PATH];
                  const UINT length = ::GetSystemDirectoryW(buffer, MAX_PATH);
                  return std::wstring(buffer, length);
              }())));
}

TEST(VersionStrings, ReadTheProgramsVersionResource) {
    // The test folder holds a copy of the program (see tests/app/CMakeLists.txt).
    const std::string program = ThisFolder() + "\\app-double\\QuillMend.exe";
    ASSERT_NE(::GetFileAttributesW(Widen(program).c_str()), INVALID_FILE_ATTRIBUTES) << program;
    EXPECT_EQ(GetProductName(program), "QuillMend");
    EXPECT_EQ(GetProductVersion(program), QM_TEST_VERSION);
    EXPECT_EQ(GetVersionString(program, "ProductVersion"), QM_TEST_VERSION);
    EXPECT_EQ(GetVersionString(program, "LegalCopyright"), "Copyright \xC2\xA9 2026 The QuillMend developers");
    EXPECT_EQ(GetVersionString(program, "NoSuchValue"), "");
}

TEST(VersionStrings, AFileWithoutVersionResourceGivesEmptyTexts) {
    const std::string plain = ThisFolder() + "\\no-version.txt";
    {
        FileHandle file(::CreateFileW(Widen(plain).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        ASSERT_TRUE(file);
        DWORD written = 0;
        ::WriteFile(file.Get(), "no version here\n", 16, &written, nullptr);
    }
    const std::string missing = ThisFolder() + "\\no-such-file.exe";
    for (const std::string& file : {plain, missing, GetModulePath()}) {
        for (const char* name : {"ProductName", "ProductVersion", "LegalCopyright"}) {
            EXPECT_EQ(GetVersionString(file, name), "") << file << " " << name;
        }
    }
    ::DeleteFileW(Widen(plain).c_str());
}

}  // namespace
}  // namespace qm::ui
