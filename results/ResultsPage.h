// The wizard's third page: the broken shortcuts found (dialog 212).
#pragma once

#include "ui/PropertyPage.h"

namespace qm::results {

class ResultsPage : public ui::PropertyPage {
public:
    ResultsPage();

protected:
    BOOL OnInitDialog() override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
};

}  // namespace qm::results
