#include "results/ResultsPage.h"

#include "base/Utf.h"
#include "base/win/FileReplace.h"
#include "base/win/FileTimes.h"
#include "base/win/LongPath.h"
#include "base/win/SystemText.h"
#include "help/HelpMenu.h"
#include "host/Components.h"
#include "res/ResourceIds.h"
#include "res/dialogs/ResultsPage.h"
#include "results/ChangeBatch.h"
#include "results/ChangeHistory.h"
#include "results/PastChangesDialog.h"
#include "results/RowOrder.h"
#include "results/ShortcutFile.h"
#include "results/TargetExplanation.h"
#include "results/UndoChange.h"
#include "base/PathSplit.h"
#include "wizard/ResultStore.h"

#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>

#include <algorithm>
#include <vector>

namespace qm::results {
namespace {

enum Column { kNameColumn = 0, kFolderColumn = 1, kTargetFolderColumn = 2, kSuggestionColumn = 3 };

// The failure box lists at most this many shortcuts, so that it fits on the screen.
constexpr size_t kMostFailuresNamed = 20;

// A file counts as gone only when the system says it is not there: a file that another program
// holds open is still there.
bool PathPresent(const std::string& path) {
    if (::GetFileAttributesW(FileApiPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    const DWORD error = ::GetLastError();
    return error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND;
}

// Whether the file is still the one the search listed: same size and last write time, taken
// from the file's attributes, which cost no opening of the file (under Wine no round trip to the
// server either, where opening and reading a file takes three).
bool UnchangedSinceSearch(const std::string& path, const wizard::BrokenShortcut& record) {
    if (record.fileWriteTime == 0) return false;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!::GetFileAttributesExW(FileApiPath(path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    return JoinHalves(data.nFileSizeHigh, data.nFileSizeLow) == record.fileSize &&
           FileTimeValue(data.ftLastWriteTime) == record.fileWriteTime;
}

bool FolderExists(const std::string& path) {
    const DWORD attributes = ::GetFileAttributesW(FileApiPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The deepest folder of `folder` that still exists ("" when not even its drive does).
std::string DeepestExistingFolder(std::string folder) {
    while (!folder.empty() && !FolderExists(folder)) {
        std::string parent = PathFolder(folder);
        if (parent == folder) return {};
        folder = std::move(parent);
    }
    if (folder.size() == 2 && folder[1] == ':') folder += '\\';  // "C:" alone is the current folder there
    return folder;
}

UINT ChooseWithTrackPopupMenu(HMENU menu, POINT at, HWND owner) {
    return static_cast<UINT>(
        ::TrackPopupMenu(menu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
}

void LaunchExplorer(const std::wstring& parameters) {
    ::ShellExecuteW(nullptr, L"open", L"explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

void LaunchProperties(HWND owner, const std::wstring& file) {
    SHELLEXECUTEINFOW execute{};
    execute.cbSize = sizeof(execute);
    execute.fMask = SEE_MASK_INVOKEIDLIST;
    execute.hwnd = owner;
    execute.lpVerb = L"properties";
    execute.lpFile = file.c_str();
    execute.lpParameters = L"";
    execute.nShow = SW_SHOW;
    ::ShellExecuteExW(&execute);
}

std::wstring LowerExtension(const std::string& path) {
    const std::string name = PathFileName(path);
    const size_t dot = name.rfind('.');
    std::wstring extension = dot == std::string::npos ? L"" : Widen(name.substr(dot));
    ::CharLowerBuffW(extension.data(), static_cast<DWORD>(extension.size()));
    return extension;
}

std::string WithValue(std::string text, std::string_view placeholder, const std::string& value) {
    const size_t at = text.find(placeholder);
    if (at != std::string::npos) text.replace(at, placeholder.size(), value);
    return text;
}

std::string PathList(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += "\n" + line;
    return text;
}

}  // namespace

ResultsPage::ResultsPage()
    : PropertyPage(IDD_RESULTS_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true),
      menuChooser_(ChooseWithTrackPopupMenu),
      explorerLauncher_(LaunchExplorer),
      propertiesLauncher_(LaunchProperties) {}

BOOL ResultsPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    heading_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HEADING));
    hint_.Attach(::GetDlgItem(Window(), IDC_RESULTS_HINT));
    list_.Attach(::GetDlgItem(Window(), IDC_RESULTS_LIST));
    undoLink_.Attach(::GetDlgItem(Window(), IDC_RESULTS_UNDO));
    explanation_ = ::GetDlgItem(Window(), IDC_RESULTS_EXPLANATION);
    ListView_SetExtendedListViewStyle(ListWindow(), LVS_EX_FULLROWSELECT | LVS_EX_CHECKBOXES | LVS_EX_INFOTIP);
    list_.SetRowTextSource([this](LPARAM id, int column) { return TextOfRow(id, column); });
    images_ = ::ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, 0, 0);
    ListView_SetImageList(ListWindow(), images_, LVSIL_SMALL);

    RECT page{};
    ::GetWindowRect(Window(), &page);
    const int width = page.right - page.left;
    const struct {
        const char* key;
        int width;
    } columns[] = {{"_QM_019", width / 4 - 30}, {"_QM_020", width / 4}, {"_QM_021", width / 4}, {"_QM_SugColumn", width / 4 - 10}};
    for (int i = 0; i < 4; ++i) {
        std::wstring text = Widen(host::Text(columns[i].key));
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = text.data();
        column.iSubItem = i;
        if (::SendMessageW(ListWindow(), LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column)) >= 0)
            list_.SetSortKind(i, kSortAsText);
    }
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
        rows_.erase(reinterpret_cast<const NMLISTVIEW&>(header).lParam);
        return false;
    case LVN_DELETEALLITEMS:
        // Every record goes at once, and the list sends no LVN_DELETEITEM for each row.
        rows_.clear();
        result = TRUE;
        return true;
    case LVN_GETDISPINFOW: {
        // The list draws a row's text: it lends a buffer for it.
        auto& info = const_cast<NMLVDISPINFOW&>(reinterpret_cast<const NMLVDISPINFOW&>(header));
        if ((info.item.mask & LVIF_TEXT) && info.item.pszText && info.item.cchTextMax > 0) {
            const std::string* text = TextOfRow(info.item.lParam, info.item.iSubItem);
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
        const wizard::BrokenShortcut* record = RowRecord(tip.iItem);
        const std::wstring text = record ? Widen(ExplanationLine(*record, host::Text)) : std::wstring();
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

int ResultsPage::RowCount() const { return ListView_GetItemCount(ListWindow()); }

bool ResultsPage::IsTicked(int row) const {
    return (ListView_GetItemState(ListWindow(), row, LVIS_STATEIMAGEMASK) >> 12) != 1;
}

void ResultsPage::SetTicked(int row, bool ticked) { ListView_SetCheckState(ListWindow(), row, ticked); }

std::string ResultsPage::RowText(int row, int column) const {
    const std::string* text = TextOfRow(RowId(row), column);
    return text ? *text : std::string();
}

const std::string* ResultsPage::TextOfRow(LPARAM id, int column) const {
    const auto found = rows_.find(id);
    if (found == rows_.end() || column < 0 || column >= kColumnCount) return nullptr;
    return &found->second.texts[column];
}

std::string ResultsPage::RowPath(int row) const {
    const auto found = rows_.find(RowId(row));
    if (found == rows_.end()) return "\\";
    return found->second.texts[kFolderColumn] + "\\" + found->second.texts[kNameColumn];
}

int ResultsPage::RowImage(int row) const {
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    ::SendMessageW(ListWindow(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return item.iImage;
}

int ResultsPage::ImageCount() const { return ::ImageList_GetImageCount(images_); }

std::string ResultsPage::ExplanationText() const { return Narrow(WindowText(explanation_)); }

// 0 for a row that is not there: no row has that id.
LPARAM ResultsPage::RowId(int row) const {
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (row < 0 || !::SendMessageW(ListWindow(), LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return item.lParam;
}

const wizard::BrokenShortcut* ResultsPage::RowRecord(int row) const {
    const auto found = rows_.find(RowId(row));
    return found == rows_.end() ? nullptr : &found->second.record;
}

void ResultsPage::SetRowText(int row, int column, const std::string& text) {
    const auto found = rows_.find(RowId(row));
    if (found == rows_.end() || column < 0 || column >= kColumnCount) return;
    found->second.texts[column] = text;
    ListView_RedrawItems(ListWindow(), row, row);
}

LPARAM ResultsPage::NewRowId() {
    for (;;) {
        GUID guid{};
        ::CoCreateGuid(&guid);
        // The sort finds rows by this value: two rows may not share one.
        const LPARAM id = static_cast<LPARAM>(guid.Data1);
        if (id != 0 && rowIds_.insert(id).second) return id;  // 0 stands for no row
    }
}

int ResultsPage::InsertRow(int row, const wizard::BrokenShortcut& record, const std::string& targetFolder) {
    const LPARAM id = NewRowId();
    rows_[id] = Row{record, {record.name, record.folder, targetFolder, SuggestionCell(record, host::Text)}};
    // Every column's text comes from the page when the list draws it; each subitem is marked so
    // too, as a list view asks for a subitem's text only then.
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_IMAGE | LVIF_PARAM;
    item.iItem = row;
    item.pszText = LPSTR_TEXTCALLBACKW;
    item.iImage = IconFor(record.folder + "\\" + record.name);
    item.lParam = id;
    const int inserted = static_cast<int>(list_.SendPastHooks(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (inserted < 0) {
        rows_.erase(id);
        return inserted;
    }
    LVITEMW subitem{};
    subitem.pszText = LPSTR_TEXTCALLBACKW;
    for (subitem.iSubItem = 1; subitem.iSubItem < kColumnCount; ++subitem.iSubItem)
        list_.SendPastHooks(LVM_SETITEMTEXTW, inserted, reinterpret_cast<LPARAM>(&subitem));
    return inserted;
}

// One image per distinct icon. The icon follows the file's extension (the file itself is not
// opened), so the shell is asked once per extension.
int ResultsPage::IconFor(const std::string& path) {
    const std::wstring extension = LowerExtension(path);
    if (const auto known = imageOfExtension_.find(extension); known != imageOfExtension_.end()) return known->second;
    int image = 0;
    SHFILEINFOW info{};
    const std::wstring name = Widen(PathFileName(path));
    if (::SHGetFileInfoW(name.c_str(), FILE_ATTRIBUTE_NORMAL, &info, sizeof(info),
                         SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) &&
        info.hIcon) {
        IconHandle icon(info.hIcon);
        if (const auto same = imageOfSystemIcon_.find(info.iIcon); same != imageOfSystemIcon_.end()) {
            image = same->second;
        } else {
            const int added = ::ImageList_ReplaceIcon(images_, -1, icon.Get());
            if (added >= 0) {
                image = added;
                imageOfSystemIcon_.emplace(info.iIcon, added);
            }
        }
    }
    imageOfExtension_.emplace(extension, image);
    return image;
}

void ResultsPage::FillResults() {
    SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
    const wizard::ResultStore& store = wizard::TheResultStore();
    if (store.Count() == 0) ShowBox("_QM_034", "_Information", MB_ICONINFORMATION);

    ::SendMessageW(ListWindow(), WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(ListWindow());
    ::ImageList_RemoveAll(images_);
    imageOfExtension_.clear();
    imageOfSystemIcon_.clear();
    rowIds_.clear();
    rows_.clear();
    ListView_SetItemCount(ListWindow(), static_cast<int>(store.Count()));
    int row = 0;
    for (std::size_t i = 0; i < store.Count(); ++i) {
        const wizard::BrokenShortcut& record = store.At(i);
        std::string stored;
        // A file that is no longer there, or no longer a shortcut, gets no row. One the search
        // read and that has not changed since is still the shortcut it judged.
        const std::string path = record.folder + "\\" + record.name;
        const bool judged = !record.target.empty() && UnchangedSinceSearch(path, record);
        if (!judged && !ReadShortcutTarget(path, stored)) continue;
        // The target the search judged missing; the stored one when the record has none.
        const std::string& target = record.target.empty() ? stored : record.target;
        if (InsertRow(row, record, target.empty() ? "" : PathFolder(target)) < 0) continue;
        ++row;
    }
    ::SendMessageW(ListWindow(), WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(ListWindow(), nullptr, TRUE);
    ShowSelectedRow();
}

void ResultsPage::ShowSelectedRow() {
    const wizard::BrokenShortcut* record = RowRecord(SelectedRow());
    const std::wstring text = record ? Widen(ExplanationLine(*record, host::Text)) : std::wstring();
    ::SetWindowTextW(explanation_, text.c_str());
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR), record && !record->suggestion.empty());
    bool anyCertain = false;
    for (const auto& [id, each] : rows_) anyCertain = anyCertain || HasCertainSuggestion(each.record);
    ::EnableWindow(::GetDlgItem(Window(), IDC_RESULTS_REPAIR_CERTAIN), anyCertain);
}

int ResultsPage::SelectedRow() const { return ListView_GetNextItem(ListWindow(), -1, LVNI_SELECTED); }

void ResultsPage::SelectRow(int row) {
    ListView_SetItemState(ListWindow(), row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(ListWindow(), row, FALSE);
}

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

void ResultsPage::ShowBoxText(const std::string& text, const std::string& captionKey, UINT icon) const {
    ::MessageBoxW(Window(), Widen(text).c_str(), Widen(host::Text(captionKey)).c_str(), MB_OK | icon);
}

void ResultsPage::ShowBox(const std::string& textKey, const std::string& captionKey, UINT icon) const {
    ShowBoxText(host::Text(textKey), captionKey, icon);
}

void ResultsPage::DeleteTicked() {
    std::vector<int> ticked;
    for (int row = 0, count = RowCount(); row < count; ++row)
        if (IsTicked(row)) ticked.push_back(row);
    if (ticked.empty()) {
        ShowBox("_QM_031", "_Information", MB_ICONINFORMATION);
        return;
    }
    // Every file is backed up before the shell moves any; a file that cannot be is not moved.
    ChangeBatch batch(BackupFolder(), "delete");
    std::vector<int> backedUp;
    std::vector<std::string> notBackedUp;
    std::string reason;
    for (int row : ticked) {
        const std::string path = RowPath(row);
        std::string error;
        if (batch.RecordShortcut(path, "", error)) {
            backedUp.push_back(row);
        } else {
            notBackedUp.push_back(path);
            if (reason.empty()) reason = error;
        }
    }
    if (!notBackedUp.empty()) ShowBackupFailure(notBackedUp, reason);
    if (backedUp.empty()) {
        FinishBatch(batch);
        return;
    }
    std::wstring files;
    for (int row : backedUp) {
        files += Widen(RowPath(row));
        files += L'\0';
    }
    files += L'\0';
    SHFILEOPSTRUCTW operation{};
    // Owned by the page, so the wizard stays disabled while the shell asks for confirmation.
    operation.hwnd = Window();
    operation.wFunc = FO_DELETE;
    operation.pFrom = files.c_str();
    operation.fFlags = FOF_ALLOWUNDO | FOF_NOERRORUI;
    ::SHFileOperationW(&operation);

    // Whatever the shell answered, each row's file says what happened to it.
    int remaining = 0;
    for (auto row = backedUp.rbegin(); row != backedUp.rend(); ++row) {
        if (PathPresent(RowPath(*row))) {
            ++remaining;
        } else {
            batch.Changed();
            ListView_DeleteItem(ListWindow(), *row);
        }
    }
    FinishBatch(batch);
    // A user who declined the shell's confirmation knows that nothing went; anyone else is told
    // how many are still there.
    const bool declined = operation.fAnyOperationsAborted && remaining == static_cast<int>(backedUp.size());
    if (remaining > 0 && !declined)
        ShowBoxText(WithValue(host::Text("_QM_040"), "%d", std::to_string(remaining)), "_Information", MB_ICONINFORMATION);
    ShowSelectedRow();
}

std::string ResultsPage::ChooseNewTarget(const std::string& oldTargetFolder) const {
    std::wstring file(32768, L'\0');  // room for the longest path the system has
    const std::wstring title = Widen(host::Text("_QM_032"));
    const std::wstring initialFolder = Widen(DeepestExistingFolder(oldTargetFolder));
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Sheet() ? Sheet() : Window();
    dialog.lpstrFilter = L"All Files (*.*)\0*.*\0";
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrInitialDir = initialFolder.empty() ? nullptr : initialFolder.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR;
    if (!::GetOpenFileNameW(&dialog)) return {};
    file.resize(::wcslen(file.c_str()));
    return Narrow(file);
}

void ResultsPage::RetargetRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const std::string chosen = ChooseNewTarget(RowText(row, kTargetFolderColumn));
    if (chosen.empty()) return;
    ChangeBatch batch(BackupFolder(), "retarget");
    const NewTargetOutcome outcome = ApplyNewTarget(batch, row, chosen);
    FinishBatch(batch);
    if (!outcome.backedUp)
        ShowBackupFailure({RowPath(row)}, outcome.backupError);
    else if (outcome.failure != RetargetFailure::None)
        ShowBox(outcome.failure == RetargetFailure::CannotReplace ? "_QM_038" : "_QM_037", "_Error", MB_ICONERROR);
}

ResultsPage::NewTargetOutcome ResultsPage::ApplyNewTarget(ChangeBatch& batch, int row, const std::string& newTarget) {
    NewTargetOutcome outcome;
    const std::string path = RowPath(row);
    if (!batch.RecordShortcut(path, newTarget, outcome.backupError)) {
        outcome.backedUp = false;
        return outcome;
    }
    outcome.failure = RetargetShortcut(path, newTarget);
    if (outcome.failure != RetargetFailure::None) return outcome;
    batch.Changed();
    SetRowText(row, kTargetFolderColumn, PathFolder(newTarget));
    SetRowText(row, kSuggestionColumn, "");
    if (const auto found = rows_.find(RowId(row)); found != rows_.end()) {
        // The shortcut now opens a target that is there: nothing is missing, nothing to suggest.
        wizard::BrokenShortcut& record = found->second.record;
        record.target = newTarget;
        record.goneKind = kRetargetedKind;
        record.suggestion.clear();
        record.confidence.clear();
    }
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = IconFor(path);
    ::SendMessageW(ListWindow(), LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    if (row == SelectedRow()) ShowSelectedRow();
    return outcome;
}

bool ResultsPage::AskToUsePossibleTarget(int row, const std::string& target) const {
    const std::string text = FillPlaceholders(host::Text("_QM_RepairAskPossible"), {{"name", RowText(row, kNameColumn)}, {"target", target}});
    return ::MessageBoxW(Window(), Widen(text).c_str(), Widen(host::Text("_QM_Mainname")).c_str(),
                         MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

void ResultsPage::ShowRepairFailures(const RepairFailures& failures) const {
    const auto list = [](const std::vector<std::string>& paths) {
        std::string text;
        for (size_t i = 0; i < paths.size() && i < kMostFailuresNamed; ++i) text += (i ? "\n" : "") + paths[i];
        if (paths.size() > kMostFailuresNamed) text += "\n...";
        return text;
    };
    // One box for the whole repair: the shortcuts that could not be changed, then those that
    // were not changed because no backup copy could be made, with the reason.
    std::string text;
    if (!failures.notChanged.empty()) text = FillPlaceholders(host::Text("_QM_RepairFailed"), {{"list", list(failures.notChanged)}});
    if (!failures.notBackedUp.empty()) {
        if (!text.empty()) text += "\n\n";
        text += WithValue(host::Text("_QM_BackupFailed"), "%s", BackupFolder()) + "\n" + list(failures.notBackedUp);
        if (!failures.backupError.empty()) text += "\n\n" + failures.backupError;
    }
    if (!text.empty()) ShowBoxText(text, "_Error", MB_ICONERROR);
}

void ResultsPage::RepairFailures::Add(const std::string& path, const NewTargetOutcome& outcome) {
    if (!outcome.backedUp) {
        notBackedUp.push_back(path);
        if (backupError.empty()) backupError = outcome.backupError;
    } else if (outcome.failure != RetargetFailure::None) {
        notChanged.push_back(path);
    }
}

void ResultsPage::RepairRow(int row) {
    const wizard::BrokenShortcut* record = RowRecord(row);
    if (!record || record->suggestion.empty()) return;
    const std::string suggestion = record->suggestion;
    if (!HasCertainSuggestion(*record) && !AskToUsePossibleTarget(row, suggestion)) return;
    ChangeBatch batch(BackupFolder(), "repair");
    const NewTargetOutcome outcome = ApplyNewTarget(batch, row, suggestion);
    FinishBatch(batch);
    if (!outcome.Ok()) {
        RepairFailures failures;
        failures.Add(RowPath(row), outcome);
        ShowRepairFailures(failures);
        return;
    }
    ListView_DeleteItem(ListWindow(), row);
    // The next row takes the place of the repaired one, so Repair can go on down the list.
    const int count = RowCount();
    if (count > 0) SelectRow(row < count ? row : count - 1);
    ShowSelectedRow();
}

void ResultsPage::RepairCertainTicked() {
    // By id: every repaired row leaves the list and moves the ones below it up.
    std::vector<LPARAM> ids;
    for (int row = 0, count = RowCount(); row < count; ++row) {
        const wizard::BrokenShortcut* record = RowRecord(row);
        if (record && IsTicked(row) && HasCertainSuggestion(*record)) ids.push_back(RowId(row));
    }
    if (ids.empty()) {
        ShowBox("_QM_RepairNothingCertain", "_Information", MB_ICONINFORMATION);
        return;
    }
    ChangeBatch batch(BackupFolder(), "repair");
    RepairFailures failures;
    for (const LPARAM id : ids) {
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = id;
        const int row = ListView_FindItem(ListWindow(), -1, &find);
        if (row < 0) continue;
        const std::string suggestion = rows_.at(id).record.suggestion;
        const NewTargetOutcome outcome = ApplyNewTarget(batch, row, suggestion);
        if (outcome.Ok())
            ListView_DeleteItem(ListWindow(), row);
        else
            failures.Add(RowPath(row), outcome);
    }
    FinishBatch(batch);
    ShowSelectedRow();
    ShowRepairFailures(failures);
}

// ---- Backup and undo -----------------------------------------------------------------------

std::string ResultsPage::BackupFolder() const {
    const host::BackupComponent& backup = host::TheComponents().backup;
    return backup ? backup.GetBackupDir() : std::string();
}

void ResultsPage::ShowBackupFailure(const std::vector<std::string>& paths, const std::string& reason) const {
    const std::string text = WithValue(host::Text("_QM_BackupFailed"), "%s", BackupFolder()) + "\n" + PathList(paths) +
                             "\n\n" + reason;
    ShowBoxText(text, "_Error", MB_ICONERROR);
}

void ResultsPage::FinishBatch(ChangeBatch& batch) {
    std::string error;
    // An end line that cannot be written leaves the batch marked interrupted; it stays undoable.
    batch.Finish(error);
    NoteChanges(batch.Action(), batch.ChangedCount());
}

void ResultsPage::NoteChanges(const std::string& action, std::size_t count) {
    if (count == 0) return;
    auto known = std::find_if(changesMade_.begin(), changesMade_.end(), [&](const auto& made) { return made.first == action; });
    if (known == changesMade_.end())
        changesMade_.emplace_back(action, count);
    else
        known->second += count;
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

std::string ResultsPage::UndoLinkText() const {
    std::string parts;
    for (const auto& [action, count] : changesMade_) {
        const char* key = action == "retarget" ? "_QM_UndoRetargeted"
                          : action == "repair" ? "_QM_UndoRepaired"
                          : action == "delete" ? "_QM_UndoDeleted"
                                               : "_QM_UndoRestored";
        if (!parts.empty()) parts += ", ";
        parts += WithValue(host::Text(key), "%d", std::to_string(count));
    }
    return parts.empty() ? std::string() : WithValue(host::Text("_QM_UndoLink"), "%s", parts);
}

bool ResultsPage::UndoLinkVisible() const { return ::IsWindowVisible(undoLink_.Window()) != FALSE; }

void ResultsPage::UndoLastChange() {
    const std::vector<StoredBatch> history = ReadChangeHistory(BackupFolder());
    const StoredBatch* last = LastChange(history);
    if (!last) {
        ShowBox("_QM_UndoNothing", "_Information", MB_ICONINFORMATION);
        return;
    }
    Undo(*last);
}

void ResultsPage::ShowPastChanges() {
    std::vector<StoredBatch> history = ReadChangeHistory(BackupFolder());
    PastChangesDialog chooser(history);
    if (const std::optional<std::size_t> chosen = chooser.Choose(Sheet() ? Sheet() : Window())) Undo(history[*chosen]);
}

void ResultsPage::Undo(const StoredBatch& stored) {
    const UndoResult result = UndoChangeBatch(BackupFolder(), stored, [this](const std::string& path) {
        const std::wstring question = Widen(WithValue(host::Text("_QM_UndoNewer"), "%s", path));
        return ::MessageBoxW(Window(), question.c_str(), Widen(host::Text("_QM_Mainname")).c_str(),
                             MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
    });
    PutBackRows(result);
    ShowSelectedRow();
    NoteChanges("undo", result.restored.size() + result.removed.size());
    if (result.notBackedUp) {
        ShowBackupFailure(result.failures, "");
    } else if (!result.failures.empty()) {
        ShowBoxText(host::Text("_QM_UndoFailed") + "\n" + PathList(result.failures), "_Error", MB_ICONERROR);
    }
}

// The first row showing the shortcut `path`. Searches the page's rows, not the list's: asking
// the list for each row's id would make an undo of many files on a long list take minutes.
int ResultsPage::FindRow(const std::string& path) const {
    int first = -1;
    for (const auto& [id, row] : rows_) {
        if (row.texts[kFolderColumn] + "\\" + row.texts[kNameColumn] != path) continue;
        LVFINDINFOW find{};
        find.flags = LVFI_PARAM;
        find.lParam = id;
        const int at = ListView_FindItem(ListWindow(), -1, &find);
        if (at >= 0 && (first < 0 || at < first)) first = at;
    }
    return first;
}

// A restored shortcut is broken again: its row comes back with the scan's record (or the row it
// kept shows that record again); a shortcut that works after the undo (an undone undo of a
// re-target or repair) keeps the row it has, showing its new target folder.
void ResultsPage::PutBackRows(const UndoResult& result) {
    for (const std::string& path : result.removed)
        if (const int row = FindRow(path); row >= 0) ListView_DeleteItem(ListWindow(), row);
    // Restored last file first: put back in the batch's own order.
    for (auto it = result.restored.rbegin(); it != result.restored.rend(); ++it) {
        const std::string& path = *it;
        std::string target;
        if (!ReadShortcutTarget(path, target)) continue;
        int row = FindRow(path);
        if (!target.empty() && PathPresent(target)) {
            if (row >= 0) SetRowText(row, kTargetFolderColumn, PathFolder(target));
            continue;
        }
        wizard::BrokenShortcut record{PathFileName(path), PathFolder(path), target, "TargetMissing"};
        const wizard::ResultStore& store = wizard::TheResultStore();
        for (std::size_t i = 0; i < store.Count(); ++i)
            if (store.At(i).folder + "\\" + store.At(i).name == path) record = store.At(i);
        const std::string& shown = record.target.empty() ? target : record.target;
        const std::string targetFolder = shown.empty() ? std::string() : PathFolder(shown);
        if (row < 0) {
            InsertRow(RowCount(), record, targetFolder);
            continue;
        }
        SetRowText(row, kTargetFolderColumn, targetFolder);
        SetRowText(row, kSuggestionColumn, SuggestionCell(record, host::Text));
        if (const auto found = rows_.find(RowId(row)); found != rows_.end()) found->second.record = record;
    }
    ShowSelectedRow();
}

std::string ResultsPage::ChooseListFile() const {
    std::wstring file = Widen(host::Text("_QM_SaveListFileName"));
    file.resize(32768, L'\0');  // room for the longest path the system has
    const std::wstring title = Widen(host::Text("_QM_SaveListTitle"));
    std::wstring filter = Widen(host::Text("_QM_SaveListCsvFiles"));
    filter += std::wstring(L"\0*.csv\0", 7) + Widen(host::Text("_QM_SaveListAllFiles")) + std::wstring(L"\0*.*\0", 5);
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof(dialog);
    dialog.hwndOwner = Sheet() ? Sheet() : Window();
    dialog.lpstrFilter = filter.c_str();
    dialog.lpstrFile = file.data();
    dialog.nMaxFile = static_cast<DWORD>(file.size());
    dialog.lpstrTitle = title.c_str();
    dialog.lpstrDefExt = L"csv";
    // No trial file from the dialog: a folder that cannot be written is told by the save itself,
    // with the system's reason.
    dialog.Flags = OFN_EXPLORER | OFN_ENABLESIZING | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST |
                   OFN_NOCHANGEDIR | OFN_NOTESTFILECREATE;
    if (!::GetSaveFileNameW(&dialog)) return {};
    file.resize(::wcslen(file.c_str()));
    return Narrow(file);
}

// Each row's record, found by the row's path. The target is the one the row was made from: the
// search's, or the stored one when the search gave none.
std::vector<ShortcutReportRow> ResultsPage::ReportRows() const {
    const wizard::ResultStore& store = wizard::TheResultStore();
    std::unordered_map<std::string, const wizard::BrokenShortcut*> recordOfPath;
    for (std::size_t i = 0; i < store.Count(); ++i)
        recordOfPath.emplace(store.At(i).folder + "\\" + store.At(i).name, &store.At(i));
    std::vector<ShortcutReportRow> rows;
    for (int row = 0, count = RowCount(); row < count; ++row) {
        std::string path = RowPath(row);
        const auto found = recordOfPath.find(path);
        if (found == recordOfPath.end()) continue;
        const wizard::BrokenShortcut& record = *found->second;
        std::string target = record.target;
        if (target.empty()) ReadShortcutTarget(path, target);
        rows.push_back({std::move(path), std::move(target), record.reason, record.suggestion, record.confidence});
    }
    return rows;
}

void ResultsPage::SaveList() {
    const std::string path = ChooseListFile();
    if (path.empty()) return;
    std::string text(kUtf8ByteOrderMark);
    text += CsvHeader();
    for (const ShortcutReportRow& row : ReportRows()) text += CsvRecord(row);
    if (const DWORD error = ReplaceFileContent(path, text); error != ERROR_SUCCESS)
        ShowBoxText(host::Text("_QM_SaveListFailed") + "\n\n" + path + "\n" + Narrow(SystemMessage(error)), "_Error",
                    MB_ICONERROR);
}

// A file that is gone has no properties to show: the shell would open an empty sheet or an
// error of its own.
void ResultsPage::ShowProperties(const std::string& path) const {
    if (PathPresent(path)) propertiesLauncher_(Sheet(), Widen(path));
}

void ResultsPage::ShowInExplorer(const std::string& path) const { explorerLauncher_(ExplorerSelectParameters(Widen(path))); }

void ResultsPage::ShowContextMenu(POINT screenPoint) {
    const int row = SelectedRow();
    const std::vector<StoredBatch> history = ReadChangeHistory(BackupFolder());
    const bool canUndo = LastChange(history) != nullptr;
    // Without a selected row only Undo has something to act on.
    if (row < 0 && history.empty()) return;
    MenuHandle menu(::CreatePopupMenu());
    if (!menu) return;
    const struct {
        UINT command;  // 0: separator
        const char* key;
    } rowItems[] = {{kRetarget, "_QM_025"}, {kRepair, "_QM_RepairMenu"}, {0, nullptr},
                    {kProperties, "_QM_026"}, {kShowInExplorer, "_QM_027"}, {0, nullptr},
                    {kTickAll, "_QM_028"}, {kUntickAll, "_QM_029"}, {kInvertTicks, "_QM_030"},
                    {0, nullptr}};
    if (row >= 0) {
        for (const auto& item : rowItems) {
            if (item.command == 0)
                ::AppendMenuW(menu.Get(), MF_SEPARATOR, 0, nullptr);
            else
                ::AppendMenuW(menu.Get(), MF_STRING, item.command, Widen(host::Text(item.key)).c_str());
        }
        if (!PathPresent(RowPath(row))) ::EnableMenuItem(menu.Get(), kProperties, MF_BYCOMMAND | MF_GRAYED);
        const wizard::BrokenShortcut* record = RowRecord(row);
        if (!record || record->suggestion.empty()) ::EnableMenuItem(menu.Get(), kRepair, MF_BYCOMMAND | MF_GRAYED);
        ::SetMenuDefaultItem(menu.Get(), kRetarget, FALSE);
    }
    ::AppendMenuW(menu.Get(), MF_STRING | (canUndo ? MF_ENABLED : MF_GRAYED), kUndoLast,
                  Widen(host::Text("_QM_UndoLast")).c_str());
    ::AppendMenuW(menu.Get(), MF_STRING | (history.empty() ? MF_GRAYED : MF_ENABLED), kPastChanges,
                  Widen(host::Text("_QM_UndoHistory")).c_str());
    RunCommand(menuChooser_(menu.Get(), screenPoint, Window()), row);
}

void ResultsPage::RunCommand(UINT command, int row) {
    if (row < 0 && command != kUndoLast && command != kPastChanges) return;
    switch (command) {
    case kRetarget: RetargetRow(row); break;
    case kRepair: RepairRow(row); break;
    case kProperties: ShowProperties(RowPath(row)); break;
    case kShowInExplorer: ShowInExplorer(RowPath(row)); break;
    case kTickAll: CheckAll(); break;
    case kUntickAll: UncheckAll(); break;
    case kInvertTicks: InvertChecks(); break;
    case kUndoLast: UndoLastChange(); break;
    case kPastChanges: ShowPastChanges(); break;
    default: break;  // dismissed
    }
}

}  // namespace qm::results
