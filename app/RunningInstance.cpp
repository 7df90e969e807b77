#include "app/RunningInstance.h"

namespace qm::app {
namespace {

void UnmapView(void* view) noexcept { ::UnmapViewOfFile(view); }
// A view of the shared block, unmapped when its owner goes.
using MappedView = UniqueHandle<handle_traits::NullIsEmpty<void*, UnmapView>>;

constexpr wchar_t kProcessIdName[] = L"{284E106C-AFA2-424f-B583-B383A444430A}.process";
constexpr ULONGLONG kWindowWaitMs = 10000;
constexpr DWORD kPollMs = 100;

DWORD RunningProcessId() {
    KernelHandle block(::OpenFileMappingW(FILE_MAP_READ, FALSE, kProcessIdName));
    if (!block) return 0;
    MappedView view(::MapViewOfFile(block.Get(), FILE_MAP_READ, 0, 0, sizeof(DWORD)));
    return view ? *static_cast<const DWORD*>(view.Get()) : 0;
}

// The process's visible window that no other window owns: the wizard, or a message box shown
// before it.
HWND MainWindowOf(DWORD processId) {
    struct Search {
        DWORD processId;
        HWND found;
    } search{processId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM context) -> BOOL {
            auto& search = *reinterpret_cast<Search*>(context);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            if (owner != search.processId || !::IsWindowVisible(window) || ::GetWindow(window, GW_OWNER)) return TRUE;
            search.found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

}  // namespace

bool RunningInstance::Claim() {
    mutex_.Reset(::CreateMutexW(nullptr, FALSE, kSingleInstanceMutexName));
    if (!mutex_) return true;
    if (::GetLastError() == ERROR_ALREADY_EXISTS) {
        mutex_.Reset();
        return false;
    }
    // Without the block a second start cannot find this copy, and just ends: nothing worse.
    processId_.Reset(::CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(DWORD), kProcessIdName));
    if (processId_) {
        MappedView view(::MapViewOfFile(processId_.Get(), FILE_MAP_WRITE, 0, 0, sizeof(DWORD)));
        if (view) *static_cast<DWORD*>(view.Get()) = ::GetCurrentProcessId();
    }
    return true;
}

bool ShowRunningInstance() {
    const ULONGLONG deadline = ::GetTickCount64() + kWindowWaitMs;
    for (;;) {
        const DWORD processId = RunningProcessId();
        if (HWND window = processId ? MainWindowOf(processId) : nullptr) {
            // Asynchronous, so that a copy that is busy cannot hold this one up.
            if (::IsIconic(window)) ::ShowWindowAsync(window, SW_RESTORE);
            // This process was just started by the user, so it may hand the foreground on.
            HWND front = ::GetLastActivePopup(window);
            ::SetForegroundWindow(front ? front : window);
            return true;
        }
        if (::GetTickCount64() >= deadline) return false;
        ::Sleep(kPollMs);  // the other copy is still starting
    }
}

}  // namespace qm::app
