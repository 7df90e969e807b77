// The context menu of the results list: a row's repair and tick commands, then Undo and the
// list of past changes.
#pragma once

#include "base/win/Handle.h"
#include "results/ContextMenuItems.h"

#include <windows.h>

#include <functional>

namespace qm::results {

// What the menu offers. Without a row only Undo, the past changes and the ignore list are in it.
struct MenuOffer {
    bool row = false;             // a row is selected: its commands are in the menu
    bool properties = false;      // its shortcut is there, so it has properties to show
    bool repair = false;          // it has a suggested target
    bool undo = false;            // there is a change to undo
    bool pastChanges = false;     // any change is kept
    bool ignored = false;         // the ignore list holds something to show
};

// The menu's items with their display texts; re-target is the default item.
MenuHandle MakeContextMenu(const MenuOffer& offer);

// Shows the menu and returns the chosen command (0: dismissed). Tests replace it.
using MenuChooser = std::function<UINT(HMENU menu, POINT at, HWND owner)>;
UINT ChooseWithTrackPopupMenu(HMENU menu, POINT at, HWND owner);

}  // namespace qm::results
