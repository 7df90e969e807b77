#include "ProgramDriver.h"

#include "base/Utf.h"

#include <sstream>

namespace qm::test {
namespace {

struct Search {
    DWORD processId;
    bool wantWizard;
    bool anyVisible;
    HWND found;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<Search*>(context);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(window, &owner);
    if (owner != search.processId || !::IsWindowVisible(window)) return TRUE;
    if (search.anyVisible || IsWizard(window) == search.wantWizard) {
        wchar_t className[32] = {};
        ::GetClassNameW(window, className, 32);
        if (search.anyVisible || std::wstring(className) == L"#32770") {
            search.found = window;
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

std::wstring TestFolder() {
    wchar_t path[MAX_PATH];
    const DWORD length = ::GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring text(path, length);
    return text.substr(0, text.find_last_of(L'\\'));
}

std::string ReadFile(const std::wstring& path) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
    std::string text;
    if (!file) return text;
    char buffer[4096];
    DWORD got = 0;
    while (::ReadFile(file.Get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) text.append(buffer, got);
    return text;
}

void WriteFile(const std::wstring& path, const std::string& text) {
    FileHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool WaitUntilNoInstanceRuns(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        KernelHandle mutex(::OpenMutexW(SYNCHRONIZE, FALSE, L"{284E106C-AFA2-424f-B583-B383A444430A}"));
        if (!mutex) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        mutex.Reset();
        ::Sleep(50);  // between polls
    }
}

bool IsWizard(HWND window) { return ::FindWindowExW(window, nullptr, L"SysTabControl32", nullptr) != nullptr; }

std::wstring MessageBoxText(HWND box) {
    // The message text is the static control with id 0xFFFF.
    return WindowText(::GetDlgItem(box, 0xFFFF));
}

Program::Program(const std::wstring& folder, const std::vector<std::wstring>& environment, const std::wstring& program,
                 const std::wstring& arguments) {
    // The child's environment: this process's, plus the given entries.
    std::wstring block;
    if (!environment.empty()) {
        // An entry given here replaces the inherited one of the same name.
        auto nameOf = [](std::wstring_view entry) { return entry.substr(0, entry.find(L'=', 1)); };
        wchar_t* current = ::GetEnvironmentStringsW();
        for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
            bool replaced = false;
            for (const std::wstring& given : environment) {
                replaced = replaced || _wcsicmp(std::wstring(nameOf(given)).c_str(), std::wstring(nameOf(entry)).c_str()) == 0;
            }
            if (!replaced) block.append(entry).push_back(L'\0');
        }
        ::FreeEnvironmentStringsW(current);
        for (const std::wstring& entry : environment) block.append(entry).push_back(L'\0');
        block.push_back(L'\0');
    }
    std::wstring command = L"\"" + folder + L"\\" + program + L"\"";
    if (!arguments.empty()) command += L" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    started_ = std::chrono::steady_clock::now();
    if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_UNICODE_ENVIRONMENT,
                         environment.empty() ? nullptr : block.data(), folder.c_str(), &startup, &info)) {
        process_.Reset(info.hProcess);
        ::CloseHandle(info.hThread);
        id_ = info.dwProcessId;
    }
}

Program::~Program() {
    if (process_ && ::WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT) {
        ::TerminateProcess(process_.Get(), 99);
        ::WaitForSingleObject(process_.Get(), 10000);
    }
}

HWND Program::VisibleWindow() const {
    Search search{id_, false, true, nullptr};
    ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND Program::WaitFor(bool wantWizard, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (process_ && std::chrono::steady_clock::now() < deadline) {
        Search search{id_, wantWizard, false, nullptr};
        ::EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        // Polls every 10 ms, and stops at once when the process ends.
        if (::WaitForSingleObject(process_.Get(), 10) == WAIT_OBJECT_0) return nullptr;
    }
    return nullptr;
}

HWND Program::WaitForWizard(std::chrono::milliseconds timeout) { return WaitFor(true, timeout); }
HWND Program::WaitForMessageBox(std::chrono::milliseconds timeout) { return WaitFor(false, timeout); }

std::optional<DWORD> Program::WaitForExit(std::chrono::milliseconds timeout) {
    if (!process_) return std::nullopt;
    if (::WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeout.count())) != WAIT_OBJECT_0) return std::nullopt;
    DWORD code = 0;
    ::GetExitCodeProcess(process_.Get(), &code);
    return code;
}

namespace {

// A block in another process's memory: a control's record and the text buffer behind it.
class RemoteBlock {
public:
    RemoteBlock(HANDLE process, std::size_t size)
        : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE)) {}
    ~RemoteBlock() { if (address_) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }
    RemoteBlock(const RemoteBlock&) = delete;
    RemoteBlock& operator=(const RemoteBlock&) = delete;
    char* At(std::size_t offset) const { return static_cast<char*>(address_) + offset; }
    bool Write(std::size_t offset, const void* data, std::size_t size) const {
        return address_ && ::WriteProcessMemory(process_, At(offset), data, size, nullptr);
    }
    bool Read(std::size_t offset, void* data, std::size_t size) const {
        return address_ && ::ReadProcessMemory(process_, At(offset), data, size, nullptr);
    }

private:
    HANDLE process_;
    void* address_;
};

constexpr std::size_t kTextChars = 1024;

}  // namespace

std::vector<std::wstring> Program::ListViewColumn(HWND list, int column) const {
    std::vector<std::wstring> texts;
    const int rows = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    RemoteBlock block(process_.Get(), sizeof(LVITEMW) + kTextChars * sizeof(wchar_t));
    for (int row = 0; row < rows; ++row) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof(LVITEMW)));
        item.cchTextMax = kTextChars;
        wchar_t text[kTextChars] = {};
        if (!block.Write(0, &item, sizeof(item))) break;
        ::SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(block.At(0)));
        block.Read(sizeof(LVITEMW), text, sizeof(text) - sizeof(wchar_t));
        texts.emplace_back(text);
    }
    return texts;
}

std::vector<std::pair<std::wstring, UINT>> Program::VisibleTreeItems(HWND tree) const {
    std::vector<std::pair<std::wstring, UINT>> items;
    RemoteBlock block(process_.Get(), sizeof(TVITEMW) + kTextChars * sizeof(wchar_t));
    for (auto item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0)); item;
         item = reinterpret_cast<HTREEITEM>(::SendMessageW(tree, TVM_GETNEXTITEM, TVGN_NEXTVISIBLE, reinterpret_cast<LPARAM>(item)))) {
        TVITEMW query{};
        query.mask = TVIF_TEXT | TVIF_STATE | TVIF_HANDLE;
        query.hItem = item;
        query.stateMask = TVIS_STATEIMAGEMASK;
        query.pszText = reinterpret_cast<LPWSTR>(block.At(sizeof(TVITEMW)));
        query.cchTextMax = kTextChars;
        wchar_t text[kTextChars] = {};
        if (!block.Write(0, &query, sizeof(query))) break;
        ::SendMessageW(tree, TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(block.At(0)));
        block.Read(0, &query, sizeof(query));
        block.Read(sizeof(TVITEMW), text, sizeof(text) - sizeof(wchar_t));
        items.emplace_back(text, (query.state & TVIS_STATEIMAGEMASK) >> 12);
    }
    return items;
}

}  // namespace qm::test
