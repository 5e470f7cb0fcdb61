#pragma once
// Resource and command identifiers of Quillet, grouped by kind.

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Bitmaps
#define IDB_TOOLBAR 1

// Dialogs
#define IDD_TOPIC_NAME 1
#define IDD_ABOUT 2
#define IDD_PRINTING 3
#define IDD_CONFIGURATION 4
#define IDD_APPEARANCE 5
#define IDD_FIND_ALL 6
#define IDD_GO_TO_TOPIC 7

// Controls of the Topic Name dialog
#define IDC_TOPIC_NAME 101

// Controls of the Find in All Topics dialog
#define IDC_FIND_ALL_TEXT 101
#define IDC_FIND_ALL_MATCH_CASE 102
#define IDC_FIND_ALL_WHOLE_WORD 103
#define IDC_FIND_ALL_LIST 104
#define IDC_FIND_ALL_STATUS 105

// Controls of the Go to Topic dialog
#define IDC_GO_TO_TEXT 101
#define IDC_GO_TO_LIST 102

// Commands
#define CM_SHUTDOWN 101
#define CM_TRAY_OPEN 204
#define CM_ABOUT 205
#define CM_TOPIC_ADD 206
#define CM_TOPIC_DELETE 207
#define CM_EDIT_CUT 210
#define CM_EDIT_COPY 211
#define CM_EDIT_PASTE 212
#define CM_EDIT_UNDO 213
#define CM_EDIT_DELETE 214
#define CM_EDIT_SELECT_ALL 215
#define CM_FILE_CLOSE 218
#define CM_FILE_OPEN 219
#define CM_FILE_NEW 220
#define CM_TOPIC_RENAME 222
#define CM_TOPIC_NEXT 223
#define CM_TOPIC_PREVIOUS 224
#define CM_TOPIC_MOVE_LEFT 225
#define CM_TOPIC_MOVE_RIGHT 226
#define CM_TOPIC_UNDO_DELETE 227
#define CM_FIND 228
#define CM_FIND_NEXT 229
#define CM_REPLACE 230
#define CM_PRINT 231
#define CM_PAGE_SETUP 232
#define CM_HELP_TOPICS 233
#define CM_CONTEXT_HELP 234
#define CM_ESCAPE 235
#define CM_OPTIONS 236
#define CM_SAVE 237
#define CM_OPEN_URL 240
#define CM_FIND_ALL 241
#define CM_TOPIC_GO_TO 242

// Frame's private messages
#define WM_TRAY_MENU_DONE (WM_USER + 257)
#define WM_TRAY_CALLBACK (WM_USER + 258)

// Options: Configuration page
#define IDC_CONFIG_DEFAULT_FILE 101
#define IDC_CONFIG_RUN_AT_STARTUP 102
#define IDC_CONFIG_LAPTOP_MODE 103
#define IDC_CONFIG_PERIOD_ARROWS 104
#define IDC_CONFIG_PERIOD 105
#define IDC_CONFIG_SMART_MENUS 106

// Options: Appearance page
#define IDC_APPEARANCE_TEXT_FONT 101
#define IDC_APPEARANCE_BACKGROUND 102
#define IDC_APPEARANCE_TEXT_COLOUR 103
#define IDC_APPEARANCE_TAB_FONT 104
#define IDC_APPEARANCE_WRAP 105
