// The program with the suite's real components' DLL and the shipped data files (folder
// "app-real", a copy of the installation): the wizard comes up in English; the exits that
// depend on the system (no XML library, no components at all) end as they should; and files
// that are missing or damaged never lock the user out, nor show a bare language key.
#include "ProgramDriver.h"

#include "base/Utf.h"
#include "base/win/WindowTree.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::test {
namespace {

std::wstring Folder() { return TestFolder() + L"\\app-real"; }

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// The shipped settings with the welcome dialog switched off, so the wizard comes up at once;
// `langfile` in place of the shipped language file's path.
void PrepareSettings(const std::string& langfile = "") {
    std::string ini = Replaced(ReadFile(Folder() + L"\\config.shipped.ini"), "showstartup=1", "showstartup=0");
    if (!langfile.empty()) ini = Replaced(ini, "%ModulePath%\\lang\\English.lng", langfile);
    WriteFile(Folder() + L"\\config.ini", ini);
}

std::wstring UserStateFile() { return Folder() + L"\\data\\QuillMend.xml"; }
std::string ShippedUserState() { return ReadFile(Folder() + L"\\QuillMend.shipped.xml"); }

// A language key as the user would see it where a text belongs: "_QM_005", "_Error".
bool ShowsAKey(const std::wstring& text) {
    return text.find(L"_QM_") != std::wstring::npos || (!text.empty() && text[0] == L'_');
}

// The captions of the window and all its children that are bare keys.
std::vector<std::wstring> KeysShown(HWND window) {
    std::vector<std::wstring> keys;
    for (HWND each : WindowAndDescendants(window)) {
        if (ShowsAKey(WindowText(each))) keys.push_back(WindowText(each));
    }
    return keys;
}

// Closes the box the program shows first and returns its caption and text; then expects the
// wizard in English, and closes it.
std::pair<std::wstring, std::wstring> AnswerTheBoxThenCancelTheWizard(Program& program) {
    HWND box = program.WaitForMessageBox();
    if (!box) return {};
    std::pair<std::wstring, std::wstring> shown{WindowText(box), MessageBoxText(box)};
    ::PostMessageW(box, WM_COMMAND, IDOK, 0);
    HWND wizard = program.WaitForWizard();
    EXPECT_NE(wizard, nullptr) << "the program goes on after the box";
    if (!wizard) return shown;
    EXPECT_EQ(WindowText(wizard), L"QuillMend - Broken Shortcut Repair");
    EXPECT_EQ(KeysShown(wizard), std::vector<std::wstring>{});
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    return shown;
}

class RealComponents : public ::testing::Test {
protected:
    void SetUp() override {
        if (::GetFileAttributesW((Folder() + L"\\QuillSuite.dll").c_str()) == INVALID_FILE_ATTRIBUTES) {
            GTEST_SKIP() << "the components' DLL is not part of this build";
        }
        ASSERT_TRUE(WaitUntilNoInstanceRuns()) << "another copy of QuillMend keeps running";
        PrepareSettings();
        WriteFile(UserStateFile(), ShippedUserState());
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

SIZE WindowSize(HWND window) {
    RECT rect{};
    ::GetWindowRect(window, &rect);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

// The size the wizard comes up at, then closed with Cancel; {0, 0} when it does not come up.
SIZE SizeAtStart(SIZE resizeTo = {}) {
    Program program(Folder());
    HWND wizard = program.WaitForWizard();
    if (!wizard) return {};
    const SIZE size = WindowSize(wizard);
    if (resizeTo.cx) ::SetWindowPos(wizard, nullptr, 0, 0, resizeTo.cx, resizeTo.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
    EXPECT_EQ(program.WaitForExit(), 2u);
    return size;
}

TEST_F(RealComponents, TheWizardComesBackAtItsLastSizeFittedToTheScreen) {
    const SIZE own = SizeAtStart();
    ASSERT_GT(own.cx, 0);
    const SIZE larger{own.cx + 200, own.cy + 100};
    SizeAtStart(larger);
    EXPECT_TRUE(ReadFile(UserStateFile()).find("<wizard width=\"" + std::to_string(larger.cx) + "\" height=\"" +
                                               std::to_string(larger.cy) + "\"") != std::string::npos)
        << ReadFile(UserStateFile());
    const SIZE again = SizeAtStart();
    EXPECT_EQ(again.cx, larger.cx);
    EXPECT_EQ(again.cy, larger.cy);

    RECT work{};
    ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const struct {
        const char* element;
        SIZE expected;
    } cases[] = {
        {"<wizard width=\"50000\" height=\"40000\" result_columns=\"1,2\"/>", {work.right - work.left, work.bottom - work.top}},
        {"<wizard width=\"100\" height=\"100\"/>", own},
        {"<wizard width=\"huge\" height=\"-3\" result_columns=\"x\"/>", own},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.element);
        WriteFile(UserStateFile(), Replaced(ShippedUserState(), "</config>", std::string(c.element) + "</config>"));
        const SIZE size = SizeAtStart();
        EXPECT_EQ(size.cx, c.expected.cx);
        EXPECT_EQ(size.cy, c.expected.cy);
    }
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

// The module XML holds only the user's state: missing, empty or cut off, it is replaced by a
// fresh one, a damaged one kept beside it; one box names both, and the next start shows none. A
// file that cannot be read now (another program holds it) is left as it is, and the box says why.
TEST_F(RealComponents, AMissingOrDamagedUserStateFileIsReplacedKeptAndReportedOnce) {
    const std::string shipped = ShippedUserState();
    ASSERT_NE(shipped.find("<select_folders"), std::string::npos);
    const std::wstring kept = UserStateFile() + L".damaged";
    std::wstring sharingViolation = SystemMessage(ERROR_SHARING_VIOLATION);
    if (!sharingViolation.empty() && sharingViolation.back() == L'.') sharingViolation.pop_back();
    struct Case {
        const char* name;
        std::optional<std::string> content;  // none: no file
        bool locked;
    } cases[] = {
        {"cut off", std::string("<?xml version=\"1.0\"?>\r\n<config>\r\n  <select_fol"), false},
        {"empty", std::string(), false},
        {"missing", std::nullopt, false},
        {"locked", shipped, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(kept.c_str());
        ::DeleteFileW(UserStateFile().c_str());
        if (c.content) WriteFile(UserStateFile(), *c.content);
        {
            FileHandle lock(c.locked ? ::CreateFileW(UserStateFile().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)
                                     : INVALID_HANDLE_VALUE);
            Program program(Folder());
            const auto [caption, text] = AnswerTheBoxThenCancelTheWizard(program);
            EXPECT_FALSE(ShowsAKey(caption) || ShowsAKey(text)) << Narrow(caption) << ": " << Narrow(text);
            EXPECT_NE(text.find(UserStateFile()), std::wstring::npos) << Narrow(text);
            if (c.locked) {
                EXPECT_NE(text.find(sharingViolation), std::wstring::npos) << "the system's reason: " << Narrow(text);
            } else if (c.content) {
                EXPECT_NE(text.find(kept), std::wstring::npos) << Narrow(text);
                EXPECT_NE(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES);
                EXPECT_EQ(ReadFile(kept), *c.content) << "the damaged bytes are kept";
            }
            if (!c.content || c.locked) {
                EXPECT_EQ(::GetFileAttributesW(kept.c_str()), INVALID_FILE_ATTRIBUTES) << "nothing to keep";
            }
        }
        EXPECT_EQ(ReadFile(UserStateFile()), shipped);
        Program again(Folder());
        HWND wizard = again.WaitForWizard();
        ASSERT_NE(wizard, nullptr);
        EXPECT_EQ(again.VisibleWindow(), wizard) << "no box at the next start";
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(again.WaitForExit(), 2u);
    }
    ::DeleteFileW(kept.c_str());
}

// A language file that is missing, lacks texts or is cut off: the built-in English stands in, the
// user is told once which file (not again at the next start), and no box or window shows a bare key.
TEST_F(RealComponents, AMissingOrIncompleteLanguageFileIsReportedOnceAndEnglishStandsIn) {
    const std::string english = ReadFile(Folder() + L"\\lang\\English.lng");
    std::string lacking = english;
    for (const char* line : {"_QM_Mainname=", "_QM_005=", "_Error=", "_Information="}) {
        const size_t at = lacking.find(std::string("\n") + line);
        ASSERT_NE(at, std::string::npos) << line;
        lacking.erase(at + 1, lacking.find('\n', at + 1) - at);
    }
    struct Case {
        const char* name;
        const wchar_t* file;
        std::optional<std::string> content;
        const wchar_t* told;
    } cases[] = {
        {"missing", L"Missing.lng", std::nullopt, L"does not exist"},
        {"lacks texts", L"Lacking.lng", lacking, L"lacks 4 of"},
        {"cut off", L"CutOff.lng", lacking + "_QM_0", L"line"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.file));
        const std::wstring path = Folder() + L"\\lang\\" + c.file;
        ::DeleteFileW(path.c_str());
        if (c.content) WriteFile(path, *c.content);
        PrepareSettings("%ModulePath%\\lang\\" + Narrow(c.file));
        {
            Program program(Folder());
            const auto [caption, text] = AnswerTheBoxThenCancelTheWizard(program);
            EXPECT_FALSE(ShowsAKey(caption) || ShowsAKey(text)) << Narrow(caption) << ": " << Narrow(text);
            EXPECT_NE(text.find(path), std::wstring::npos) << Narrow(text);
            EXPECT_NE(text.find(c.told), std::wstring::npos) << Narrow(text);
        }
        // Told once: the next start with the same file goes straight to the wizard, in English.
        Program again(Folder());
        HWND wizard = again.WaitForWizard();
        ASSERT_NE(wizard, nullptr);
        EXPECT_EQ(again.VisibleWindow(), wizard) << "no box at the next start";
        EXPECT_EQ(KeysShown(wizard), std::vector<std::wstring>{});
        ::PostMessageW(wizard, WM_COMMAND, IDCANCEL, 0);
        EXPECT_EQ(again.WaitForExit(), 2u);
        ::DeleteFileW(path.c_str());
    }
}

// Without its settings file the program cannot find its other files: it ends, with a box in the
// built-in English that names the file and says what to do.
TEST_F(RealComponents, AMissingOrDamagedSettingsFileEndsTheProgramWithABoxThatSaysWhatToDo) {
    const std::wstring settings = Folder() + L"\\config.ini";
    std::wstring accessDenied = SystemMessage(ERROR_ACCESS_DENIED);
    if (!accessDenied.empty() && accessDenied.back() == L'.') accessDenied.pop_back();
    struct Case {
        const char* name;
        std::optional<std::string> content;
        std::wstring fault;  // the component's account, the system's words where it has them
        const wchar_t* advice;
    } cases[] = {
        {"missing", std::nullopt, L"does not exist", L"Please reinstall QuillMend to restore the file."},
        {"damaged", std::string("[common\r\nlangfile=x\r\n"), L"(line 1)", L"Please correct the line named above"},
        {"a folder in its place", std::nullopt, accessDenied, L"Please make sure that the file can be read"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ::DeleteFileW(settings.c_str());
        ::RemoveDirectoryW(settings.c_str());
        if (c.content) WriteFile(settings, *c.content);
        if (std::string(c.name) == "a folder in its place") ::CreateDirectoryW(settings.c_str(), nullptr);
        Program program(Folder());
        HWND box = program.WaitForMessageBox();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(WindowText(box), L"QuillMend - Error");
        const std::wstring text = MessageBoxText(box);
        EXPECT_FALSE(ShowsAKey(text)) << Narrow(text);
        EXPECT_NE(text.find(settings), std::wstring::npos) << Narrow(text);
        EXPECT_NE(text.find(c.fault), std::wstring::npos) << Narrow(text);
        EXPECT_NE(text.find(c.advice), std::wstring::npos) << Narrow(text);
        ::PostMessageW(box, WM_COMMAND, IDOK, 0);
        EXPECT_EQ(program.WaitForExit(), 3u);
    }
    ::RemoveDirectoryW(settings.c_str());
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
