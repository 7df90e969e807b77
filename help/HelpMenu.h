// The help menus: the full one behind every wizard page's Help button and the short one of the
// welcome dialog. Each call builds the menu afresh, shows it modally, runs the chosen command
// (help document, the maker's web pages, Support, About, the start-up switch) and destroys it.
#pragma once

#include "base/win/Handle.h"
#include "help/HelpMenuItems.h"

#include <functional>

namespace qm::help {

// The full menu for a wizard page, opening upward from the mouse pointer.
void ShowHelpMenu(HWND owner);
// The welcome dialog's menu, opening upward over its Help button.
void ShowWelcomeHelpMenu(HWND dialog, HWND helpButton);

// The menus' items, texts from the language file. `showAtStartup` sets the check mark.
MenuHandle BuildHelpMenu(bool showAtStartup);
MenuHandle BuildWelcomeHelpMenu();

// Runs one command for `owner`. `showStartupRead` is the "showstartup" value the menu showed;
// the start-up switch writes its opposite. 0 (the menu was dismissed) does nothing.
void RunHelpCommand(UINT command, HWND owner, int showStartupRead);

// How a menu is shown and a command chosen: TrackPopupMenu by default. Tests put a chooser in
// its place; an empty function restores the default. Returns the previous one.
using MenuChooser = std::function<UINT(HMENU menu, UINT flags, POINT at, HWND owner)>;
MenuChooser ReplaceMenuChooser(MenuChooser chooser);

}  // namespace qm::help
