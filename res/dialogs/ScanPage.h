// Controls of the scan page (dialog 211).
#pragma once

#define IDC_SCAN_HEADING      1004
#define IDC_SCAN_DESCRIPTION  1005
#define IDC_SCAN_ROOTS        1009
#define IDC_SCAN_PROGRESS     1010
#define IDC_SCAN_STATUS       1011
#define IDC_SCAN_STOP         1013
