// The results list's context menu, its commands and items in menu order: a row's repair and
// tick commands, then those of the whole list (Undo, the past changes, the ignore list).
#pragma once

#include "base/MenuItemKey.h"

namespace qm::results {

enum ContextMenuCommand : unsigned {
    kRetarget = 1,
    kProperties = 2,
    kShowInExplorer = 3,
    kTickAll = 4,
    kUntickAll = 5,
    kInvertTicks = 6,
    kUndoLast = 7,
    kPastChanges = 8,
    kRepair = 9,
    kIgnoreShortcut = 10,
    kIgnoreFolder = 11,
    kShowIgnored = 12,
};

// Shown only with a row selected.
inline constexpr MenuItemKey kRowMenuItems[] = {
    {kRetarget, "_QM_025"},          {kRepair, "_QM_RepairMenu"},       {0, {}},
    {kProperties, "_QM_026"},        {kShowInExplorer, "_QM_027"},      {0, {}},
    {kIgnoreShortcut, "_QM_IgnoreShortcut"}, {kIgnoreFolder, "_QM_IgnoreFolder"}, {0, {}},
    {kTickAll, "_QM_028"},           {kUntickAll, "_QM_029"},           {kInvertTicks, "_QM_030"},
    {0, {}},
};

// Always shown, after the row's items.
inline constexpr MenuItemKey kListMenuItems[] = {
    {kUndoLast, "_QM_UndoLast"},
    {kPastChanges, "_QM_UndoHistory"},
    {kShowIgnored, "_QM_IgnoreShow"},
};

}  // namespace qm::results
