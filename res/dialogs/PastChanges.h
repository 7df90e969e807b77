// Controls of the past changes dialog (dialog 230), opened from the results page.
#pragma once

#define IDC_PAST_CHANGES_LIST  2301
#define IDC_PAST_CHANGES_UNDO  2302
