// The small dialog of the ignore list (dialog 231): the shortcuts and folders whose shortcuts the
// results leave out, each with its kind; the selected ones are taken off the list.
#pragma once

#include "base/IgnoreList.h"
#include "controls/AccessibleListView.h"
#include "controls/ListView.h"
#include "controls/ModalDialog.h"

#include <utility>

namespace qm::results {

class IgnoreListDialog : public controls::ModalDialog {
public:
    explicit IgnoreListDialog(IgnoreList list) : list_(std::move(list)) {}
    // Shows the list; true when something was taken off it (List() then holds what is left).
    bool Edit(HWND owner);
    const IgnoreList& List() const { return list_; }

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    controls::ListView Entries() const;
    controls::AccessibleListView listForReaders_;
    void ShowEntries();
    void RemoveSelected();

    IgnoreList list_;
    bool changed_ = false;
};

}  // namespace qm::results
