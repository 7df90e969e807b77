#include "results/ResultsMenu.h"

#include "base/Utf.h"
#include "host/Components.h"

namespace qm::results {

MenuHandle MakeContextMenu(const MenuOffer& offer) {
    MenuHandle menu(::CreatePopupMenu());
    if (!menu) return menu;
    const struct {
        UINT command;  // 0: separator
        const char* key;
    } rowItems[] = {{kRetarget, "_QM_025"}, {kRepair, "_QM_RepairMenu"}, {0, nullptr},
                    {kProperties, "_QM_026"}, {kShowInExplorer, "_QM_027"}, {0, nullptr},
                    {kIgnoreShortcut, "_QM_IgnoreShortcut"}, {kIgnoreFolder, "_QM_IgnoreFolder"}, {0, nullptr},
                    {kTickAll, "_QM_028"}, {kUntickAll, "_QM_029"}, {kInvertTicks, "_QM_030"},
                    {0, nullptr}};
    if (offer.row) {
        for (const auto& item : rowItems) {
            if (item.command == 0)
                ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
            else
                ::AppendMenuW(menu.Get(), MF_STRING, item.command, Widen(host::Text(item.key)).c_str());
        }
        if (!offer.properties) ::EnableMenuItem(menu.Get(), kProperties, MF_BYCOMMAND | MF_GRAYED);
        if (!offer.repair) ::EnableMenuItem(menu.Get(), kRepair, MF_BYCOMMAND | MF_GRAYED);
        ::SetMenuDefaultItem(menu.Get(), kRetarget, FALSE);
    }
    ::AppendMenuW(menu.Get(), MF_STRING | (offer.undo ? MF_ENABLED : MF_GRAYED), kUndoLast,
                  Widen(host::Text("_QM_UndoLast")).c_str());
    ::AppendMenuW(menu.Get(), MF_STRING | (offer.pastChanges ? MF_ENABLED : MF_GRAYED), kPastChanges,
                  Widen(host::Text("_QM_UndoHistory")).c_str());
    ::AppendMenuW(menu.Get(), MF_STRING | (offer.ignored ? MF_ENABLED : MF_GRAYED), kShowIgnored,
                  Widen(host::Text("_QM_IgnoreShow")).c_str());
    return menu;
}

UINT ChooseWithTrackPopupMenu(HMENU menu, POINT at, HWND owner) {
    return static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
}

}  // namespace qm::results
