#include "tests/results/DialogScript.h"

#include "base/win/SystemText.h"

#include <commctrl.h>

namespace qm::test {
namespace {

thread_local DialogScript* active = nullptr;

}  // namespace

DialogScript::DialogScript(std::vector<Answer> answers) : answers_(std::move(answers)) {
    active = this;
    hook_ = ::SetWindowsHookExW(WH_CALLWNDPROCRET, Watch, nullptr, ::GetCurrentThreadId());
}

DialogScript::~DialogScript() {
    ::UnhookWindowsHookEx(hook_);
    active = nullptr;
}

LRESULT CALLBACK DialogScript::Watch(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && active && call->message == WM_INITDIALOG &&
        !(::GetWindowLongW(call->hwnd, GWL_STYLE) & WS_CHILD)) {
        active->pending_.push_back(call->hwnd);
        ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, Serve);
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogScript::Serve(HWND, UINT, UINT_PTR timer, DWORD) {
    ::KillTimer(nullptr, timer);
    DialogScript* script = active;
    if (!script) return;
    std::vector<HWND> waiting;
    for (HWND dialog : script->pending_) {
        if (!::IsWindow(dialog)) continue;
        // The wizard sheet itself is no question to answer.
        if (::FindWindowExW(dialog, nullptr, WC_TABCONTROLW, nullptr)) continue;
        // A modal dialog shows itself once its queue first runs dry.
        if (!::IsWindowVisible(dialog)) {
            waiting.push_back(dialog);
            continue;
        }
        script->seen_.push_back({WindowText(dialog), WindowText(::GetDlgItem(dialog, 0xFFFF))});
        if (script->next_ < script->answers_.size()) {
            script->answers_[script->next_++](dialog);
        } else {
            ++script->unexpected_;
            ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        }
    }
    script->pending_ = std::move(waiting);
    if (!script->pending_.empty()) ::SetTimer(nullptr, 0, 20, Serve);
}

DialogScript::Answer DialogScript::Press(int id) {
    return [id](HWND dialog) {
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, id)));
    };
}

HWND DialogScript::FileNameBox(HWND dialog) {
    // The combo box cmb13 with its edit, or the edit edt1.
    if (HWND combo = ::GetDlgItem(dialog, 0x47C)) {
        HWND edit = ::FindWindowExW(combo, nullptr, L"Edit", nullptr);
        return edit ? edit : combo;
    }
    return ::GetDlgItem(dialog, 0x480);
}

DialogScript::Answer DialogScript::OpenFile(const std::wstring& path) {
    return [path](HWND dialog) {
        ::SetWindowTextW(FileNameBox(dialog), path.c_str());
        ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(::GetDlgItem(dialog, IDOK)));
    };
}

}  // namespace qm::test
