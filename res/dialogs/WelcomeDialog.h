// Controls of the welcome dialog (dialog 129).
#pragma once

#define IDC_WELCOME_HELP        9
#define IDC_WELCOME_BANNER      1000
#define IDC_WELCOME_CONTINUE    1001
#define IDC_WELCOME_HEADING     1004
#define IDC_WELCOME_TEXT        1002
#define IDC_WELCOME_PROMPT      1003
#define IDC_WELCOME_ALWAYS_SHOW 1014
