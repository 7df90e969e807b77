#include "app/FinishPage.h"

#include "host/Components.h"
#include "res/ResourceIds.h"

namespace qm::app {

FinishPage::FinishPage() : ui::PropertyPage(IDD_FINISH_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/false) {}

BOOL FinishPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    return TRUE;
}

std::optional<LRESULT> FinishPage::OnSheetNotify(const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE:
        SetWizardButtons(PSWIZB_FINISH);
        return 0;
    case PSN_WIZFINISH:
        // The run is over and nothing is left unsaved (settings are written as they change),
        // so the process ends here without the orderly teardown.
        ::ExitProcess(0);
    default:
        return ui::PropertyPage::OnSheetNotify(header);
    }
}

}  // namespace qm::app
