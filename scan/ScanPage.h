// The wizard's second page: the search of the chosen roots (dialog 211).
#pragma once

#include "ui/PropertyPage.h"

namespace qm::scan {

class ScanPage : public ui::PropertyPage {
public:
    ScanPage();

protected:
    BOOL OnInitDialog() override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
};

}  // namespace qm::scan
