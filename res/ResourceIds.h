// Numbers of the program's icons, bitmaps and dialog templates. The pages and dialogs load
// them by these numbers; each dialog's control ids live in its own header under dialogs/.
#pragma once

// Icons
#define IDI_PROGRAM          128  // the program: wizard window, welcome banner, About dialog
#define IDI_DRIVE            203  // folder tree: drive
#define IDI_HELP             204  // welcome dialog: Help button
#define IDI_FOLDER_CLOSED    207  // folder tree: closed folder
#define IDI_FOLDER_OPEN      208  // folder tree: open folder
#define IDI_COMPUTER         209  // folder tree: the computer node
#define IDI_SCAN_PAGE        214  // scan page: picture beside the heading
#define IDI_ROOT_WAITING     215  // scan list: root not searched yet
#define IDI_ROOT_SCANNING    216  // scan list: root being searched
#define IDI_ROOT_DONE        217  // scan list: root finished
#define IDI_RESULTS_PAGE     218  // results page: picture beside the heading
#define IDI_SUPPORT          220  // Support dialog: picture
#define IDI_ROOT_FAILED      221  // scan list: root that could not be searched

// Bitmaps
#define IDB_BANNER           202  // welcome banner background, 616 x 62

// Dialog templates
#define IDD_ABOUT            100
#define IDD_WELCOME          129
#define IDD_FOLDER_PAGE      201
#define IDD_SCAN_PAGE        211
#define IDD_RESULTS_PAGE     212
#define IDD_FINISH_PAGE      213
#define IDD_SUPPORT          219
#define IDD_PAST_CHANGES     230
#define IDD_IGNORE_LIST      231
