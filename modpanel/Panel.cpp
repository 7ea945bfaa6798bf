// The hidden main window, the dialog runner with its keyboard filter, the
// message box routine, the dialog procedure that all dialogs share and the
// About box's texts.
#include "Modpanel.h"

#include "resource.h"

HWND g_hDialog = nullptr;
WORD g_wTemplate = 0;
HHOOK g_hFilter = nullptr;
PanelActions g_panelActions = {RunRegistrationTool, ShowHelpContents, ShowComponentHelp, WinExec};

LRESULT CALLBACK MainWindowProc(HWND hWnd, UINT uMsg, WPARAM wParam, LPARAM lParam)
{
    switch (uMsg)
    {
    case WM_RUN_PANEL:
        RunDialog(IDD_PANEL);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_RUN_ABOUT:
        RunDialog(IDD_ABOUT);
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
        return 0;
    case WM_CLOSE:
        CloseHelpWindows();
        DestroyWindow(hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_PAINT:
    {
        PAINTSTRUCT ps;
        BeginPaint(hWnd, &ps);
        EndPaint(hWnd, &ps);
        break;
    }
    }
    return DefWindowProcA(hWnd, uMsg, wParam, lParam);
}

INT_PTR RunDialog(WORD wTemplate)
{
    RefreshProductText();
    HWND hOuter = g_hDialog;
    if (hOuter)
        EnableWindow(hOuter, FALSE);
    WORD wOuterTemplate = g_wTemplate;
    HHOOK hOuterFilter = g_hFilter;

    g_wTemplate = wTemplate;
    HHOOK hFilter = SetWindowsHookExA(WH_MSGFILTER, KeyboardFilter, nullptr, GetCurrentThreadId());
    g_hFilter = hFilter;
    INT_PTR nResult = DialogBoxParamA(g_hInstance, MAKEINTRESOURCEA(wTemplate), g_hMainWnd,
                                      SharedDialogProc, 0);
    if (hFilter)
        UnhookWindowsHookEx(hFilter);

    g_hDialog = hOuter;
    g_wTemplate = wOuterTemplate;
    g_hFilter = hOuterFilter;
    if (hOuter)
    {
        EnableWindow(hOuter, TRUE);
        SetFocus(hOuter);
    }
    return nResult;
}

LRESULT CALLBACK KeyboardFilter(int nCode, WPARAM wParam, LPARAM lParam)
{
    if (nCode < 0)
        return CallNextHookEx(g_hFilter, nCode, wParam, lParam);
    if (nCode != MSGF_DIALOGBOX || g_wTemplate != IDD_PANEL)
        return 0;
    const MSG* pMsg = reinterpret_cast<const MSG*>(lParam);
    WORD wCommand = 0;
    if (pMsg->message == WM_KEYDOWN)
    {
        if (pMsg->wParam == VK_F1)
            wCommand = ID_HELP_CONTENTS;
        else if (pMsg->wParam == VK_F2)
            wCommand = ID_HELP_ABOUT;
    }
    // Bit 29 of a key message's lParam is the context code: set while Alt
    // is held down (KF_ALTDOWN in the high word).
    else if (pMsg->message == WM_SYSKEYDOWN && (HIWORD(pMsg->lParam) & KF_ALTDOWN))
    {
        if (pMsg->wParam == 'R')
            wCommand = ID_CONTROL_REGISTER;
        else if (pMsg->wParam == 'U')
            wCommand = ID_CONTROL_UNREGISTER;
    }
    if (wCommand == 0)
        return 0;
    PostMessageA(g_hDialog, WM_COMMAND, wCommand, 0);
    return 1;
}

void ShowMessage(UINT nId, UINT uStyle)
{
    RefreshProductText();
    char szText[512];
    if (LoadStringA(g_hInstance, nId, szText, sizeof(szText)) <= 0)
        wsprintfA(szText, "Unknown message string %u", nId);
    MessageBeep(0);
    MessageBoxA(g_hMainWnd, szText, "Modpanel", uStyle);
}

namespace
{

void CentreDialog(HWND hDlg)
{
    RECT rc;
    GetWindowRect(hDlg, &rc);
    int nWidth = rc.right - rc.left;
    int nHeight = rc.bottom - rc.top;
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - nWidth / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - nHeight / 2;
    SetWindowPos(hDlg, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(hDlg, SW_SHOWNORMAL);
}

void AttachPanelMenu(HWND hDlg)
{
    HMENU hMenu = LoadMenuA(g_hInstance, MAKEINTRESOURCEA(IDR_PANEL_MENU));
    if (hMenu == nullptr)
        return;
    SetMenu(hDlg, hMenu);
    EnableMenuItem(hMenu, ID_HELP_CONTENTS,
                   MF_BYCOMMAND | (g_szHelpFile[0] ? MF_ENABLED : MF_GRAYED));
}

} // namespace

INT_PTR CALLBACK SharedDialogProc(HWND hDlg, UINT uMsg, WPARAM wParam, LPARAM)
{
    switch (uMsg)
    {
    case WM_INITDIALOG:
        g_hDialog = hDlg;
        if (g_wTemplate == IDD_PANEL)
        {
            LONG_PTR nExStyle = GetWindowLongPtrA(hDlg, GWL_EXSTYLE);
            nExStyle = (nExStyle & ~static_cast<LONG_PTR>(WS_EX_TOOLWINDOW)) | WS_EX_APPWINDOW;
            SetWindowLongPtrA(hDlg, GWL_EXSTYLE, nExStyle);
        }
        CentreDialog(hDlg);
        if (g_wTemplate == IDD_PANEL)
        {
            AttachPanelMenu(hDlg);
            SetUpPanel(hDlg);
        }
        else if (g_wTemplate == IDD_ABOUT)
            SetUpAboutBox(hDlg);
        return TRUE;

    case WM_COMMAND:
        switch (LOWORD(wParam))
        {
        case IDOK:
            EndDialog(hDlg, 1);
            return TRUE;
        case IDCANCEL:
            EndDialog(hDlg, 0);
            return TRUE;
        case IDC_NAME_LIST:
            if (HIWORD(wParam) != CBN_SELCHANGE)
                return FALSE;
            InspectComponent(hDlg);
            return TRUE;
        case IDC_TYPE_ACTIVEX:
        case IDC_TYPE_LIBRARY:
        case IDC_TYPE_SCRIPTING:
        case IDC_TYPE_DOTNET:
        {
            if (HIWORD(wParam) != BN_CLICKED)
                return FALSE;
            static const int s_anTypes[] = {COMPONENT_ACTIVEX, COMPONENT_LIBRARY,
                                            COMPONENT_SCRIPTING};
            WORD wId = LOWORD(wParam);
            FillComponentList(hDlg, wId == IDC_TYPE_DOTNET ? COMPONENT_DOTNET
                                                           : s_anTypes[wId - IDC_TYPE_ACTIVEX]);
            return TRUE;
        }
        case IDC_HELP_BUTTON:
        case ID_HELP_REFERENCE:
            g_panelActions.pfnShowComponentHelp(hDlg);
            return TRUE;
        case ID_HELP_CONTENTS:
            g_panelActions.pfnShowHelpContents(hDlg);
            return TRUE;
        case ID_HELP_ABOUT:
            RunDialog(IDD_ABOUT);
            return TRUE;
        case ID_FILE_EXIT:
            EndDialog(hDlg, 1);
            return TRUE;
        case ID_CONTROL_REGISTER:
            g_panelActions.pfnRunRegistrationTool(hDlg, TRUE);
            InspectComponent(hDlg);
            return TRUE;
        case ID_CONTROL_UNREGISTER:
            g_panelActions.pfnRunRegistrationTool(hDlg, FALSE);
            InspectComponent(hDlg);
            return TRUE;
        }
        return FALSE;

    case WM_CLOSE:
    {
        HMENU hMenu = GetMenu(hDlg);
        if (hMenu)
        {
            SetMenu(hDlg, nullptr);
            DestroyMenu(hMenu);
        }
        return FALSE;
    }
    }
    return FALSE;
}

// The About box: "About" and the product name in the caption, the name with
// its edition and the version text in the two lines.
void SetUpAboutBox(HWND hDlg)
{
    // "About " and at most 127 characters of name.
    char szCaption[6 + sizeof(g_szProductName)];
    wsprintfA(szCaption, "About %s", g_szProductName);
    SetWindowTextA(hDlg, szCaption);
    SetDlgItemTextA(hDlg, IDC_ABOUT_PRODUCT, g_szFullProductName);
    SetDlgItemTextA(hDlg, IDC_ABOUT_VERSION, g_szVersionText);
}
