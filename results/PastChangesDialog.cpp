#include "results/PastChangesDialog.h"

#include "base/Utf.h"
#include "base/win/FileTimes.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/PastChanges.h"

#include <commctrl.h>

namespace qm::results {
namespace {

// The batch's time in the user's own date and time format.
std::wstring LocalTimeText(int64_t when) {
    const uint64_t ticks = (static_cast<uint64_t>(when) + 11'644'473'600ull) * 10'000'000ull;
    const FILETIME utc = FileTimeOf(ticks);
    FILETIME local{};
    SYSTEMTIME time{};
    if (!::FileTimeToLocalFileTime(&utc, &local) || !::FileTimeToSystemTime(&local, &time)) return L"";
    wchar_t date[64] = L"", clock[64] = L"";
    ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &time, nullptr, date, 64);
    ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &time, nullptr, clock, 64);
    return std::wstring(date) + L" " + clock;
}

void InsertColumn(HWND list, int index, const char* key, int width) {
    std::wstring text = Widen(host::Text(key));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.cx = width;
    column.pszText = text.data();
    column.iSubItem = index;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void SetCell(HWND list, int row, int column, const std::wstring& text) {
    std::wstring copy = text;
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = copy.data();
    ::SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

}  // namespace

std::string ChangeKindText(const changes::JournalBatch& batch, bool undone) {
    const char* key = "_QM_UndoKindUndo";
    switch (batch.action) {
    case changes::ChangeAction::Retarget: key = "_QM_UndoKindRetarget"; break;
    case changes::ChangeAction::Repair: key = "_QM_UndoKindRepair"; break;
    case changes::ChangeAction::Delete: key = "_QM_UndoKindDelete"; break;
    default: break;  // an undo; restore and remove are only ever its entries
    }
    std::string text = host::Text(key);
    if (!batch.complete) text.append(" ").append(host::Text("_QM_UndoInterrupted"));
    if (undone) text.append(" ").append(host::Text("_QM_UndoUndone"));
    return text;
}

std::optional<std::size_t> PastChangesDialog::Choose(HWND owner) {
    chosen_.reset();
    Run(IDD_PAST_CHANGES, owner);
    return chosen_;
}

HWND PastChangesDialog::List() const { return ::GetDlgItem(Window(), IDC_PAST_CHANGES_LIST); }

BOOL PastChangesDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    host::TheComponents().language.TranslateWindow(Window());
    const HWND list = List();
    ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list, &client);
    const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
    InsertColumn(list, 0, "_QM_UndoWhen", width * 2 / 5);
    InsertColumn(list, 1, "_QM_UndoWhat", width * 2 / 5);
    InsertColumn(list, 2, "_QM_UndoCount", width - 2 * (width * 2 / 5));

    const std::unordered_set<std::string> undone = changes::UndoneBatches(batches_);
    // Newest first; each row's value is its batch's index.
    int row = 0;
    for (std::size_t i = batches_.size(); i-- > 0;) {
        const changes::JournalBatch& batch = batches_[i].batch;
        std::wstring when = LocalTimeText(batch.when);
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_PARAM;
        item.iItem = row;
        item.pszText = when.data();
        item.lParam = static_cast<LPARAM>(i);
        const int inserted = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (inserted < 0) continue;
        SetCell(list, inserted, 1, Widen(ChangeKindText(batch, undone.count(batch.id) > 0)));
        SetCell(list, inserted, 2, std::to_wstring(changes::ChangedFiles(batch)));
        ++row;
    }
    if (row > 0) ListView_SetItemState(list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ::EnableWindow(::GetDlgItem(Window(), IDC_PAST_CHANGES_UNDO), row > 0);
    ::SetFocus(list);
    return FALSE;
}

void PastChangesDialog::ChooseSelected() {
    const int row = ListView_GetNextItem(List(), -1, LVNI_SELECTED);
    if (row < 0) return;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!::SendMessageW(List(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return;
    chosen_ = static_cast<std::size_t>(item.lParam);
    End(IDOK);
}

bool PastChangesDialog::OnCommand(WORD id, WORD code, HWND) {
    if (id == IDC_PAST_CHANGES_UNDO && code == BN_CLICKED) {
        ChooseSelected();
        return true;
    }
    if (id == IDOK) {  // Enter in the list
        ChooseSelected();
        return true;
    }
    return false;
}

bool PastChangesDialog::OnMessage(UINT message, WPARAM, LPARAM lParam, INT_PTR& result) {
    if (message != WM_NOTIFY) return false;
    const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
    if (header.idFrom != IDC_PAST_CHANGES_LIST || header.code != NM_DBLCLK) return false;
    ChooseSelected();
    result = TRUE;
    return true;
}

}  // namespace qm::results
