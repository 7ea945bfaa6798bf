#include "PanelDriver.h"

#include "Modpanel.h"
#include "resource.h"

PanelActionCalls g_actionCalls = {0, 0, 0, 0};

namespace
{

void CountedRegistrationTool(HWND hDlg, BOOL bRegister)
{
    ++(bRegister ? g_actionCalls.nRegister : g_actionCalls.nUnregister);
    RunRegistrationTool(hDlg, bRegister);
}

void CountedHelpContents(HWND hDlg)
{
    ++g_actionCalls.nHelpContents;
    ShowHelpContents(hDlg);
}

void CountedComponentHelp(HWND hDlg)
{
    ++g_actionCalls.nComponentHelp;
    ShowComponentHelp(hDlg);
}

} // namespace

std::string TestDir()
{
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string dir(path);
    return dir.substr(0, dir.find_last_of('\\'));
}

std::string SystemDir()
{
    char path[MAX_PATH];
    GetSystemDirectoryA(path, sizeof(path));
    return path;
}

void UsePanelProduct(DWORD product, int group)
{
    g_dwProduct = product;
    g_nProductGroup = group;
    RefreshProductText();
    BuildTitle();
}

HWND OpenPanel(DWORD product, int group)
{
    UsePanelProduct(product, group);
    g_wTemplate = IDD_PANEL;
    return CreateDialogParamA(g_hInstance, MAKEINTRESOURCEA(IDD_PANEL), nullptr,
                              SharedDialogProc, 0);
}

void ClosePanel(HWND& hDlg)
{
    if (hDlg)
        DestroyWindow(hDlg);
    hDlg = nullptr;
    g_hDialog = nullptr;
    g_wTemplate = 0;
}

void EnsureMainWindow()
{
    if (g_hMainWnd)
        return;
    g_hInstance = GetModuleHandleA(nullptr);
    CreateMainWindow();
}

INT_PTR RunDriven(WORD wTemplate, const std::vector<PanelStep>& steps, DWORD limitMs)
{
    EnsureMainWindow();
    return DriveModal([wTemplate]() { return RunDialog(wTemplate); }, steps, limitMs,
                      []() { return g_hDialog; });
}

bool MenuItemGrayed(HWND hDlg, UINT nCommand)
{
    UINT state = GetMenuState(GetMenu(hDlg), nCommand, MF_BYCOMMAND);
    return state != (UINT)-1 && (state & MF_GRAYED) != 0;
}

void CountPanelActions()
{
    g_actionCalls = PanelActionCalls{0, 0, 0, 0};
    g_panelActions.pfnRunRegistrationTool = CountedRegistrationTool;
    g_panelActions.pfnShowHelpContents = CountedHelpContents;
    g_panelActions.pfnShowComponentHelp = CountedComponentHelp;
}
