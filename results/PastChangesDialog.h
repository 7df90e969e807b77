// The small dialog of past changes (dialog 230): the batches kept in the backup folder, newest
// first, with their date, kind and number of shortcuts; Undo closes it with the selected one.
#pragma once

#include "controls/AccessibleListView.h"
#include "controls/ListView.h"
#include "controls/ModalDialog.h"
#include "changes/ChangeHistory.h"

#include <optional>
#include <string>
#include <vector>

namespace qm::results {

// The batch's kind as the user reads it ("Moved to the Recycle Bin"), with "(interrupted)" for
// a batch the program ended in and "(undone)" when `undone`.
std::string ChangeKindText(const changes::JournalBatch& batch, bool undone);

class PastChangesDialog : public controls::ModalDialog {
public:
    explicit PastChangesDialog(std::vector<changes::StoredBatch> batches) : batches_(std::move(batches)) {}
    // The index (in the given batches) of the batch to undo; nullopt when closed without one.
    std::optional<std::size_t> Choose(HWND owner);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    controls::ListView List() const;
    controls::AccessibleListView listForReaders_;
    void ChooseSelected();

    std::vector<changes::StoredBatch> batches_;
    std::optional<std::size_t> chosen_;
};

}  // namespace qm::results
