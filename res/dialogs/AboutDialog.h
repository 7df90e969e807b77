// Controls of the About dialog (dialog 100).
#pragma once

#define IDC_ABOUT_NAME_VERSION  1009
#define IDC_ABOUT_NOTICE        1024
#define IDC_ABOUT_COPYRIGHT     1029
