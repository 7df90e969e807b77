// Controls of the results page (dialog 212).
#pragma once

#define IDC_RESULTS_HEADING      1004
#define IDC_RESULTS_DESCRIPTION  1005
#define IDC_RESULTS_HINT         1006
#define IDC_RESULTS_LIST         1009
#define IDC_RESULTS_UNCHECK_ALL  1013
#define IDC_RESULTS_CHECK_ALL    1015
#define IDC_RESULTS_DELETE       1016
#define IDC_RESULTS_SAVE_LIST    1030
#define IDC_RESULTS_UNDO         1040
