#include "PanelDriver.h"

#include "Modpanel.h"
#include "resource.h"

PanelActionCalls g_actionCalls = {0, 0, 0, 0, 0};

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

UINT WINAPI CountedStartProgram(LPCSTR pszCommandLine, UINT nShow)
{
    ++g_actionCalls.nStarted;
    return WinExec(pszCommandLine, nShow);
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

const ComponentEntry* FindEntry(int type, int group, DWORD needFlags, bool classId)
{
    for (int i = 0; g_aComponents[i].nType != COMPONENT_NONE; ++i)
    {
        const ComponentEntry& e = g_aComponents[i];
        if (e.nType == type && (group == 0 || e.nProductGroup == group) &&
            (e.dwFlags & needFlags) == needFlags && !(e.dwFlags & COMPONENT_HIDDEN) &&
            (e.pszClassId != nullptr) == classId)
            return &e;
    }
    return nullptr;
}

bool SelectFile(HWND hDlg, const char* fileName, int type)
{
    FillComponentList(hDlg, type);
    HWND list = GetDlgItem(hDlg, IDC_NAME_LIST);
    LRESULT item = SendMessageA(list, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)fileName);
    if (item == CB_ERR)
        return false;
    SendMessageA(list, CB_SETCURSEL, item, 0);
    InspectComponent(hDlg);
    return SelectedEntry(hDlg) != nullptr;
}

bool SelectEntry(HWND hDlg, const ComponentEntry* entry)
{
    return SelectFile(hDlg, entry->pszFileName, entry->nType) && SelectedEntry(hDlg) == entry;
}

bool MenuItemGrayed(HWND hDlg, UINT nCommand)
{
    UINT state = GetMenuState(GetMenu(hDlg), nCommand, MF_BYCOMMAND);
    return state != (UINT)-1 && (state & MF_GRAYED) != 0;
}

void CountPanelActions()
{
    g_actionCalls = PanelActionCalls{0, 0, 0, 0, 0};
    g_panelActions.pfnRunRegistrationTool = CountedRegistrationTool;
    g_panelActions.pfnShowHelpContents = CountedHelpContents;
    g_panelActions.pfnShowComponentHelp = CountedComponentHelp;
    g_panelActions.pfnStartProgram = CountedStartProgram;
}
