/* Resource and control numbers of the installer window. Plain macros so that the resource
   script can include this file as well as the C++ code. */
#pragma once

/* Dialog template and pictures. */
#define IDD_INSTALLER 102
#define IDI_INSTALLER 128       /* window icon, 16 x 16 and 32 x 32 */
#define IDB_BACKGROUND 139      /* 64 x 64, tiled over the client area */
#define IDB_BUTTON_NORMAL 149   /* 196 x 27, magenta transparent */
#define IDB_BUTTON_HOT 150      /* 196 x 27, mouse over or pressed */
#define IDB_OVERALL_FILL 152    /* 456 x 66, overall bar fill */
#define IDB_FILE_FILL 153       /* 8 x 21, current-file bar fill */
#define IDI_LIST_IMAGE0 155     /* package row image */
#define IDI_LIST_IMAGE1 156

/* Controls, in tab order. The Close button carries the OK id so that it takes the OK path. */
#define IDC_INSTALL 1000
#define IDC_CLOSE 1
#define IDC_LINK_RESELLER 1013
#define IDC_LINK_MAIL 1012
#define IDC_LINK_MAKER 1014
#define IDC_OVERALL_BAR 1004
#define IDC_FILE_BAR 1005
#define IDC_PHASE_LABEL 1007
#define IDC_DETAIL_LABEL 1008
#define IDC_PACKAGE_LIST 1010
