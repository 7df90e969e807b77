// The welcome dialog in the real program: a copy of QuillMend.exe beside the recording
// stand-in of the components' DLL (whose settings component reads and writes config.ini),
// driven from outside as a user would. The dialog comes before the wizard only while
// "showstartup" is nonzero, and what its check box writes decides the next start.
#include "tests/app/ProgramDriver.h"

#include "base/Utf.h"
#include "res/dialogs/WelcomeDialog.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {
namespace {

std::wstring Folder() { return TestFolder() + L"\\welcome-double"; }

void WriteSettings(int showStartup) {
    std::string ini;
    ini += "[common]\r\nlangfile=%ModulePath%\\lang\\English.lng\r\nxmlfile=%ModulePath%\\data\\Common.xml\r\n";
    ini += "EnableSkin=0\r\n[Vaultdesk]\r\nvd_backup_dir=%TempDirectory%\\QuillMendBackup\r\n";
    ini += "[quillmend_module]\r\nxmlfile=%ModulePath%\\data\\QuillMend.xml\r\n";
    ini += "showstartup=" + std::to_string(showStartup) + "\r\n";
    WriteFile(Folder() + L"\\config.ini", ini);
}

int StoredShowStartup() {
    return static_cast<int>(
        ::GetPrivateProfileIntW(L"quillmend_module", L"showstartup", -1, (Folder() + L"\\config.ini").c_str()));
}

std::vector<std::string> Writes() {
    std::vector<std::string> writes;
    for (const std::string& line : Lines(ReadFile(Folder() + L"\\calls.log")))
        if (line.find(".SetInt(") != std::string::npos) writes.push_back(line.substr(line.find(".SetInt(") + 1));
    return writes;
}

bool WaitForWrites(size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (Writes().size() < count) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        ::Sleep(10);
    }
    return true;
}

struct ProgramRun {
    std::vector<std::string> writes;
    bool welcomeShown = false;
    bool wizardVisibleWithWelcome = false;
    bool wizardAfterwards = false;
    std::optional<DWORD> exitCode;
};

// One start of the program: `clicks` clicks on the box, then `closeCommand` on the welcome dialog
// if it comes, then Cancel on the wizard.
ProgramRun RunOnce(int clicks, UINT closeCommand) {
    ProgramRun run;
    ::DeleteFileW((Folder() + L"\\calls.log").c_str());
    Program program(Folder());
    EXPECT_TRUE(program.Started());
    // Whichever comes first: the welcome dialog or the wizard.
    HWND first = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!first && std::chrono::steady_clock::now() < deadline && !program.WaitForExit(std::chrono::milliseconds(10)))
        first = program.VisibleWindow();
    if (first && ::GetDlgItem(first, IDC_WELCOME_ALWAYS_SHOW)) {
        run.welcomeShown = true;
        run.wizardVisibleWithWelcome = [&] {
            HWND window = nullptr;
            while ((window = ::FindWindowExW(nullptr, window, L"#32770", nullptr)) != nullptr) {
                DWORD process = 0;
                ::GetWindowThreadProcessId(window, &process);
                if (process == program.Id() && IsWizard(window) && ::IsWindowVisible(window)) return true;
            }
            return false;
        }();
        for (int i = 0; i < clicks; ++i) {
            ::PostMessageW(::GetDlgItem(first, IDC_WELCOME_ALWAYS_SHOW), BM_CLICK, 0, 0);
            EXPECT_TRUE(WaitForWrites(static_cast<size_t>(i) + 1));
        }
        if (closeCommand == IDC_WELCOME_CONTINUE)
            ::PostMessageW(::GetDlgItem(first, IDC_WELCOME_CONTINUE), BM_CLICK, 0, 0);
        else
            ::PostMessageW(first, WM_COMMAND, MAKEWPARAM(closeCommand, BN_CLICKED), 0);
    }
    HWND wizard = program.WaitForWizard(std::chrono::seconds(30));
    run.wizardAfterwards = wizard != nullptr;
    if (wizard) ::PostMessageW(wizard, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    run.exitCode = program.WaitForExit(std::chrono::seconds(30));
    run.writes = Writes();
    return run;
}

constexpr const char* kWroteOff = "SetInt(quillmend_module,showstartup,0)";
constexpr const char* kWroteOn = "SetInt(quillmend_module,showstartup,1)";

TEST(WelcomeInProgram, ShownBeforeTheWizardOnlyWhileSwitchedOn) {
    ASSERT_NE(::GetFileAttributesW((Folder() + L"\\QuillMend.exe").c_str()), INVALID_FILE_ATTRIBUTES);
    struct Case {
        const char* name;
        int stored;
        int clicks;
        UINT close;
        bool shown;
        std::vector<std::string> writes;
        int storedAfter;
    } cases[] = {
        {"switched off: straight to the wizard", 0, 0, 0, false, {}, 0},
        {"untick and Continue", 1, 1, IDC_WELCOME_CONTINUE, true, {kWroteOff}, 0},
        {"untick, tick again, Escape: the last click counts", 1, 2, IDCANCEL, true, {kWroteOff, kWroteOn}, 1},
        {"Enter without clicks writes nothing", 1, 0, IDOK, true, {}, 1},
        {"any nonzero value shows it", 5, 0, IDC_WELCOME_CONTINUE, true, {}, 5},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteSettings(c.stored);
        const ProgramRun run = RunOnce(c.clicks, c.close);
        EXPECT_EQ(run.welcomeShown, c.shown);
        EXPECT_FALSE(run.wizardVisibleWithWelcome) << "the welcome dialog comes before the wizard";
        EXPECT_TRUE(run.wizardAfterwards);
        EXPECT_EQ(run.exitCode, std::optional<DWORD>(2));
        EXPECT_EQ(run.writes, c.writes);
        EXPECT_EQ(StoredShowStartup(), c.storedAfter);
    }

    // What the box wrote decides the next start.
    WriteSettings(1);
    EXPECT_TRUE(RunOnce(1, IDC_WELCOME_CONTINUE).welcomeShown);
    EXPECT_FALSE(RunOnce(0, 0).welcomeShown);
}

}  // namespace
}  // namespace qm::test
