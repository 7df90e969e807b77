// The program with the suite's real components' DLL and the shipped data files (folder
// "app-real", a copy of the installation): the wizard comes up in English, and the exits that
// depend on the system (no XML library, no components at all) end as they should.
#include "ProgramDriver.h"

#include "base/Utf.h"

#include <gtest/gtest.h>

#include <string>

namespace qm::test {
namespace {

std::wstring Folder() { return TestFolder() + L"\\app-real"; }

// The shipped settings with the welcome dialog switched off, so the wizard comes up at once.
void PrepareSettings() {
    std::string ini = ReadFile(Folder() + L"\\config.shipped.ini");
    const std::string from = "showstartup=1", to = "showstartup=0";
    const size_t at = ini.find(from);
    if (at != std::string::npos) ini.replace(at, from.size(), to);
    WriteFile(Folder() + L"\\config.ini", ini);
}

class RealComponents : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetFileAttributesW((Folder() + L"\\QuillSuite.dll").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the components' DLL is not part of this build";
        }
        ASSERT_TRUE(WaitUntilNoInstanceRuns()) << "another copy of QuillMend keeps running";
        PrepareSettings();
    }
};

TEST_F(RealComponents, WizardShowsTheEnglishTitleAndCancelEndsWithTwo) {
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    ASSERT_NE(wizard, nullptr);
    EXPECT_EQ(WindowText(wizard), L"QuillMend - Broken Shortcut Repair");
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
}

// Wine's per-program DLL settings hide the system XML library from one copy of the program,
// named apart so that no other program in the prefix is affected.
class HiddenXmlLibrary {
public:
    static constexpr wchar_t kProgram[] = L"QuillMendNoXml.exe";
    HiddenXmlLibrary() {
        ::CopyFileW((Folder() + L"\\QuillMend.exe").c_str(), (Folder() + L"\\" + kProgram).c_str(), FALSE);
        HKEY key = nullptr;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, Key().c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) ==
            ERROR_SUCCESS) {
            for (const wchar_t* library : {L"msxml3", L"msxml4", L"msxml6", L"msxml"}) {
                ::RegSetValueExW(key, library, 0, REG_SZ, reinterpret_cast<const BYTE*>(L""), sizeof(wchar_t));
            }
            ::RegCloseKey(key);
        }
    }
    ~HiddenXmlLibrary() {
        ::RegDeleteKeyW(HKEY_CURRENT_USER, Key().c_str());
        ::DeleteFileW((Folder() + L"\\" + kProgram).c_str());
    }

private:
    static std::wstring Key() { return std::wstring(L"Software\\Wine\\AppDefaults\\") + kProgram + L"\\DllOverrides"; }
};

TEST_F(RealComponents, WithoutTheSystemXmlLibraryTheUserIsToldOnceAndTheProgramEndsWithZero) {
    HiddenXmlLibrary hidden;
    Program program(Folder(), {}, HiddenXmlLibrary::kProgram);
    HWND box = program.WaitForMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(WindowText(box), L"QuillMend - Error");
    EXPECT_NE(MessageBoxText(box).find(L"MSXML"), std::wstring::npos);
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(program.WaitForExit(), 0u);
}

TEST(ProgramWithoutComponents, EndsWithZeroAndShowsNothing) {
    // A folder with the program alone: no class of the components can be created.
    ASSERT_TRUE(WaitUntilNoInstanceRuns());
    Program program(TestFolder() + L"\\app-alone");
    ASSERT_TRUE(program.Started());
    const std::optional<DWORD> code = program.WaitForExit();
    EXPECT_EQ(code, 0u);
}

}  // namespace
}  // namespace qm::test
