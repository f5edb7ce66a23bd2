// Resource, control and string ids of PrnWipe, shared by the logic, the Win32 layer and the
// resource script (resources/prnwipe/prnwipe.rc includes this file, so it holds nothing but
// #defines).
#pragma once

// Templates and the icon.
#define IDD_PRNWIPE_MAIN 101
#define IDD_PRNWIPE_ABOUT 102
#define IDD_PRNWIPE_CONFIRM 103
#define IDI_PRNWIPE 106

// The main dialog.
#define IDC_DRIVER_LIST 1000
#define IDC_ABOUT 1003
#define IDC_LIST_LABEL 1004
#define IDC_UNINSTALL 1012
#define IDC_CLOSE 1013
#define IDC_HELP_BUTTON 1015
#define IDC_SYSTEM_LINE 1017

// The About box.
#define IDC_ABOUT_RIGHTS 1005
#define IDC_ABOUT_SUPPORT_GROUP 1006
#define IDC_ABOUT_SUPPORT 1007
#define IDC_ABOUT_OK 1008

// The confirmation dialog.
#define IDC_CONFIRM_LABEL 1010
#define IDC_CONFIRM_TEXT 1011
#define IDC_CONFIRM_YES 1014
#define IDC_CONFIRM_NO 1016

// The string table.
#define IDS_ERROR 2
#define IDS_NO_PRINTER_PERMISSION 3
#define IDS_PRINTER_DELETE_FAILED 4
#define IDS_FILE_DELETE_FAILED 5
#define IDS_NO_KEY_PERMISSION 6
#define IDS_KEY_DELETE_FAILED 7
#define IDS_REBOOT_QUESTION 17
#define IDS_REBOOT_CAPTION 18
#define IDS_PRINTER_QUESTION 19
#define IDS_PRINTER_QUESTION_CAPTION 20
#define IDS_HELP 24
#define IDS_FILES_IN_USE 25
#define IDS_NO_FILES 26
#define IDS_FILES_TO_DELETE 27
#define IDS_NOTHING_TO_DELETE 28
#define IDS_DELETE_QUESTION 29
#define IDS_OPERATING_SYSTEM 30
#define IDS_FILES_UNKNOWN 31
#define IDS_MAIN_CAPTION 201
#define IDS_LIST_LABEL 202
#define IDS_ABOUT_BUTTON 203
#define IDS_UNINSTALL_BUTTON 204
#define IDS_CLOSE_BUTTON 205
#define IDS_ABOUT_CAPTION 301
#define IDS_ABOUT_RIGHTS 302
#define IDS_ABOUT_SUPPORT_GROUP 303
#define IDS_ABOUT_SUPPORT 304
#define IDS_ABOUT_OK 305
#define IDS_CONFIRM_CAPTION 400
#define IDS_CONFIRM_YES 401
#define IDS_CONFIRM_NO 402
