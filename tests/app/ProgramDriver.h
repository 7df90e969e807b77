// Starts a copy of QuillMend.exe from a test folder and drives its real windows from outside,
// as a user would: finds the wizard or a message box of that process, posts commands to
// them, and collects the exit code. Waiting is done by polling the windows and the process
// handle, never by fixed sleeps.
#pragma once

#include "base/win/Handle.h"
#include "base/win/SystemText.h"

#include <windows.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace qm::test {

// The folder of the running test program.
std::wstring TestFolder();
// Reads a whole UTF-8 file; "" when missing.
std::string ReadFile(const std::wstring& path);
void WriteFile(const std::wstring& path, const std::string& text);
std::vector<std::string> Lines(const std::string& text);

class Program {
public:
    // Starts `folder`\`program` in `folder` with `arguments` after its name; `environment`
    // entries ("NAME=value") replace or add to this process's environment for the child.
    explicit Program(const std::wstring& folder, const std::vector<std::wstring>& environment = {},
                     const std::wstring& program = L"QuillMend.exe", const std::wstring& arguments = L"");
    ~Program();  // ends a process still running, so a failed test leaves nothing behind
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    bool Started() const { return process_.IsValid(); }
    DWORD Id() const { return id_; }
    std::chrono::steady_clock::time_point StartTime() const { return started_; }

    // The visible wizard sheet (a dialog with a tab control), or null when the process ended
    // or the time ran out.
    HWND WaitForWizard(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // A visible message box (a dialog without a tab control).
    HWND WaitForMessageBox(std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Any visible top-level window of the process, or null.
    HWND VisibleWindow() const;
    // The exit code, or nullopt if it still runs after `timeout`.
    std::optional<DWORD> WaitForExit(std::chrono::milliseconds timeout = std::chrono::seconds(60));

    // Controls of the program's windows that answer through pointers (read in its memory):
    // one column of a list view, row by row; the visible items of a tree view with their
    // state image (the tick), in display order.
    std::vector<std::wstring> ListViewColumn(HWND list, int column) const;
    std::vector<std::pair<std::wstring, UINT>> VisibleTreeItems(HWND tree) const;

private:
    HWND WaitFor(bool wantWizard, std::chrono::milliseconds timeout);

    KernelHandle process_;
    DWORD id_ = 0;
    std::chrono::steady_clock::time_point started_;
};

// Every copy of the program in the Wine prefix shares one single-instance mutex, so a copy
// started by someone else makes ours end at once. Waits (polling) until none runs; false if
// one still runs after `timeout`.
bool WaitUntilNoInstanceRuns(std::chrono::milliseconds timeout = std::chrono::minutes(3));

bool IsWizard(HWND window);
// The message box's text (its static control) and caption.
std::wstring MessageBoxText(HWND box);
using qm::WindowText;

}  // namespace qm::test
