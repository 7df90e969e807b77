// Controls of the Support dialog (dialog 219).
#pragma once

#define IDC_SUPPORT_EMAIL       1030
