// Resource ids shared by the resource script and the code.
#pragma once

#define IDI_APPLICATION_ICON 122
#define IDD_DOWNLOAD 124
#define IDR_DOWNLOAD_AVI 126
#define IDB_BANNER 132
#define IDI_LINK_ICON 133
#define IDD_SETUP 140

// Download dialog
#define IDC_ANIMATION 1000
#define IDC_STATUS_LINE 1001
#define IDC_SOURCE_LINE 1002
#define IDC_PROGRESS_BAR 1003
#define IDC_TIME_LEFT_LINE 1004
#define IDC_RATE_LINE 1005
#define IDC_HOLD 1007
#define IDC_FRAME 1009
#define IDC_TIME_LEFT_LABEL 1014
#define IDC_RATE_LABEL 1015
#define IDC_HOMEPAGE_LINK 1016
#define IDC_HOMEPAGE_ICON 1017
#define IDC_HELP_BUTTON 1018

// Setup dialog
#define IDC_SAVE_AS 1005
#define IDC_FILE_LABEL 1010
#define IDC_FILE_NAME 1011
#define IDC_BANNER 1012
#define IDC_FILE_SIZE 1013
