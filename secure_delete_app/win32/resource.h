// Resource identifiers of Sundrel, the secure delete program.
#pragma once

#define IDC_STATIC -1

#define IDD_PROGRESS 103
#define IDS_PROGRESS_CAPTION 104
#define IDD_NOTHING_DROPPED 129
#define IDD_CONFIRM 130
#define IDI_SUNDREL 139
#define IDS_APP_TITLE 57344

#define IDC_DO_NOT_REMIND 1000
#define IDC_PROGRESS_BAR 1003
#define IDC_PROGRESS_PERCENT 1004
#define IDC_PROGRESS_STATUS 1005
#define IDC_MESSAGE_TEXT 1006
