// The wizard's last page: empty; Finish on it ends the program at once with exit code 0.
#pragma once

#include "ui/PropertyPage.h"

namespace qm::app {

class FinishPage : public ui::PropertyPage {
public:
    FinishPage();

protected:
    BOOL OnInitDialog() override;
    std::optional<LRESULT> OnSheetNotify(const NMHDR& header) override;
};

}  // namespace qm::app
