// The help menus' commands and items, in menu order: the full menu behind every wizard page's
// Help button and the short one of the welcome dialog.
#pragma once

#include "base/MenuItemKey.h"

namespace qm::help {

enum HelpMenuCommand : unsigned {
    kHelpDocument = 1,
    kMakerSite = 2,
    kSupport = 4,
    kCheckForUpdate = 5,
    kAbout = 6,
    kShowAtStartup = 8,
    kOnlineHelp = 9,
    kOnlineSupport = 10,
};

inline constexpr MenuItemKey kFullHelpMenu[] = {
    {kHelpDocument, "_HELPMENU_Help"},
    {kOnlineHelp, "_HELPMENU_OnlineHelp"},
    {kMakerSite, "_HELPMENU_BrivoltWeb"},
    {0, {}},
    {kSupport, "_HELPMENU_Support"},
    {kOnlineSupport, "_HELPMENU_OnlineSupport"},
    {kCheckForUpdate, "_HELPMENU_CHECKFORUPDATE"},
    {0, {}},
    {kShowAtStartup, "_HELPMENU_Show"},
    {0, {}},
    {kAbout, "_HELPMENU_About"},
};

inline constexpr MenuItemKey kWelcomeHelpMenu[] = {
    {kHelpDocument, "_HELPMENU_Help"},
    {kMakerSite, "_HELPMENU_BrivoltWeb"},
    {0, {}},
    {kSupport, "_HELPMENU_Support"},
    {kCheckForUpdate, "_HELPMENU_CHECKFORUPDATE"},
    {0, {}},
    {kAbout, "_HELPMENU_About"},
};

}  // namespace qm::help
