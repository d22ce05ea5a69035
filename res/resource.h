// Resource numbers of KESTRIN.DLL: dialogs, then controls.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC                  (-1)
#endif

#define IDD_CHANGE_DRIVE            101
#define IDD_BEHAVIOR_PAGE           106
#define IDD_DESTINATION_PAGE        107
#define IDD_REMEMBERED_PAGE         108

#define IDC_CURRENT_PATH            1000
#define IDC_DRIVE_LIST              1001
#define IDC_SETTINGS                1002
#define IDC_NORMAL_ACTION           1003
#define IDC_SHIFT_ACTION            1004
#define IDC_CTRL_ACTION             1005
#define IDC_WARN_REMEMBERED         1006
#define IDC_WARN_CONFIGURED         1007
#define IDC_WARN_NOT_SET            1008
#define IDC_REMEMBERED_FALLBACK     1009
#define IDC_CONFIGURED_FALLBACK     1010
#define IDC_NOT_SET_FALLBACK        1011
#define IDC_FOLDER_EDIT             1012
#define IDC_BROWSE                  1013
#define IDC_ADD                     1014
#define IDC_FOLDER_LIST             1015
#define IDC_DELETE                  1016
