// The About dialog: the program's name, version and copyright from its own version resource,
// and the copyright notice in a pale yellow panel.
#pragma once

#include "controls/ModalDialog.h"
#include "controls/SkinnedStatic.h"

namespace qm::help {

class AboutDialog : public controls::ModalDialog {
public:
    // Runs the dialog modally, owned by `owner`.
    static INT_PTR Show(HWND owner);

protected:
    BOOL OnInitDialog() override;

private:
    controls::SkinnedStatic notice_;
};

}  // namespace qm::help
