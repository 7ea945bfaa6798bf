// Resource and command identifiers of the component panel.
#pragma once

#define IDI_MODPANEL            201

#define IDD_PANEL               301
#define IDD_ABOUT               302
#define IDR_PANEL_MENU          301

// Messages of the string table.
#define IDS_REGISTRATION_FAILED 11
#define IDS_NOT_INSTALLED       12
#define IDS_WRONG_PRODUCT       17

// Panel controls.
#define IDC_NAME_LIST           1008
#define IDC_TYPE_ACTIVEX        1009
#define IDC_TYPE_LIBRARY        1010
#define IDC_TYPE_SCRIPTING      1011
#define IDC_FILE_DATE                1012
#define IDC_FILE_SIZE                1013
#define IDC_FILE_VERSION             1014
#define IDC_STATUS              1015
#define IDC_DESCRIPTION         1016
#define IDC_HELP_BUTTON         1018
#define IDC_TYPE_DOTNET         1024

// About box controls.
#define IDC_ABOUT_PRODUCT       1002
#define IDC_ABOUT_VERSION       1006

// Menu commands.
#define ID_HELP_CONTENTS        20001
#define ID_HELP_ABOUT           20002
#define ID_HELP_REFERENCE       20003
#define ID_FILE_EXIT            20005
#define ID_CONTROL_REGISTER     20006
#define ID_CONTROL_UNREGISTER   20007

// Action requests posted to the main window.
#define WM_RUN_PANEL            (WM_USER + 101)
#define WM_RUN_ABOUT            (WM_USER + 105)
