#include "scan/ScanPage.h"

#include "host/Components.h"
#include "res/ResourceIds.h"

namespace qm::scan {

ScanPage::ScanPage() : PropertyPage(IDD_SCAN_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true) {}

BOOL ScanPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    return TRUE;
}

std::optional<LRESULT> ScanPage::OnSheetNotify(const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        // Until the search runs here, the page lets the user go on by hand.
        SetWizardButtons(PSWIZB_BACK | PSWIZB_NEXT);
        return 0;
    }
    return PropertyPage::OnSheetNotify(header);
}

}  // namespace qm::scan
