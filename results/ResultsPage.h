// The wizard's third page (dialog 212): the broken shortcuts of the last scan in a list with
// tick boxes (name with icon, the usual place it is in, folder, folder of the missing target,
// suggested new target),
// rebuilt from the result store each time the page becomes active, with why the selected one is
// broken in a line under the list (and in each row's tip), and the repair actions on them: move
// the ticked shortcut files to the Recycle Bin, give one a new target, give one its suggested
// target, give every ticked one with a certain suggestion that target, show its properties or
// its folder. A repaired shortcut is no longer broken, so its row leaves the list. Every change
// goes through a batch of the backup journal and can be undone: the last one from the context
// menu, any from the list of past changes.
//
// The page only wires its parts to the controls: the list (results/ResultsList.h) keeps each
// row's record and texts beside the list view's row; the actions (results/ShortcutActions.h)
// change the files and answer what became of them, which results/ActionOutcomes.h puts in words;
// the menu, the saved list and the shell's dialogs have files of their own.
#pragma once

#include "base/IgnoreList.h"
#include "ui/PropertyPage.h"
#include "controls/AnchoredLayout.h"
#include "controls/LinkButton.h"
#include "controls/ListView.h"
#include "controls/SkinnedStatic.h"
#include "results/ChangeTally.h"
#include "results/ResultsList.h"
#include "results/ResultsMenu.h"
#include "results/ShortcutActions.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace qm::results {

class ResultsPage : public ui::PropertyPage {
public:
    // Starts Explorer with these parameters. Tests replace it.
    using ExplorerLauncher = std::function<void(const std::wstring& parameters)>;
    // Opens the shell's property sheet of the file, owned by `owner`. Tests replace it.
    using PropertiesLauncher = std::function<void(HWND owner, const std::wstring& file)>;
    // The usual places of this user, asked at every fill for the Location column. Tests replace it.
    using PlacesFinder = std::function<std::vector<UsualPlaceFolder>()>;

    // Lists `findings`, the wizard's of its last scan.
    explicit ResultsPage(const wizard::ResultStore& findings);

    HWND ListWindow() const { return list_.Window(); }
    SortableListView& List() { return list_.Sortable(); }
    int RowCount() const { return list_.Count(); }
    bool IsTicked(int row) const { return list_.View().IsTicked(row); }
    void SetTicked(int row, bool ticked) { list_.View().SetTicked(row, ticked); }
    std::string RowText(int row, int column) const { return list_.Text(row, column); }
    std::string RowPath(int row) const { return list_.Path(row); }  // folder, backslash, name
    int RowImage(int row) const { return list_.View().Image(row); }
    int ImageCount() const { return list_.ImageCount(); }
    // The line under the list: why the selected row's shortcut is broken.
    std::string ExplanationText() const;
    // The line under that: what the scan covered, and how many the ignore list left out.
    std::string CoverageText() const;

    // The list's column widths, in column order: as shown, or as given to UseColumnWidths
    // before the page first showed. The given widths apply when the page becomes active, at the
    // size the sheet gives it.
    std::vector<long> ColumnWidths() const;
    void UseColumnWidths(std::vector<long> widths) { givenColumns_ = std::move(widths); }

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
    // Asks where, then writes the rows' records as a CSV table in the rows' order; a file
    // already there is replaced only by the complete new one.
    void SaveList();

    // Undo: the newest batch of the backup folder; the list of past changes to pick one from.
    void UndoLastChange();
    void ShowPastChanges();
    // The link below the list that says what this visit changed; hidden until something was.
    std::string UndoLinkText() const;
    bool UndoLinkVisible() const;

    // The ignore list (kept in the module XML document): the row's shortcut, or every shortcut
    // in its folder and below, leaves the list now and after every later scan; the dialog shows
    // the list and takes entries off it, which brings their rows back.
    void IgnoreRow(int row, bool wholeFolder);
    void ShowIgnoreList();
    // How many shortcuts of the last scan the ignore list leaves out; while any is, the coverage
    // line is a link to the ignore list.
    std::size_t LeftOutCount() const { return leftOut_; }
    bool LeftOutLinkVisible() const;

    void SetMenuChooser(MenuChooser chooser) { menuChooser_ = std::move(chooser); }
    void SetExplorerLauncher(ExplorerLauncher launcher) { explorerLauncher_ = std::move(launcher); }
    void SetPropertiesLauncher(PropertiesLauncher launcher) { propertiesLauncher_ = std::move(launcher); }
    void SetPlacesFinder(PlacesFinder finder) { placesFinder_ = std::move(finder); }

protected:
    BOOL OnInitDialog() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
    void LayOut(const RECT& client) override { layout_.Apply(client); }

private:
    enum class TickOperation { Check, Uncheck, Invert };
    void RunTickOperation(TickOperation operation);
    void FillResults();
    // The explanation line and the repair buttons follow the selection and the rows.
    void ShowSelectedRow();
    void SelectRow(int row);
    int SelectedRow() const;
    bool OnListNotify(const NMHDR& header, LRESULT& result);
    void RunCommand(UINT command, int row);
    HWND DialogOwner() const { return Sheet() ? Sheet() : Window(); }
    bool Ask(const std::string& question) const;
    void ShowBox(const std::string& textKey, const std::string& captionKey, UINT icon) const;
    void ShowBoxText(const std::string& text, const std::string& captionKey, UINT icon) const;
    // An error box with the text; none when it is empty.
    void ShowError(const std::string& text) const;

    // Judges the rows' shortcuts again just before they are changed: the rows whose shortcut
    // works now or whose file changed since the scan leave the list, untouched, and one box says
    // how many; answers the rows that are still broken, as they are numbered afterwards.
    std::vector<int> KeepOnlyStillBroken(const std::vector<int>& rows);

    // The changes' side of the repair actions, and where they keep their backups.
    ShortcutActions Actions();
    static std::string BackupFolder();
    // Gives the rows (row, new target) their new targets in one batch; the rows that changed show
    // the new target and suggest nothing more.
    std::vector<NewTargetOutcome> ChangeTargets(changes::ChangeAction action, const std::vector<std::pair<int, std::string>>& rows);
    void Undo(const changes::StoredBatch& stored);
    void NoteChanges(changes::ChangeAction action, std::size_t count);

    // Writes the list to the module XML document; false (and the user told) when it cannot be.
    bool StoreIgnoreList(const IgnoreList& list);
    void ShowCoverage();

    controls::SkinnedStatic heading_;
    controls::SkinnedStatic hint_;
    controls::LinkButton undoLink_;
    controls::LinkButton leftOutLink_;
    IgnoreList ignored_;        // as loaded at the last fill and changed since
    std::size_t leftOut_ = 0;   // records of the store that it leaves out
    ChangeTally changesMade_;  // by this visit of the page
    ResultsList list_;
    HWND explanation_ = nullptr;
    const wizard::ResultStore& findings_;  // the wizard's
    HWND coverage_ = nullptr;             // the coverage line while nothing is left out
    std::vector<long> givenColumns_;     // widths to show once the page has its size
    controls::AnchoredLayout layout_;    // the list grows with the page, the rest keeps to its edges
    MenuChooser menuChooser_;
    ExplorerLauncher explorerLauncher_;
    PropertiesLauncher propertiesLauncher_;
    PlacesFinder placesFinder_;
};

}  // namespace qm::results
