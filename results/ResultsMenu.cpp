#include "results/ResultsMenu.h"

#include "base/Utf.h"
#include "host/Components.h"

#include <iterator>

namespace qm::results {

MenuHandle MakeContextMenu(const MenuOffer& offer) {
    MenuHandle menu(::CreatePopupMenu());
    if (!menu) return menu;
    if (offer.row) {
        for (const MenuItemKey& item : kRowMenuItems) {
            if (item.command == 0)
                ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
            else
                ::AppendMenuW(menu.Get(), MF_STRING, item.command, Widen(host::Text(item.textKey)).c_str());
        }
        if (!offer.properties) ::EnableMenuItem(menu.Get(), kProperties, MF_BYCOMMAND | MF_GRAYED);
        if (!offer.repair) ::EnableMenuItem(menu.Get(), kRepair, MF_BYCOMMAND | MF_GRAYED);
        ::SetMenuDefaultItem(menu.Get(), kRetarget, FALSE);
    }
    const bool offered[] = {offer.undo, offer.pastChanges, offer.ignored};  // as kListMenuItems
    for (size_t i = 0; i < std::size(kListMenuItems); ++i)
        ::AppendMenuW(menu.Get(), MF_STRING | (offered[i] ? MF_ENABLED : MF_GRAYED), kListMenuItems[i].command,
                      Widen(host::Text(kListMenuItems[i].textKey)).c_str());
    return menu;
}

UINT ChooseWithTrackPopupMenu(HMENU menu, POINT at, HWND owner) {
    return static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
}

}  // namespace qm::results
