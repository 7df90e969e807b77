#include "results/ResultsPage.h"

#include "host/Components.h"
#include "res/ResourceIds.h"

namespace qm::results {

ResultsPage::ResultsPage() : PropertyPage(IDD_RESULTS_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true) {}

BOOL ResultsPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    return TRUE;
}

std::optional<LRESULT> ResultsPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE:
        SetWizardButtons(PSWIZB_BACK | PSWIZB_FINISH);
        return 0;
    case PSN_WIZBACK:
        return IDD_FOLDER_PAGE;  // straight back to the folders, past the scan page
    case PSN_WIZFINISH:
        // Finish here closes the wizard like Cancel. Posted, not sent: the property sheet is
        // still inside its Finish handling and must not lose its window under its feet.
        ::PostMessageW(Sheet(), WM_CLOSE, 0, 0);
        return 0;
    default:
        return PropertyPage::OnSheetNotify(header);
    }
}

}  // namespace qm::results
