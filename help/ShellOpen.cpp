#include "help/ShellOpen.h"

#include "base/Utf.h"

#include <shellapi.h>

#include <utility>

namespace qm::help {

namespace {
ShellOpener& CurrentOpener() {
    static ShellOpener opener;
    return opener;
}
}  // namespace

void ShellOpen(HWND owner, std::string_view target) {
    if (const ShellOpener& opener = CurrentOpener()) {
        opener(owner, std::string(target));
        return;
    }
    ::ShellExecuteW(owner, L"open", Widen(target).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

ShellOpener ReplaceShellOpener(ShellOpener opener) { return std::exchange(CurrentOpener(), std::move(opener)); }

}  // namespace qm::help
