#include "results/IgnoreListDialog.h"

#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/IgnoreList.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace qm::results {
namespace {

// A row's item data: its index among the shortcuts, or among the folders after kFolderBit.
constexpr LPARAM kFolderBit = LPARAM(1) << 30;

}  // namespace

bool IgnoreListDialog::Edit(HWND owner) {
    changed_ = false;
    Run(IDD_IGNORE_LIST, owner);
    return changed_;
}

controls::ListView IgnoreListDialog::Entries() const {
    return controls::ListView(::GetDlgItem(Window(), IDC_IGNORE_LIST_ENTRIES));
}

BOOL IgnoreListDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    host::TheComponents().language.TranslateWindow(Window());
    const controls::ListView list = Entries();
    listForReaders_.Attach(list.Window());
    list.AddExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    RECT client{};
    ::GetClientRect(list.Window(), &client);
    const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
    list.InsertColumn(0, host::Text("_QM_IgnorePath"), width * 4 / 5);
    list.InsertColumn(1, host::Text("_QM_IgnoreKind"), width - width * 4 / 5);
    ShowEntries();
    ::SetFocus(list.Window());
    return FALSE;
}

void IgnoreListDialog::ShowEntries() {
    const controls::ListView list = Entries();
    list.DeleteAll();
    const auto add = [&](const std::vector<std::string>& paths, LPARAM kind, const char* kindKey) {
        const std::string kindText = host::Text(kindKey);
        for (std::size_t i = 0; i < paths.size(); ++i) {
            const int row = list.InsertRow(list.Count(), paths[i], -1, kind | static_cast<LPARAM>(i));
            if (row >= 0) list.SetText(row, 1, kindText);
        }
    };
    add(list_.Folders(), kFolderBit, "_QM_IgnoreKindFolder");
    add(list_.Shortcuts(), 0, "_QM_IgnoreKindShortcut");
    if (list.Count() > 0) ListView_SetItemState(list.Window(), 0, LVIS_FOCUSED, LVIS_FOCUSED);
    ::EnableWindow(::GetDlgItem(Window(), IDC_IGNORE_LIST_REMOVE), FALSE);
}

void IgnoreListDialog::RemoveSelected() {
    const controls::ListView list = Entries();
    // The paths first: each removal renumbers the list's own entries.
    std::vector<std::string> shortcuts, folders;
    for (int row = ListView_GetNextItem(list.Window(), -1, LVNI_SELECTED); row >= 0;
         row = ListView_GetNextItem(list.Window(), row, LVNI_SELECTED)) {
        const LPARAM data = list.Data(row);
        const bool folder = (data & kFolderBit) != 0;
        const std::size_t index = static_cast<std::size_t>(data & ~kFolderBit);
        const std::vector<std::string>& paths = folder ? list_.Folders() : list_.Shortcuts();
        if (index < paths.size()) (folder ? folders : shortcuts).push_back(paths[index]);
    }
    for (const std::string& path : shortcuts) changed_ |= list_.RemoveShortcut(path);
    for (const std::string& path : folders) changed_ |= list_.RemoveFolder(path);
    ShowEntries();
}
bool IgnoreListDialog::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_IGNORE_LIST_REMOVE && code == BN_CLICKED) {
        RemoveSelected();
        return true;
    }
    return false;
}

bool IgnoreListDialog::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (message != WM_NOTIFY) return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom == IDC_IGNORE_LIST_ENTRIES && header.code == LVN_ITEMCHANGED) {
        ::EnableWindow(::GetDlgItem(Window(), IDC_IGNORE_LIST_REMOVE), ListView_GetSelectedCount(Entries().Window()) > 0);
        result = 0;
        return true;
    }
    if (header.idFrom == IDC_IGNORE_LIST_ENTRIES && header.code == LVN_KEYDOWN &&
        reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
        RemoveSelected();
        result = 0;
        return true;
    }
    return false;
}

}  // namespace qm::results
