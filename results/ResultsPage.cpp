#include "results/ResultsPage.h"

#include "base/Utf.h"
#include "base/win/FileReplace.h"
#include "base/win/SystemText.h"
#include "base/win/UsualPlaces.h"
#include "help/HelpMenu.h"
#include "host/ComponentError.h"
#include "host/Components.h"
#include "host/IgnoreListStore.h"
#include "res/ResourceIds.h"
#include "res/dialogs/ResultsPage.h"
#include "results/IgnoreListDialog.h"
#include "results/ListReport.h"
#include "results/PastChangesDialog.h"
#include "results/ResultsShell.h"
#include "results/RowOrder.h"
#include "results/TargetExplanation.h"
#include "wizard/ResultStore.h"

#include <array>

namespace qm::results {
namespace {

std::string Fill(const char* key, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    return FillPlaceholders(host::Text(key), values);
}

std::string SystemWordsOf(unsigned long code) { return Narrow(SystemMessage(code)); }

}  // namespace

ResultsPage::ResultsPage(const wizard::ResultStore& findings)
    : PropertyPage(IDD_RESULTS_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true),
      findings_(findings),
      menuChooser_(ChooseWithTrackPopupMenu),
      explorerLauncher_(LaunchExplorer),
      propertiesLauncher_(LaunchProperties),
      placesFinder_(FindUsualPlaces) {}

BOOL ResultsPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    heading_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HEADING));
    hint_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HINT));
    list_.Attach(::GetDlgItem(Window(), IDC_RESULTS_LIST));
    undoLink_.Attach(::GetDlgItem(Window(), IDC_RESULTS_UNDO));
    leftOutLink_.Attach(::GetDlgItem(Window(), IDC_RESULTS_LEFT_OUT));
    explanation_ = ::GetDlgItem(Window(), IDC_RESULTS_EXPLANATION);
    coverage_ = ::GetDlgItem(Window(), IDC_RESULTS_SEARCHED);
    list_.View().AddExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);

    RECT page{};
    ::GetWindowRect(Window(), &page);
    const int width = page.right - page.left;
    const struct {
        const char* key;
        int width;
    } columns[] = {{"_QM_019", width / 4 - 30}, {"_QM_020", width / 5},         {"_QM_021", width / 5},
                   {"_QM_SugColumn", width / 5},  {"_QM_LocationColumn", width / 8}};
    for (int i = 0; i < kColumnCount; ++i)
        if (list_.View().InsertColumn(i, host::Text(columns[i].key), columns[i].width)) list_.Sortable().SetSortKind(i, kSortAsText);
    std::array<int, kColumnCount> order = kColumnOrder;
    ListView_SetColumnOrderArray(ListWindow(), kColumnCount, order.data());

    using namespace controls;
    layout_.Start(Window());
    for (int id : {IDC_RESULTS_HEADING, IDC_RESULTS_DESCRIPTION}) layout_.Add(id, kAnchorTopLeft | kAnchorRight);
    layout_.AddList(IDC_RESULTS_LIST, kAnchorAll);
    for (int id : {IDC_RESULTS_EXPLANATION, IDC_RESULTS_SEARCHED, IDC_RESULTS_LEFT_OUT})
        layout_.Add(id, kAnchorLeft | kAnchorRight | kAnchorBottom);
    for (int id : {IDC_RESULTS_CHECK_ALL, IDC_RESULTS_UNCHECK_ALL, IDC_RESULTS_REPAIR, IDC_RESULTS_REPAIR_CERTAIN,
                   IDC_RESULTS_SAVE_LIST, IDC_RESULTS_HINT})
        layout_.Add(id, kAnchorLeft | kAnchorBottom);
    for (int id : {IDC_RESULTS_DELETE, IDC_RESULTS_UNDO}) layout_.Add(id, kAnchorRight | kAnchorBottom);
    return TRUE;
}

std::optional<LRESULT> ResultsPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE:
        // The sheet has given the page its size by now: the widths remembered for that size fit.
        if (!givenColumns_.empty()) list_.View().SetColumnWidths(std::exchange(givenColumns_, {}));
        FillResults();
        return 0;
    case PSN_WIZBACK:
        return IDD_FOLDER_PAGE;  // straight back to the folders, past the scan page
    case PSN_WIZFINISH:
        // Finish here closes the wizard like Cancel. Posted, not sent: the property sheet is
        // still inside its Finish handling and must not lose its window under its feet.
        ::PostMessageW(Sheet(), WM_CLOSE, 0, 0);
        return 0;
    case PSN_HELP:
        help::ShowHelpMenu(Window());
        return 0;
    default:
        return PropertyPage::OnSheetNotify(header);
    }
}

bool ResultsPage::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
    case WM_DPICHANGED_AFTERPARENT:
        list_.FollowDpi();
        result = 0;
        return true;
    case WM_COMMAND:
        if (HIWORD(wParam) != BN_CLICKED) return false;
        switch (LOWORD(wParam)) {
        case IDC_RESULTS_CHECK_ALL: CheckAll(); break;
        case IDC_RESULTS_UNCHECK_ALL: UncheckAll(); break;
        case IDC_RESULTS_DELETE: DeleteTicked(); break;
        case IDC_RESULTS_SAVE_LIST: SaveList(); break;
        case IDC_RESULTS_UNDO: ShowPastChanges(); break;
        case IDC_RESULTS_LEFT_OUT: ShowIgnoreList(); break;
        case IDC_RESULTS_REPAIR: RepairRow(SelectedRow()); break;
        case IDC_RESULTS_REPAIR_CERTAIN: RepairCertainTicked(); break;
        default: return false;
        }
        result = 0;
        return true;
    case WM_NOTIFY: {
        const auto& header = *reinterpret_cast<const NMHDR*>(lParam);
        return header.hwndFrom == ListWindow() && OnListNotify(header, result);
    }
    case WM_CONTEXTMENU: {
        if (reinterpret_cast<HWND>(wParam) != ListWindow()) return false;
        // A right click was served by NM_RCLICK; this is the menu key or Shift+F10: the menu
        // opens at the selected row, or without one (after a delete) at the list's corner, as
        // Undo and the ignore list need no row.
        if (lParam == -1) {
            const int row = SelectedRow();
            RECT rect{};
            if (row >= 0) ListView_GetItemRect(ListWindow(), row, &rect, LVIR_LABEL);
            POINT at{rect.left, row >= 0 ? rect.bottom : rect.top};
            ::ClientToScreen(ListWindow(), &at);
            ShowContextMenu(at);
        }
        result = 0;
        return true;
    }
    default:
        return false;
    }
}

bool ResultsPage::OnListNotify(const NMHDR& header, LRESULT& result) {
    switch (header.code) {
    case NM_CLICK: {
        const int row = reinterpret_cast<const NMITEMACTIVATE&>(header).iItem;
        if (row >= 0) SelectRow(row);
        result = 0;
        return true;
    }
    case NM_RCLICK: {
        POINT at{};
        ::GetCursorPos(&at);
        ShowContextMenu(at);
        result = 1;  // served: the list sends no WM_CONTEXTMENU after it
        return true;
    }
    case LVN_ITEMCHANGED: {
        const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
        // Only a change of the selection: ticking every row must not walk every row each time.
        if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) ShowSelectedRow();
        return false;
    }
    case LVN_DELETEITEM:
    case LVN_DELETEALLITEMS:
    case LVN_GETDISPINFOW:
    case LVN_GETINFOTIPW:
        return list_.OnNotify(header, result);
    case LVN_KEYDOWN:
        if (reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
            DeleteTicked();
            result = 0;
            return true;
        }
        return false;
    default:
        // The column clicks go back to the list, which sorts. The list needs no other of its
        // notifications back: handing each one to it again would cost a pass through its
        // subclassing per row inserted, changed or deleted.
        if (header.code == LVN_COLUMNCLICK) return false;
        result = 0;
        return true;
    }
}

// ---- Rows ----------------------------------------------------------------------------------

std::string ResultsPage::ExplanationText() const { return Narrow(WindowText(explanation_)); }

void ResultsPage::FillResults() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    const wizard::ResultStore& store = findings_;
    if (store.Count() == 0) ShowBox("_QM_034", "_Information", MB_ICONINFORMATION);

    ::SendMessageW(ListWindow(), WM_SETREDRAW, FALSE, 0);
    list_.Clear(placesFinder_ ? placesFinder_() : std::vector<UsualPlaceFolder>(), store.Count());
    ignored_ = host::LoadIgnoreList(host::TheComponents().moduleXml);
    leftOut_ = 0;
    int row = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) {
        const wizard::BrokenShortcut& record = store.At(i);
        if (ignored_.Ignores(record.Path())) {
            ++leftOut_;
            continue;
        }
        if (list_.InsertRecord(row, record) >= 0) ++row;
    }
    ::SendMessageW(ListWindow(), WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(ListWindow(), nullptr, TRUE);
    ShowCoverage();
    ShowSelectedRow();
}

void ResultsPage::ShowSelectedRow() {
    const int selected = SelectedRow();
    list_.RefreshChanged(selected);
    const wizard::BrokenShortcut* record = list_.Record(selected);
    ::SetWindowTextW(explanation_, Widen(list_.Explanation(selected)).c_str());
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR), record && !record->suggestion.empty());
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR_CERTAIN), list_.AnyCertainSuggestion());
}

int ResultsPage::SelectedRow() const { return list_.View().Selected(); }
void ResultsPage::SelectRow(int row) { list_.View().Select(row); }

void ResultsPage::CheckAll() { RunTickOperation(TickOperation::Check); }
void ResultsPage::UncheckAll() { RunTickOperation(TickOperation::Uncheck); }
void ResultsPage::InvertChecks() { RunTickOperation(TickOperation::Invert); }

void ResultsPage::RunTickOperation(TickOperation operation) {
    const int remembered = SelectedRow();
    const int count = RowCount();
    for (int row = 0; row < count; ++row) {
        const bool tick = operation == TickOperation::Check || (operation == TickOperation::Invert && !IsTicked(row));
        SetTicked(row, tick);
    }
    if (count > 0) SelectRow(remembered >= 0 ? remembered : 0);
}

// ---- Repair actions ------------------------------------------------------------------------

std::vector<int> ResultsPage::KeepOnlyStillBroken(const std::vector<int>& rows) {
    const std::vector<host::ShortcutJudgement> now = JudgeNow(list_.Paths(rows));
    std::vector<RowId> stillBroken;
    std::vector<int> dropped;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const wizard::BrokenShortcut* record = list_.Record(rows[i]);
        // A file that cannot be read now is left to the action, which says why it cannot act.
        if (record && !ChangedSinceScan(*record) && now[i].verdict != host::ShortcutVerdict::NotBroken)
            stillBroken.push_back(list_.IdOf(rows[i]));
        else
            dropped.push_back(rows[i]);
    }
    if (dropped.empty()) return rows;
    list_.View().DeleteRows(dropped);
    ShowBoxText(Fill("_QM_KeptNotBroken", {{"count", std::to_string(dropped.size())}}), "_Information", MB_ICONINFORMATION);
    std::vector<int> kept;
    for (const RowId id : stillBroken) kept.push_back(list_.View().FindData(id));
    return kept;
}

void ResultsPage::ShowBoxText(const std::string& text, const std::string& captionKey, UINT icon) const {
    ::MessageBoxW(Window(), Widen(text).c_str(), Widen(host::Text(captionKey)).c_str(), MB_OK | icon);
}

void ResultsPage::ShowError(const std::string& text) const {
    if (!text.empty()) ShowBoxText(text, "_Error", MB_ICONERROR);
}

void ResultsPage::ShowBox(const std::string& textKey, const std::string& captionKey, UINT icon) const {
    ShowBoxText(host::Text(textKey), captionKey, icon);
}

bool ResultsPage::Ask(const std::string& question) const {
    return ::MessageBoxW(Window(), Widen(question).c_str(), Widen(host::Text("_QM_Mainname")).c_str(),
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::string ResultsPage::BackupFolder() {
    const host::BackupComponent& backup = host::TheComponents().backup;
    return backup ? backup.GetBackupDir() : std::string();
}

ShortcutActions ResultsPage::Actions() {
    return ShortcutActions(
        BackupFolder(), [this](const std::vector<std::string>& paths) { return RecycleWithShell(Window(), paths); },
        [this](changes::ChangeAction action, std::size_t count) { NoteChanges(action, count); });
}

void ResultsPage::DeleteTicked() {
    std::vector<int> ticked = list_.View().TickedRows();
    if (ticked.empty()) {
        ShowBox("_QM_031", "_Information", MB_ICONINFORMATION);
        return;
    }
    ticked = KeepOnlyStillBroken(ticked);
    const std::vector<std::string> paths = list_.Paths(ticked);
    if (ticked.empty()) {
        ShowSelectedRow();
        return;
    }
    ShortcutActions actions = Actions();
    const DeleteOutcome outcome = actions.Delete(paths, [this](const std::vector<std::string>& left, const std::string& reason) {
        ShowError(BackupFailureText(host::Text, BackupFolder(), left, reason));
    });
    ShowError(JournalFaultText(host::Text, actions.JournalFault()));
    std::vector<int> gone;
    for (std::size_t i = 0; i < ticked.size(); ++i)
        if (outcome.gone[i]) gone.push_back(ticked[i]);
    list_.View().DeleteRows(gone);
    if (const std::string left = StillThereText(host::Text, paths, outcome); !left.empty())
        ShowBoxText(left, "_Information", MB_ICONINFORMATION);
    ShowSelectedRow();
}

std::vector<NewTargetOutcome> ResultsPage::ChangeTargets(changes::ChangeAction action,
                                                         const std::vector<std::pair<int, std::string>>& rows) {
    std::vector<std::pair<std::string, std::string>> targets;
    for (const auto& [row, newTarget] : rows) targets.emplace_back(list_.Path(row), newTarget);
    ShortcutActions actions = Actions();
    const std::vector<NewTargetOutcome> outcomes = actions.ChangeTargets(action, targets);
    ShowError(JournalFaultText(host::Text, actions.JournalFault()));
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!outcomes[i].Ok()) continue;
        list_.ShowRetargeted(rows[i].first, rows[i].second);
        if (rows[i].first == SelectedRow()) ShowSelectedRow();
    }
    return outcomes;
}

void ResultsPage::RetargetRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const std::string chosen = ChooseNewTarget(DialogOwner(), list_.Text(row, kTargetFolderColumn));
    if (chosen.empty()) return;
    const NewTargetOutcome outcome = ChangeTargets(changes::ChangeAction::Retarget, {{row, chosen}}).front();
    ShowError(RetargetFailureText(host::Text, BackupFolder(), list_.Path(row), outcome, SystemWordsOf));
}

void ResultsPage::RepairRow(int row) {
    if (!list_.Record(row) || list_.Record(row)->suggestion.empty()) return;
    const std::vector<int> stillBroken = KeepOnlyStillBroken({row});
    if (stillBroken.empty()) {
        ShowSelectedRow();
        return;
    }
    row = stillBroken.front();
    const wizard::BrokenShortcut* record = list_.Record(row);
    const std::string suggestion = record->suggestion;
    if (!HasCertainSuggestion(*record) &&
        !Ask(Fill("_QM_RepairAskPossible", {{"name", list_.Text(row, kNameColumn)}, {"target", suggestion}})))
        return;
    const std::vector<NewTargetOutcome> outcomes = ChangeTargets(changes::ChangeAction::Repair, {{row, suggestion}});
    if (!outcomes.front().Ok()) {
        ShowError(RepairFailuresText(host::Text, BackupFolder(), {list_.Path(row)}, outcomes));
        return;
    }
    list_.View().DeleteRow(row);
    // The next row takes the place of the repaired one, so Repair can go on down the list.
    const int count = RowCount();
    if (count > 0) SelectRow(row < count ? row : count - 1);
    ShowSelectedRow();
}

void ResultsPage::RepairCertainTicked() {
    std::vector<int> certain;
    for (const int row : list_.View().TickedRows())
        if (const wizard::BrokenShortcut* record = list_.Record(row); record && HasCertainSuggestion(*record)) certain.push_back(row);
    if (certain.empty()) {
        ShowBox("_QM_RepairNothingCertain", "_Information", MB_ICONINFORMATION);
        return;
    }
    std::vector<std::pair<int, std::string>> repairs;
    for (const int row : KeepOnlyStillBroken(certain)) repairs.emplace_back(row, list_.Record(row)->suggestion);
    if (repairs.empty()) {
        ShowSelectedRow();
        return;
    }
    std::vector<std::string> paths;
    for (const auto& repair : repairs) paths.push_back(list_.Path(repair.first));
    const std::vector<NewTargetOutcome> outcomes = ChangeTargets(changes::ChangeAction::Repair, repairs);
    std::vector<int> repaired;  // leave the list
    for (std::size_t i = 0; i < repairs.size(); ++i)
        if (outcomes[i].Ok()) repaired.push_back(repairs[i].first);
    list_.View().DeleteRows(repaired);
    ShowSelectedRow();
    ShowError(RepairFailuresText(host::Text, BackupFolder(), paths, outcomes));
}

// ---- Undo ----------------------------------------------------------------------------------

void ResultsPage::NoteChanges(changes::ChangeAction action, std::size_t count) {
    changesMade_.Note(action, count);
    if (changesMade_.Empty()) return;
    std::wstring text = Widen(UndoLinkText());
    ::SetWindowTextW(undoLink_.Window(), text.c_str());
    // The whole text in the link's tooltip too: after many kinds of change it no longer fits.
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = Window();
    tool.uId = reinterpret_cast<UINT_PTR>(undoLink_.Window());
    tool.lpszText = text.data();
    ::SendMessageW(undoLink_.Tooltip(), TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    ::ShowWindow(undoLink_.Window(), SW_SHOWNA);
}

std::string ResultsPage::UndoLinkText() const { return changesMade_.LinkText(host::Text); }

bool ResultsPage::UndoLinkVisible() const { return ::IsWindowVisible(undoLink_.Window()) != FALSE; }

void ResultsPage::UndoLastChange() {
    const std::vector<changes::StoredBatch> history = Actions().History();
    const changes::StoredBatch* last = changes::LastChange(history);
    if (!last) {
        ShowBox("_QM_UndoNothing", "_Information", MB_ICONINFORMATION);
        return;
    }
    Undo(*last);
}

void ResultsPage::ShowPastChanges() {
    std::vector<changes::StoredBatch> history = Actions().History();
    PastChangesDialog chooser(history);
    if (const std::optional<std::size_t> chosen = chooser.Choose(DialogOwner())) Undo(history[*chosen]);
}

void ResultsPage::Undo(const changes::StoredBatch& stored) {
    const changes::UndoResult result =
        Actions().Undo(stored, [this](const std::string& path) { return Ask(Fill("_QM_UndoNewer", {{"path", path}})); });
    list_.PutBack(result, findings_);
    ShowSelectedRow();
    ShowError(UndoFailureText(host::Text, BackupFolder(), result.failures, result.notBackedUp));
}

// ---- The list saved, the menu and the shell ----------------------------------------------

void ResultsPage::SaveList() {
    const std::string path = ChooseListFile(DialogOwner());
    if (path.empty()) return;
    // The rows as the list shows them now: a row re-targeted by hand with its new target.
    std::vector<wizard::BrokenShortcut> records;
    for (int row = 0, count = RowCount(); row < count; ++row)
        if (const wizard::BrokenShortcut* record = list_.Record(row)) records.push_back(*record);
    if (const DWORD error = ReplaceFileContent(path, ListReportText(records, changes::ReadShortcutTarget)); error != ERROR_SUCCESS)
        ShowError(host::Text("_QM_SaveListFailed") + "\n\n" + path + "\n" + SystemWordsOf(error));
}

void ResultsPage::ShowContextMenu(POINT screenPoint) {
    const int row = SelectedRow();
    const std::vector<changes::StoredBatch> history = Actions().History();
    // Without a selected row only Undo and the ignore list have something to act on.
    if (row < 0 && history.empty() && ignored_.Empty()) return;
    MenuOffer offer;
    offer.row = row >= 0;
    offer.undo = changes::LastChange(history) != nullptr;
    offer.pastChanges = !history.empty();
    offer.ignored = !ignored_.Empty();
    if (offer.row) {
        offer.properties = PathPresent(list_.Path(row));
        const wizard::BrokenShortcut* record = list_.Record(row);
        offer.repair = record && !record->suggestion.empty();
    }
    const MenuHandle menu = MakeContextMenu(offer);
    if (menu) RunCommand(menuChooser_(menu.Get(), screenPoint, Window()), row);
}

void ResultsPage::RunCommand(UINT command, int row) {
    if (row < 0 && command != kUndoLast && command != kPastChanges && command != kShowIgnored) return;
    switch (command) {
    case kRetarget: RetargetRow(row); break;
    case kRepair: RepairRow(row); break;
    // A file that is gone has no properties to show: the shell would open an empty sheet or an
    // error of its own.
    case kProperties:
        if (PathPresent(list_.Path(row))) propertiesLauncher_(Sheet(), Widen(list_.Path(row)));
        break;
    case kShowInExplorer: explorerLauncher_(ExplorerSelectParameters(Widen(list_.Path(row)))); break;
    case kTickAll: CheckAll(); break;
    case kUntickAll: UncheckAll(); break;
    case kInvertTicks: InvertChecks(); break;
    case kUndoLast: UndoLastChange(); break;
    case kPastChanges: ShowPastChanges(); break;
    case kIgnoreShortcut: IgnoreRow(row, false); break;
    case kIgnoreFolder: IgnoreRow(row, true); break;
    case kShowIgnored: ShowIgnoreList(); break;
    default: break;  // dismissed
    }
}

// ---- The ignore list -----------------------------------------------------------------------

bool ResultsPage::StoreIgnoreList(const IgnoreList& list) {
    std::string reason;
    try {
        if (host::SaveIgnoreList(host::TheComponents().moduleXml, list)) return true;
    } catch (const host::ComponentError& error) {
        // A settings file that cannot be written (read-only, locked) is the user's to fix; the
        // list stays as it was.
        reason = error.Message();
    }
    ShowError(host::Text("_QM_IgnoreSaveFailed") + (reason.empty() ? "" : "\n\n" + reason));
    return false;
}

void ResultsPage::IgnoreRow(int row, bool wholeFolder) {
    const wizard::BrokenShortcut* record = list_.Record(row);
    if (!record) return;
    IgnoreList updated = ignored_;
    const bool added = wholeFolder ? updated.AddFolder(record->folder) : updated.AddShortcut(list_.Path(row));
    if (added && !StoreIgnoreList(updated)) return;
    ignored_ = std::move(updated);
    // Every row the list now leaves out goes; the records stay in the store, so taking the entry
    // off brings them back.
    std::vector<int> leaving;
    for (int each = 0, count = RowCount(); each < count; ++each)
        if (ignored_.Ignores(list_.Path(each))) leaving.push_back(each);
    list_.View().DeleteRows(leaving);
    leftOut_ = CountIgnored(findings_, ignored_);
    ShowCoverage();
    ShowSelectedRow();
}

void ResultsPage::ShowIgnoreList() {
    IgnoreListDialog dialog(ignored_);
    if (!dialog.Edit(DialogOwner()) || !StoreIgnoreList(dialog.List())) return;
    const IgnoreList before = std::exchange(ignored_, dialog.List());
    const wizard::ResultStore& store = findings_;
    // The shortcuts no longer ignored come back at the end of the list, in the store's order.
    for (const wizard::BrokenShortcut* record : NoLongerIgnored(store, before, ignored_))
        if (list_.Find(record->Path()) < 0) list_.InsertRecord(RowCount(), *record);
    leftOut_ = CountIgnored(store, ignored_);
    ShowCoverage();
    ShowSelectedRow();
}

bool ResultsPage::LeftOutLinkVisible() const { return ::IsWindowVisible(leftOutLink_.Window()) != FALSE; }

std::string ResultsPage::CoverageText() const {
    return Narrow(WindowText(LeftOutLinkVisible() ? leftOutLink_.Window() : coverage_));
}

void ResultsPage::ShowCoverage() {
    const wizard::ResultStore& store = findings_;
    const std::wstring line =
        Widen(CoverageLine(store.Coverage(), store.Count(), leftOut_, [](std::string_view key) { return host::Text(key); }));
    // One line either way: a link to the ignore list while that leaves any out, else plain text.
    const bool link = leftOut_ > 0;
    ::SetWindowTextW(link ? leftOutLink_.Window() : coverage_, line.c_str());
    ::ShowWindow(leftOutLink_.Window(), link ? SW_SHOWNA : SW_HIDE);
    ::ShowWindow(coverage_, link ? SW_HIDE : SW_SHOWNA);
}

std::vector<long> ResultsPage::ColumnWidths() const {
    return ListWindow() ? list_.View().ColumnWidths() : givenColumns_;
}

}  // namespace qm::results
