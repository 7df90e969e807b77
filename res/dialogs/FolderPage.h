// Controls of the folder page (dialog 201).
#pragma once

#define IDC_FOLDER_HEADING      1004
#define IDC_FOLDER_EXPLANATION  1005
#define IDC_FOLDER_NOTE         1006
#define IDC_FOLDER_TREE         1007
#define IDC_FOLDER_TREE_LABEL   1008
#define IDC_FOLDER_DROPPED      1009
