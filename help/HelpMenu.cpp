#include "help/HelpMenu.h"

#include "ui/PathMacros.h"
#include "base/Utf.h"
#include "help/AboutDialog.h"
#include "help/ShellOpen.h"
#include "help/SupportDialog.h"
#include "help/WebAddresses.h"
#include "host/Components.h"

#include <initializer_list>
#include <string_view>
#include <utility>

namespace qm::help {

namespace {

constexpr std::string_view kModuleSection = "quillmend_module";
constexpr std::string_view kShowStartupKey = "showstartup";
constexpr std::string_view kHelpFileKey = "helpfile";

template <size_t N>
MenuHandle BuildMenu(const MenuItemKey (&items)[N]) {
    MenuHandle menu(::CreatePopupMenu());
    if (!menu) return menu;
    for (const MenuItemKey& item : items) {
        if (item.command == 0)
            ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
        else
            ::AppendMenuW(menu.Get(), MF_STRING, item.command, Widen(host::Text(item.textKey)).c_str());
    }
    return menu;
}

UINT TrackMenu(HMENU menu, UINT flags, POINT at, HWND owner) {
    return static_cast<UINT>(::TrackPopupMenu(menu, flags, at.x, at.y, 0, owner, nullptr));
}

MenuChooser& CurrentChooser() {
    static MenuChooser chooser;
    return chooser;
}

UINT Choose(HMENU menu, UINT flags, POINT at, HWND owner) {
    if (const MenuChooser& chooser = CurrentChooser()) return chooser(menu, flags, at, owner);
    return TrackMenu(menu, flags, at, owner);
}

std::string_view WebAddressOf(UINT command) {
    switch (command) {
        case kOnlineHelp: return kOnlineHelpAddress;
        case kMakerSite: return kMakerSiteAddress;
        case kOnlineSupport: return kOnlineSupportAddress;
        case kCheckForUpdate: return kUpdateAddress;
        default: return {};
    }
}

constexpr UINT kMenuFlags = TPM_RETURNCMD | TPM_BOTTOMALIGN | TPM_LEFTALIGN;

}  // namespace

MenuHandle BuildHelpMenu(bool showAtStartup) {
    MenuHandle menu = BuildMenu(kFullHelpMenu);
    if (menu && showAtStartup) ::CheckMenuItem(menu.Get(), kShowAtStartup, MF_BYCOMMAND | MF_CHECKED);
    return menu;
}

MenuHandle BuildWelcomeHelpMenu() { return BuildMenu(kWelcomeHelpMenu); }

void RunHelpCommand(UINT command, HWND owner, int showStartupRead) {
    const auto& config = host::TheComponents().config;
    switch (command) {
        case kHelpDocument:
            ShellOpen(owner, ui::ExpandPathMacros(config.GetString(kModuleSection, kHelpFileKey)));
            break;
        case kMakerSite:
        case kCheckForUpdate:
        case kOnlineHelp:
        case kOnlineSupport:
            ShellOpen(owner, WebAddressOf(command));
            break;
        case kSupport:
            SupportDialog::Show(owner);
            break;
        case kAbout:
            AboutDialog::Show(owner);
            break;
        case kShowAtStartup:
            config.SetInt(kModuleSection, kShowStartupKey, showStartupRead == 0 ? 1 : 0);
            break;
        default:
            break;  // dismissed: nothing
    }
}

void ShowHelpMenu(HWND owner) {
    const int showStartup = host::TheComponents().config.GetInt(kModuleSection, kShowStartupKey);
    MenuHandle menu = BuildHelpMenu(showStartup != 0);
    POINT cursor{};
    if (!menu || !::GetCursorPos(&cursor)) return;
    const UINT command = Choose(menu.Get(), kMenuFlags, cursor, owner);
    // The menu goes before the command runs: a dialog it opens doesn't keep it alive.
    menu.Reset();
    RunHelpCommand(command, owner, showStartup);
}

void ShowWelcomeHelpMenu(HWND dialog, HWND helpButton) {
    MenuHandle menu = BuildWelcomeHelpMenu();
    RECT button{};
    if (!menu || !::GetWindowRect(helpButton, &button)) return;
    const UINT command = Choose(menu.Get(), kMenuFlags, POINT{button.left, button.bottom}, dialog);
    menu.Reset();
    // This menu has no start-up switch; the value is never used here.
    RunHelpCommand(command, dialog, 0);
}

MenuChooser ReplaceMenuChooser(MenuChooser chooser) { return std::exchange(CurrentChooser(), std::move(chooser)); }

}  // namespace qm::help
