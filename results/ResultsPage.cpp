#include "results/ResultsPage.h"

#include "base/PathSplit.h"
#include "base/Utf.h"
#include "base/win/FileReplace.h"
#include "base/win/FileTimes.h"
#include "base/win/LongPath.h"
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

#include <algorithm>
#include <array>

namespace qm::results {
namespace {

// A failure box lists at most this many shortcuts, so that it fits on the screen.
constexpr size_t kMostFailuresNamed = 20;

// The paths one per line, cut after kMostFailuresNamed.
std::string PathList(const std::vector<std::string>& paths) {
    std::string text;
    for (size_t i = 0; i < paths.size() && i < kMostFailuresNamed; ++i) text += (i ? "\n" : "") + paths[i];
    if (paths.size() > kMostFailuresNamed) text += "\n...";
    return text;
}

std::string Fill(const char* key, std::initializer_list<std::pair<std::string_view, std::string_view>> values) {
    return FillPlaceholders(host::Text(key), values);
}

}  // namespace

ResultsPage::ResultsPage()
    : PropertyPage(IDD_RESULTS_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true),
      menuChooser_(ChooseWithTrackPopupMenu),
      explorerLauncher_(LaunchExplorer),
      propertiesLauncher_(LaunchProperties),
      placesFinder_(FindUsualPlaces) {}

BOOL ResultsPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    heading_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HEADING));
    hint_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HINT));
    list_.Attach(::GetDlgItem(Window(), IDC_RESULTS_LIST));
    view_.Attach(list_.Window());
    undoLink_.Attach(::GetDlgItem(Window(), IDC_RESULTS_UNDO));
    leftOutLink_.Attach(::GetDlgItem(Window(), IDC_RESULTS_LEFT_OUT));
    explanation_ = ::GetDlgItem(Window(), IDC_RESULTS_EXPLANATION);
    view_.AddExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);
    list_.SetRowTextSource([this](LPARAM id, int column) { return rows_.Text(id, column); });
    view_.SetSmallImages(icons_.Create(), controls::ImageListOwner::List);

    RECT page{};
    ::GetWindowRect(Window(), &page);
    const int width = page.right - page.left;
    const struct {
        const char* key;
        int width;
    } columns[] = {{"_QM_019", width / 4 - 30}, {"_QM_020", width / 5},         {"_QM_021", width / 5},
                   {"_QM_SugColumn", width / 5},  {"_QM_LocationColumn", width / 8}};
    for (int i = 0; i < kColumnCount; ++i)
        if (view_.InsertColumn(i, host::Text(columns[i].key), columns[i].width)) list_.SetSortKind(i, kSortAsText);
    std::array<int, kColumnCount> order = kColumnOrder;
    ListView_SetColumnOrderArray(ListWindow(), kColumnCount, order.data());
    return TRUE;
}

std::optional<LRESULT> ResultsPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE:
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
        // opens at the selected row.
        if (lParam == -1) {
            const int row = SelectedRow();
            if (row >= 0) {
                RECT rect{};
                ListView_GetItemRect(ListWindow(), row, &rect, LVIR_LABEL);
                POINT at{rect.left, rect.bottom};
                ::ClientToScreen(ListWindow(), &at);
                ShowContextMenu(at);
            }
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
        // Whoever removes a row (Delete, a repair, an undo), its record goes with it.
        rows_.Remove(reinterpret_cast<const NMLISTVIEW&>(header).lParam);
        return false;
    case LVN_DELETEALLITEMS:
        // Every record goes at once, and the list sends no LVN_DELETEITEM for each row.
        rows_.Clear();
        result = TRUE;
        return true;
    case LVN_GETDISPINFOW: {
        // The list draws a row's text: it lends a buffer for it.
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            const std::string* text = rows_.Text(info.item.lParam, info.item.iSubItem);
            const std::wstring wide = text ? Widen(*text) : std::wstring();
            ::lstrcpynW(info.item.pszText, wide.c_str(), info.item.cchTextMax);
        }
        result = 0;
        return true;
    }
    case LVN_GETINFOTIPW: {
        // The list lends its buffer for the tip; it already holds the row's own text when that
        // is cut off, which the explanation replaces.
        auto& tip = const_cast<NMLVGETINFOTIPW&>(reinterpret_cast<const NMLVGETINFOTIPW&>(header));
        const std::wstring text = Widen(RowExplanation(tip.iItem));
        if (!text.empty() && tip.pszText && tip.cchTextMax > 0) ::lstrcpynW(tip.pszText, text.c_str(), tip.cchTextMax);
        result = 0;
        return true;
    }
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

int ResultsPage::RowCount() const { return view_.Count(); }
bool ResultsPage::IsTicked(int row) const { return view_.IsTicked(row); }
void ResultsPage::SetTicked(int row, bool ticked) { view_.SetTicked(row, ticked); }

std::string ResultsPage::RowText(int row, int column) const {
    const std::string* text = rows_.Text(IdOfRow(row), column);
    return text ? *text : std::string();
}

std::string ResultsPage::RowPath(int row) const {
    const ResultRow* found = rows_.Find(IdOfRow(row));
    return found ? found->Path() : "\\";
}

int ResultsPage::RowImage(int row) const { return view_.Image(row); }

std::string ResultsPage::ExplanationText() const { return Narrow(WindowText(explanation_)); }

// 0 for a row that is not there: no row has that id.
RowId ResultsPage::IdOfRow(int row) const { return view_.Data(row); }

const wizard::BrokenShortcut* ResultsPage::RowRecord(int row) const {
    const ResultRow* found = rows_.Find(IdOfRow(row));
    return found ? &found->record : nullptr;
}

std::string ResultsPage::RowExplanation(int row) const {
    const ResultRow* found = rows_.Find(IdOfRow(row));
    return found ? ExplanationLine(found->record, host::Text, found->place) : std::string();
}

// Asks the list only for the rows the index names: asking it for each row's id would make an
// undo of many files on a long list take minutes.
int ResultsPage::FindRow(const std::string& path) const {
    int first = -1;
    for (const RowId id : rows_.WithPath(path)) {
        const int at = view_.FindData(id);
        if (at >= 0 && (first < 0 || at < first)) first = at;
    }
    return first;
}

void ResultsPage::SetRowText(int row, int column, const std::string& text) {
    rows_.SetText(IdOfRow(row), column, text);
    view_.Redraw(row);
}

int ResultsPage::InsertRow(int row, const wizard::BrokenShortcut& record, const std::string& targetFolder) {
    const RowId id = rows_.Add(record, targetFolder, SuggestionCell(record, host::Text),
                               LocationOf(places_, record.Path(), host::Text));
    // Every column's text comes from the page when the list draws it.
    const int inserted = view_.InsertTextCallbackRow(row, kColumnCount, icons_.IconFor(record.name), id);
    if (inserted < 0) rows_.Remove(id);
    return inserted;
}

void ResultsPage::FillResults() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    const wizard::ResultStore& store = wizard::TheResultStore();
    if (store.Count() == 0) ShowBox("_QM_034", "_Information", MB_ICONINFORMATION);

    ::SendMessageW(ListWindow(), WM_SETREDRAW, FALSE, 0);
    view_.DeleteAll();
    icons_.Clear();
    rows_.Clear();
    places_ = placesFinder_ ? placesFinder_() : std::vector<UsualPlaceFolder>();
    ignored_ = host::LoadIgnoreList(host::TheComponents().moduleXml);
    leftOut_ = 0;
    ListView_SetItemCount(ListWindow(), static_cast<int>(store.Count()));
    int row = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) {
        const wizard::BrokenShortcut& record = store.At(i);
        if (ignored_.Ignores(record.Path())) {
            ++leftOut_;
            continue;
        }
        const std::optional<std::string> target = TargetToShow(record);
        if (!target || InsertRow(row, record, target->empty() ? "" : PathFolder(*target)) < 0) continue;
        ++row;
    }
    ::SendMessageW(ListWindow(), WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(ListWindow(), nullptr, TRUE);
    ShowLeftOut();
    ShowSelectedRow();
}

void ResultsPage::ShowSelectedRow() {
    const int selected = SelectedRow();
    RefreshChangedRow(selected);
    const wizard::BrokenShortcut* record = RowRecord(selected);
    ::SetWindowTextW(explanation_, Widen(RowExplanation(selected)).c_str());
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR), record && !record->suggestion.empty());
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR_CERTAIN), rows_.AnyCertainSuggestion());
}

int ResultsPage::SelectedRow() const { return view_.Selected(); }
void ResultsPage::SelectRow(int row) { view_.Select(row); }

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

void ResultsPage::RefreshChangedRow(int row) {
    const wizard::BrokenShortcut* shown = RowRecord(row);
    if (!shown || !ChangedSinceScan(*shown)) return;
    const host::ShortcutJudgement now = JudgeNow({shown->Path()}).front();
    if (now.verdict == host::ShortcutVerdict::Unreadable) {
        rows_.ShowBroken(IdOfRow(row), *shown, RowText(row, kTargetFolderColumn), RowText(row, kSuggestionColumn));
        return;
    }
    rows_.ShowBroken(IdOfRow(row), Rejudged(*shown, now), now.target.empty() ? std::string() : PathFolder(now.target),
                     std::string());
    view_.Redraw(row);
}

std::vector<int> ResultsPage::KeepOnlyStillBroken(const std::vector<int>& rows) {
    std::vector<std::string> paths;
    for (const int row : rows) paths.push_back(RowPath(row));
    const std::vector<host::ShortcutJudgement> now = JudgeNow(paths);
    std::vector<RowId> stillBroken;
    std::vector<int> dropped;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const wizard::BrokenShortcut* record = RowRecord(rows[i]);
        // A file that cannot be read now is left to the action, which says why it cannot act.
        if (record && !ChangedSinceScan(*record) && now[i].verdict != host::ShortcutVerdict::NotBroken)
            stillBroken.push_back(IdOfRow(rows[i]));
        else
            dropped.push_back(rows[i]);
    }
    if (dropped.empty()) return rows;
    std::sort(dropped.begin(), dropped.end());
    for (auto it = dropped.rbegin(); it != dropped.rend(); ++it) view_.DeleteRow(*it);
    ShowBoxText(Fill("_QM_KeptNotBroken", {{"count", std::to_string(dropped.size())}}), "_Information", MB_ICONINFORMATION);
    std::vector<int> kept;
    for (const RowId id : stillBroken) kept.push_back(view_.FindData(id));
    return kept;
}

void ResultsPage::ShowBoxText(const std::string& text, const std::string& captionKey, UINT icon) const {
    ::MessageBoxW(Window(), Widen(text).c_str(), Widen(host::Text(captionKey)).c_str(), MB_OK | icon);
}

void ResultsPage::ShowBox(const std::string& textKey, const std::string& captionKey, UINT icon) const {
    ShowBoxText(host::Text(textKey), captionKey, icon);
}

bool ResultsPage::Ask(const std::string& question) const {
    return ::MessageBoxW(Window(), Widen(question).c_str(), Widen(host::Text("_QM_Mainname")).c_str(),
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

ShortcutActions ResultsPage::Actions() {
    const host::BackupComponent& backup = host::TheComponents().backup;
    return ShortcutActions(
        backup ? backup.GetBackupDir() : std::string(),
        [this](const std::vector<std::string>& paths) { return RecycleWithShell(Window(), paths); },
        [this](changes::ChangeAction action, std::size_t count) { NoteChanges(action, count); });
}

void ResultsPage::ShowJournalFault(const ShortcutActions& actions) const {
    if (!actions.JournalFault().empty())
        ShowBoxText(host::Text("_QM_JournalFailed") + "\n\n" + actions.JournalFault(), "_Error", MB_ICONERROR);
}

std::string ResultsPage::BackupFailureText(const std::vector<std::string>& paths) const {
    const host::BackupComponent& backup = host::TheComponents().backup;
    return Fill("_QM_BackupFailed", {{"folder", backup ? backup.GetBackupDir() : std::string()}}) + "\n\n" + PathList(paths);
}

void ResultsPage::DeleteTicked() {
    std::vector<int> ticked;
    for (int row = 0, count = RowCount(); row < count; ++row)
        if (IsTicked(row)) ticked.push_back(row);
    if (ticked.empty()) {
        ShowBox("_QM_031", "_Information", MB_ICONINFORMATION);
        return;
    }
    ticked = KeepOnlyStillBroken(ticked);
    std::vector<std::string> paths;
    for (const int row : ticked) paths.push_back(RowPath(row));
    if (ticked.empty()) {
        ShowSelectedRow();
        return;
    }
    ShortcutActions actions = Actions();
    const DeleteOutcome outcome = actions.Delete(paths, [this](const std::vector<std::string>& left, const std::string& reason) {
        ShowBoxText(BackupFailureText(left) + "\n\n" + reason, "_Error", MB_ICONERROR);
    });
    ShowJournalFault(actions);
    // From the bottom up, so that the rows above keep their places.
    for (std::size_t i = ticked.size(); i-- > 0;)
        if (outcome.gone[i]) view_.DeleteRow(ticked[i]);
    // A user who declined the shell's confirmation knows that nothing went; anyone else is told
    // how many are still there, and for each why.
    if (outcome.remaining > 0 && !outcome.declined) {
        std::vector<std::string> left;
        for (std::size_t i = 0; i < paths.size(); ++i)
            if (!outcome.gone[i] && !outcome.why[i].empty())
                left.push_back(paths[i] + ": " + (outcome.why[i] == kRecycleRefused ? host::Text("_QM_RecycleRefused") : outcome.why[i]));
        ShowBoxText(Fill("_QM_040", {{"count", std::to_string(outcome.remaining)}}) + "\n\n" + PathList(left), "_Information",
                    MB_ICONINFORMATION);
    }
    ShowSelectedRow();
}

std::vector<NewTargetOutcome> ResultsPage::ChangeTargets(changes::ChangeAction action,
                                                         const std::vector<std::pair<int, std::string>>& rows) {
    std::vector<std::pair<std::string, std::string>> targets;
    for (const auto& [row, newTarget] : rows) targets.emplace_back(RowPath(row), newTarget);
    ShortcutActions actions = Actions();
    const std::vector<NewTargetOutcome> outcomes = actions.ChangeTargets(action, targets);
    ShowJournalFault(actions);
    for (std::size_t i = 0; i < rows.size(); ++i) {
        if (!outcomes[i].Ok()) continue;
        const int row = rows[i].first;
        const std::string& newTarget = rows[i].second;
        rows_.ShowRetargeted(IdOfRow(row), newTarget, PathFolder(newTarget));
        NoteFileNow(rows_, IdOfRow(row));  // changed here, not since the scan
        view_.SetImage(row, icons_.IconFor(targets[i].first));
        view_.Redraw(row);
        if (row == SelectedRow()) ShowSelectedRow();
    }
    return outcomes;
}

void ResultsPage::RetargetRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const std::string chosen = ChooseNewTarget(DialogOwner(), RowText(row, kTargetFolderColumn));
    if (chosen.empty()) return;
    const NewTargetOutcome outcome = ChangeTargets(changes::ChangeAction::Retarget, {{row, chosen}}).front();
    if (!outcome.backedUp) {
        ShowBoxText(BackupFailureText({RowPath(row)}) + "\n\n" + outcome.backupError, "_Error", MB_ICONERROR);
    } else if (outcome.failure != changes::RetargetFailure::None) {
        std::string text = host::Text(outcome.failure == changes::RetargetFailure::CannotReplace ? "_QM_038" : "_QM_037");
        text += "\n\n" + RowPath(row);
        if (outcome.systemError) text += "\n" + Narrow(SystemMessage(outcome.systemError));
        ShowBoxText(text, "_Error", MB_ICONERROR);
    }
}

// One box for a whole repair: the shortcuts that could not be changed, then those that were not
// changed because no backup copy could be made, with the reason.
void ResultsPage::ShowRepairFailures(const std::vector<std::string>& paths, const std::vector<NewTargetOutcome>& outcomes) const {
    std::vector<std::string> notChanged, notBackedUp;
    std::string backupError;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!outcomes[i].backedUp) {
            notBackedUp.push_back(paths[i]);
            if (backupError.empty()) backupError = outcomes[i].backupError;
        } else if (outcomes[i].failure != changes::RetargetFailure::None) {
            notChanged.push_back(paths[i]);
        }
    }
    std::string text;
    if (!notChanged.empty()) text = Fill("_QM_RepairFailed", {{"list", PathList(notChanged)}});
    if (!notBackedUp.empty()) {
        if (!text.empty()) text += "\n\n";
        text += BackupFailureText(notBackedUp);
        if (!backupError.empty()) text += "\n\n" + backupError;
    }
    if (!text.empty()) ShowBoxText(text, "_Error", MB_ICONERROR);
}

void ResultsPage::RepairRow(int row) {
    if (!RowRecord(row) || RowRecord(row)->suggestion.empty()) return;
    const std::vector<int> stillBroken = KeepOnlyStillBroken({row});
    if (stillBroken.empty()) {
        ShowSelectedRow();
        return;
    }
    row = stillBroken.front();
    const wizard::BrokenShortcut* record = RowRecord(row);
    const std::string suggestion = record->suggestion;
    if (!HasCertainSuggestion(*record) &&
        !Ask(Fill("_QM_RepairAskPossible", {{"name", RowText(row, kNameColumn)}, {"target", suggestion}})))
        return;
    const std::vector<NewTargetOutcome> outcomes = ChangeTargets(changes::ChangeAction::Repair, {{row, suggestion}});
    if (!outcomes.front().Ok()) {
        ShowRepairFailures({RowPath(row)}, outcomes);
        return;
    }
    view_.DeleteRow(row);
    // The next row takes the place of the repaired one, so Repair can go on down the list.
    const int count = RowCount();
    if (count > 0) SelectRow(row < count ? row : count - 1);
    ShowSelectedRow();
}

void ResultsPage::RepairCertainTicked() {
    std::vector<int> certain;
    for (int row = 0, count = RowCount(); row < count; ++row) {
        const wizard::BrokenShortcut* record = RowRecord(row);
        if (record && IsTicked(row) && HasCertainSuggestion(*record)) certain.push_back(row);
    }
    if (certain.empty()) {
        ShowBox("_QM_RepairNothingCertain", "_Information", MB_ICONINFORMATION);
        return;
    }
    std::vector<std::pair<int, std::string>> repairs;
    for (const int row : KeepOnlyStillBroken(certain)) repairs.emplace_back(row, RowRecord(row)->suggestion);
    if (repairs.empty()) {
        ShowSelectedRow();
        return;
    }
    std::vector<std::string> paths;
    for (const auto& repair : repairs) paths.push_back(RowPath(repair.first));
    const std::vector<NewTargetOutcome> outcomes = ChangeTargets(changes::ChangeAction::Repair, repairs);
    // Every repaired row leaves the list; from the bottom up, so that the rows above keep their
    // places.
    for (std::size_t i = repairs.size(); i-- > 0;)
        if (outcomes[i].Ok()) view_.DeleteRow(repairs[i].first);
    ShowSelectedRow();
    ShowRepairFailures(paths, outcomes);
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
    PutBackRows(result);
    if (result.notBackedUp) {
        ShowBoxText(BackupFailureText(result.failures) + "\n\n", "_Error", MB_ICONERROR);
    } else if (!result.failures.empty()) {
        ShowBoxText(host::Text("_QM_UndoFailed") + "\n\n" + PathList(result.failures), "_Error", MB_ICONERROR);
    }
}

// A restored shortcut is broken again: its row comes back with the scan's record (or the row it
// kept shows that record again); a shortcut that works after the undo (an undone undo of a
// re-target or repair) keeps the row it has, showing its new target folder.
void ResultsPage::PutBackRows(const changes::UndoResult& result) {
    for (const std::string& path : result.removed)
        if (const int row = FindRow(path); row >= 0) view_.DeleteRow(row);
    // Restored last file first: put back in the batch's own order.
    for (auto it = result.restored.rbegin(); it != result.restored.rend(); ++it) {
        const std::string& path = *it;
        std::string target;
        if (!changes::ReadShortcutTarget(path, target)) continue;
        const int row = FindRow(path);
        if (!target.empty() && PathPresent(target)) {
            if (row >= 0) SetRowText(row, kTargetFolderColumn, PathFolder(target));
            continue;
        }
        const wizard::BrokenShortcut* scanned = wizard::TheResultStore().Find(path);
        const wizard::BrokenShortcut record =
            scanned ? *scanned : wizard::BrokenShortcut{PathFileName(path), PathFolder(path), target, "TargetMissing"};
        const std::string& shown = record.target.empty() ? target : record.target;
        const std::string targetFolder = shown.empty() ? std::string() : PathFolder(shown);
        if (row < 0) {
            InsertRow(RowCount(), record, targetFolder);
            continue;
        }
        rows_.ShowBroken(IdOfRow(row), record, targetFolder, SuggestionCell(record, host::Text));
        view_.Redraw(row);
    }
    ShowSelectedRow();
}

// ---- The list saved, the menu and the shell ----------------------------------------------

void ResultsPage::SaveList() {
    const std::string path = ChooseListFile(DialogOwner());
    if (path.empty()) return;
    // The rows as the list shows them now: a row re-targeted by hand with its new target.
    std::vector<wizard::BrokenShortcut> records;
    for (int row = 0, count = RowCount(); row < count; ++row)
        if (const wizard::BrokenShortcut* record = RowRecord(row)) records.push_back(*record);
    const std::string text = ListReportText(records, changes::ReadShortcutTarget);
    if (const DWORD error = ReplaceFileContent(path, text); error != ERROR_SUCCESS)
        ShowBoxText(host::Text("_QM_SaveListFailed") + "\n\n" + path + "\n" + Narrow(SystemMessage(error)), "_Error",
                    MB_ICONERROR);
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
        offer.properties = PathPresent(RowPath(row));
        const wizard::BrokenShortcut* record = RowRecord(row);
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
        if (PathPresent(RowPath(row))) propertiesLauncher_(Sheet(), Widen(RowPath(row)));
        break;
    case kShowInExplorer: explorerLauncher_(ExplorerSelectParameters(Widen(RowPath(row)))); break;
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
    ShowBoxText(host::Text("_QM_IgnoreSaveFailed") + (reason.empty() ? "" : "\n\n" + reason), "_Error", MB_ICONERROR);
    return false;
}

void ResultsPage::IgnoreRow(int row, bool wholeFolder) {
    const ResultRow* found = rows_.Find(IdOfRow(row));
    if (!found) return;
    IgnoreList updated = ignored_;
    const bool added = wholeFolder ? updated.AddFolder(found->record.folder) : updated.AddShortcut(found->Path());
    if (added && !StoreIgnoreList(updated)) return;
    ignored_ = std::move(updated);
    // Every row the list now leaves out goes, from the bottom up so that the rows above keep
    // their places; the records stay in the store, so taking the entry off brings them back.
    for (int each = RowCount(); each-- > 0;) {
        if (!ignored_.Ignores(RowPath(each))) continue;
        ListView_DeleteItem(ListWindow(), each);
    }
    const wizard::ResultStore& store = wizard::TheResultStore();
    leftOut_ = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) leftOut_ += ignored_.Ignores(store.At(i).Path()) ? 1 : 0;
    ShowLeftOut();
    ShowSelectedRow();
}

void ResultsPage::ShowIgnoreList() {
    IgnoreListDialog dialog(ignored_);
    if (!dialog.Edit(DialogOwner()) || !StoreIgnoreList(dialog.List())) return;
    const IgnoreList before = std::exchange(ignored_, dialog.List());
    // The shortcuts no longer ignored come back at the end of the list, in the store's order.
    const wizard::ResultStore& store = wizard::TheResultStore();
    leftOut_ = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) {
        const wizard::BrokenShortcut& record = store.At(i);
        const std::string path = record.Path();
        if (ignored_.Ignores(path)) {
            ++leftOut_;
            continue;
        }
        if (!before.Ignores(path) || FindRow(path) >= 0) continue;
        const std::optional<std::string> target = TargetToShow(record);
        if (target) InsertRow(RowCount(), record, target->empty() ? "" : PathFolder(*target));
    }
    ShowLeftOut();
    ShowSelectedRow();
}

std::string ResultsPage::LeftOutLinkText() const {
    return Fill("_QM_IgnoredLeftOut", {{"count", std::to_string(leftOut_)}});
}

bool ResultsPage::LeftOutLinkVisible() const { return ::IsWindowVisible(leftOutLink_.Window()) != FALSE; }

void ResultsPage::ShowLeftOut() {
    if (leftOut_ == 0) {
        ::ShowWindow(leftOutLink_.Window(), SW_HIDE);
        return;
    }
    ::SetWindowTextW(leftOutLink_.Window(), Widen(LeftOutLinkText()).c_str());
    ::ShowWindow(leftOutLink_.Window(), SW_SHOWNA);
}

}  // namespace qm::results
