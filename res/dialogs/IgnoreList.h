// Controls of the ignore list dialog (dialog 231), opened from the results page.
#pragma once

#define IDC_IGNORE_LIST_ENTRIES  2311
#define IDC_IGNORE_LIST_REMOVE   2312
