// What the wizard's pages hand to each other: the roots of the next scan (written by the folder
// page, read by the scan page's worker) and the last scan's findings (written by that worker,
// read by the results page). The wizard sheet owns one and gives each page its part as the page
// is made, so it lives as long as the pages and is reached only through them. Neither half has a
// lock: the roots are rewritten only on the user-interface thread once their reader has ended
// (ScanRoots), the findings only by the worker before the results page is shown.
#pragma once

#include "wizard/ResultStore.h"
#include "wizard/ScanRoots.h"

namespace qm::wizard {

struct WizardState {
    ScanRoots roots;
    ResultStore findings;
};

}  // namespace qm::wizard
