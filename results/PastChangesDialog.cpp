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

controls::ListView PastChangesDialog::List() const { return controls::ListView(::GetDlgItem(Window(), IDC_PAST_CHANGES_LIST)); }

BOOL PastChangesDialog::OnInitDialog() {
    controls::CentreDialog(Window());
    host::TheComponents().language.TranslateWindow(Window());
    const controls::ListView list = List();
    listForReaders_.Attach(list.Window());
    list.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    RECT client{};
    ::GetClientRect(list.Window(), &client);
    const int width = client.right - client.left - ::GetSystemMetrics(SM_CXVSCROLL);
    list.InsertColumn(0, host::Text("_QM_UndoWhen"), width * 2 / 5);
    list.InsertColumn(1, host::Text("_QM_UndoWhat"), width * 2 / 5);
    list.InsertColumn(2, host::Text("_QM_UndoCount"), width - 2 * (width * 2 / 5));

    const std::unordered_set<std::string> undone = changes::UndoneBatches(batches_);
    // Newest first; each row's value is its batch's index.
    int row = 0;
    for (std::size_t i = batches_.size(); i-- > 0;) {
        const changes::JournalBatch& batch = batches_[i].batch;
        const int inserted = list.InsertRow(row, Narrow(LocalTimeText(batch.when)), -1, static_cast<LPARAM>(i));
        if (inserted < 0) continue;
        list.SetText(inserted, 1, ChangeKindText(batch, undone.count(batch.id) > 0));
        list.SetText(inserted, 2, std::to_string(changes::ChangedFiles(batch)));
        ++row;
    }
    if (row > 0) list.Select(0);
    ::EnableWindow(::GetDlgItem(Window(), IDC_PAST_CHANGES_UNDO), row > 0);
    ::SetFocus(list.Window());
    return FALSE;
}

void PastChangesDialog::ChooseSelected() {
    const controls::ListView list = List();
    const int row = list.Selected();
    if (row < 0) return;
    chosen_ = static_cast<std::size_t>(list.Data(row));
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
