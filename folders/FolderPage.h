// The wizard's first page: the drives and folders to scan (dialog 201).
#pragma once

#include "app/PropertyPage.h"

namespace qm::folders {

class FolderPage : public app::PropertyPage {
public:
    FolderPage();

protected:
    BOOL OnInitDialog() override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
};

}  // namespace qm::folders
