// The Support dialog: a support text and a link that starts a prepared e-mail to the maker's
// support address; it stays open until OK, so the link may be used more than once.
#pragma once

#include "controls/LinkButton.h"
#include "controls/ModalDialog.h"

namespace qm::help {

class SupportDialog : public controls::ModalDialog {
public:
    // Runs the dialog modally, owned by `owner`.
    static INT_PTR Show(HWND owner);

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(WORD id, WORD code, HWND control) override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;

private:
    controls::LinkButton emailLink_;
};

// The mail link the e-mail button opens: the support address, the subject "_QM_039" and the
// body "_Support_EmailBody", both percent-encoded.
std::string SupportMailLink();

}  // namespace qm::help
