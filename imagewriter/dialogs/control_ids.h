// Resource and control ids of Q71File's dialogs, shared by the dialog logic, the Win32 layer
// and the resource script (resources/q71file/q71file_dialogs.rc includes this file, so it holds
// nothing but #defines).
#pragma once

// Templates.
#define IDD_SETTINGS 6041
#define IDD_RESET_SERIAL 131
#define IDD_FOLDER_SELECTION 6048

// The settings dialog. The three mode selectors are check boxes kept exclusive by the logic.
#define IDC_MODE_DOCUMENT 6043
#define IDC_MODE_APPEND 6045
#define IDC_MODE_SERIAL 6044
#define IDC_RESET_AFTER_JOB 6030
#define IDC_DIGITS_LABEL 6046
#define IDC_DIGITS_LIST 6047
#define IDC_SERIAL_INIT_LABEL 1037
#define IDC_SERIAL_INIT 1036
#define IDC_RESET_SERIAL 6029
#define IDC_SERIAL_PREFIX_LABEL 1041
#define IDC_SERIAL_PREFIX 1026
#define IDC_OUTPUT_GROUP 1032
#define IDC_FOLDER_LABEL 1034
#define IDC_OUTPUT_FOLDER 6020
#define IDC_CHOOSE_FOLDER 1027
#define IDC_FILE_LABEL 1035
#define IDC_OUTPUT_FILE 6021
#define IDC_CHOOSE_FILE 1028
#define IDC_MISC_GROUP 1033
#define IDC_AUTO_NUMBER 6023
#define IDC_DOC_PREFIX_LABEL 1040
#define IDC_DOC_PREFIX 1039
#define IDC_RESET_FILE_NUMBER 6027
#define IDC_USE_SOURCE_NAME 6025
#define IDC_TRIM_SOURCE_NAME 6031
#define IDC_ALWAYS_OVERWRITE 6026
#define IDC_HIDE_DIALOG 6024
#define IDC_PDF_OUTPUT 6049
#define IDC_APPLICATION_GROUP 1030
#define IDC_OUTPUT_APPLICATION 6022
#define IDC_CHOOSE_APPLICATION 1025
#define IDC_HELP_BUTTON 6028

// The reset-serial dialog.
#define IDC_NEW_SERIAL 1044
