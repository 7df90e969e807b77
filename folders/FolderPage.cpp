#include "folders/FolderPage.h"

#include "host/Components.h"
#include "res/ResourceIds.h"

namespace qm::folders {

FolderPage::FolderPage() : PropertyPage(IDD_FOLDER_PAGE, host::Text("_QM_Mainname"), /*hasHelp=*/true) {}

BOOL FolderPage::OnInitDialog() {
    host::TheComponents().language.TranslateWindow(Window());
    return TRUE;
}

std::optional<LRESULT> FolderPage::OnSheetNotify(const NMHDR& header) {
    if (header.code == static_cast<UINT>(PSN_SETACTIVE)) {
        SetWizardButtons(PSWIZB_NEXT);
        return 0;
    }
    return PropertyPage::OnSheetNotify(header);
}

}  // namespace qm::folders
