// The wizard's third page (dialog 212): the broken shortcuts of the last scan in a list with
// tick boxes (name with icon, folder, folder of the missing target, suggested new target),
// rebuilt from the result store each time the page becomes active, with why the selected one is
// broken in a line under the list (and in each row's tip), and the repair actions on them: move
// the ticked shortcut files to the Recycle Bin, give one a new target, give one its suggested
// target, give every ticked one with a certain suggestion that target, show its properties or
// its folder. A repaired shortcut is no longer broken, so its row leaves the list. Every change
// goes through a batch of the backup journal (results/ChangeBatch.h) and can be undone: the last
// one from the context menu, any from the list of past changes.
//
// A row's shortcut path is always its folder column, a backslash and its name column. The page
// keeps each row's texts and record (where the target went) by the row's id; the list holds only
// the id, the icon and the tick, and asks the page for the texts when it draws them
// (LPSTR_TEXTCALLBACKW). So filling the list takes one message per row, and sorting, finding and
// acting on rows read the texts without asking the list for them.
#pragma once

#include "ui/PropertyPage.h"
#include "base/ShortcutReport.h"
#include "base/win/Handle.h"
#include "controls/LinkButton.h"
#include "controls/SkinnedStatic.h"
#include "results/ShortcutFile.h"
#include "results/SortableListView.h"
#include "wizard/ResultStore.h"

#include <array>
#include <functional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

namespace qm::results {

// The commands of the row's context menu.
enum ContextMenuCommand : UINT {
    kRetarget = 1,
    kProperties = 2,
    kShowInExplorer = 3,
    kTickAll = 4,
    kUntickAll = 5,
    kInvertTicks = 6,
    kUndoLast = 7,
    kPastChanges = 8,
    kRepair = 9,
};

class ChangeBatch;
struct StoredBatch;
struct UndoResult;

class ResultsPage : public ui::PropertyPage {
public:
    // Shows the menu and returns the chosen command (0: dismissed). Tests replace it.
    using MenuChooser = std::function<UINT(HMENU menu, POINT at, HWND owner)>;
    // Starts Explorer with these parameters. Tests replace it.
    using ExplorerLauncher = std::function<void(const std::wstring& parameters)>;
    // Opens the shell's property sheet of the file, owned by `owner`. Tests replace it.
    using PropertiesLauncher = std::function<void(HWND owner, const std::wstring& file)>;

    ResultsPage();

    HWND ListWindow() const { return list_.Window(); }
    SortableListView& List() { return list_; }
    int RowCount() const;
    bool IsTicked(int row) const;
    void SetTicked(int row, bool ticked);
    std::string RowText(int row, int column) const;
    std::string RowPath(int row) const;  // folder, backslash, name
    int RowImage(int row) const;
    int ImageCount() const;
    // The line under the list: why the selected row's shortcut is broken.
    std::string ExplanationText() const;

    // The tick operations, the buttons' and the context menu's.
    void CheckAll();
    void UncheckAll();
    void InvertChecks();

    // The repair actions.
    void DeleteTicked();
    void RetargetRow(int row);
    // Gives the row's shortcut its suggested target; asks first when the suggestion is only
    // possible. Nothing without a suggestion.
    void RepairRow(int row);
    // Gives every ticked row with a certain suggestion that target; the rows that fail stay,
    // untouched, and one box names them.
    void RepairCertainTicked();
    void ShowContextMenu(POINT screenPoint);
    // Asks where, then writes the rows' records as a CSV table (base/ShortcutReport.h) in the
    // rows' order; a file already there is replaced only by the complete new one.
    void SaveList();

    // Undo: the newest batch of the backup folder; the list of past changes to pick one from.
    void UndoLastChange();
    void ShowPastChanges();
    // The link below the list that says what this visit changed; hidden until something was.
    std::string UndoLinkText() const;
    bool UndoLinkVisible() const;

    void SetMenuChooser(MenuChooser chooser) { menuChooser_ = std::move(chooser); }
    void SetExplorerLauncher(ExplorerLauncher launcher) { explorerLauncher_ = std::move(launcher); }
    void SetPropertiesLauncher(PropertiesLauncher launcher) { propertiesLauncher_ = std::move(launcher); }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;

private:
    enum class TickOperation { Check, Uncheck, Invert };
    void RunTickOperation(TickOperation operation);
    void FillResults();
    // Adds a row for `record` at `row`, showing `targetFolder` as its target's folder; -1 when the
    // list refused it.
    int InsertRow(int row, const wizard::BrokenShortcut& record, const std::string& targetFolder);
    LPARAM RowId(int row) const;
    const wizard::BrokenShortcut* RowRecord(int row) const;
    const std::string* TextOfRow(LPARAM id, int column) const;
    bool AskToUsePossibleTarget(int row, const std::string& target) const;
    // The explanation line and the repair buttons follow the selection and the rows.
    void ShowSelectedRow();
    void SetRowText(int row, int column, const std::string& text);
    int IconFor(const std::string& path);
    LPARAM NewRowId();
    void SelectRow(int row);
    int SelectedRow() const;
    bool OnListNotify(const NMHDR& header, LRESULT& result);
    void RunCommand(UINT command, int row);
    void ShowInExplorer(const std::string& path) const;
    void ShowProperties(const std::string& path) const;
    std::string ChooseNewTarget(const std::string& oldTargetFolder) const;
    std::string ChooseListFile() const;
    std::vector<ShortcutReportRow> ReportRows() const;
    void ShowBox(const std::string& textKey, const std::string& captionKey, UINT icon) const;
    void ShowBoxText(const std::string& text, const std::string& captionKey, UINT icon) const;

    // The change journal's side of the repair actions.
    std::string BackupFolder() const;
    // What became of one row's change; the caller tells the user.
    struct NewTargetOutcome {
        bool backedUp = true;
        std::string backupError;  // why not, when not
        RetargetFailure failure = RetargetFailure::None;
        bool Ok() const { return backedUp && failure == RetargetFailure::None; }
    };
    // The one place where a row's shortcut gets a new target (the re-target and both repairs,
    // one call per row): backs the row's file up in `batch` and gives it the new target. On
    // success the row shows the new target and suggests nothing more.
    NewTargetOutcome ApplyNewTarget(ChangeBatch& batch, int row, const std::string& newTarget);
    // The rows of one repair that were left as they were, told in one box at its end.
    struct RepairFailures {
        std::vector<std::string> notChanged, notBackedUp;
        std::string backupError;
        void Add(const std::string& path, const NewTargetOutcome& outcome);
    };
    void ShowRepairFailures(const RepairFailures& failures) const;
    void FinishBatch(ChangeBatch& batch);
    void ShowBackupFailure(const std::vector<std::string>& paths, const std::string& reason) const;
    void Undo(const StoredBatch& stored);
    void PutBackRows(const UndoResult& result);
    int FindRow(const std::string& path) const;
    void NoteChanges(const std::string& action, std::size_t count);

    controls::SkinnedStatic heading_;
    controls::SkinnedStatic hint_;
    controls::LinkButton undoLink_;
    std::vector<std::pair<std::string, std::size_t>> changesMade_;  // by this page: action, files changed
    SortableListView list_;
    HIMAGELIST images_ = nullptr;  // owned by the list, which destroys it with itself
    std::unordered_map<int, int> imageOfSystemIcon_;  // system image index -> our image
    std::unordered_map<std::wstring, int> imageOfExtension_;
    std::unordered_set<LPARAM> rowIds_;
    static constexpr int kColumnCount = 4;
    struct Row {
        wizard::BrokenShortcut record;
        std::array<std::string, kColumnCount> texts;  // as shown, UTF-8
    };
    std::unordered_map<LPARAM, Row> rows_;  // by row id
    HWND explanation_ = nullptr;
    MenuChooser menuChooser_;
    ExplorerLauncher explorerLauncher_;
    PropertiesLauncher propertiesLauncher_;
};

}  // namespace qm::results
