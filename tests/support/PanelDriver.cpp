#include "PanelDriver.h"

#include "Modpanel.h"

namespace
{

struct DrivenRun
{
    const std::vector<PanelStep>* steps;
    size_t next;
    DWORD started;
    DWORD limit;
    bool busy;
};

DrivenRun* g_pRun = nullptr;

HWND FocusTarget(HWND hDlg)
{
    HWND hFocus = GetFocus();
    return hFocus ? hFocus : hDlg;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    DrivenRun* run = g_pRun;
    if (run == nullptr || run->busy || g_hDialog == nullptr || !IsWindowVisible(g_hDialog))
        return;
    if (GetTickCount() - run->started > run->limit)
    {
        EndDialog(g_hDialog, kPanelTimedOut);
        return;
    }
    if (run->next < run->steps->size())
    {
        // A step may pump messages (and this timer with them).
        run->busy = true;
        bool done = (*run->steps)[run->next](g_hDialog);
        run->busy = false;
        if (done)
            ++run->next;
    }
}

} // namespace

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
    DrivenRun run = {&steps, 0, GetTickCount(), limitMs, false};
    g_pRun = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, Tick);
    INT_PTR result = RunDialog(wTemplate);
    KillTimer(nullptr, timer);
    g_pRun = nullptr;
    return result;
}

void PostKey(HWND hDlg, UINT vk)
{
    HWND hTarget = FocusTarget(hDlg);
    PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
    PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

void PostAltKey(HWND hDlg, UINT vk)
{
    HWND hTarget = FocusTarget(hDlg);
    PostMessageA(hTarget, WM_SYSKEYDOWN, vk, 1 | (1L << 29));
    PostMessageA(hTarget, WM_SYSKEYUP, vk, 0xE0000001);
}

std::string ControlText(HWND hDlg, int id)
{
    char text[4096] = "";
    GetDlgItemTextA(hDlg, id, text, sizeof(text));
    return text;
}

bool MenuItemGrayed(HWND hDlg, UINT nCommand)
{
    UINT state = GetMenuState(GetMenu(hDlg), nCommand, MF_BYCOMMAND);
    return state != (UINT)-1 && (state & MF_GRAYED) != 0;
}
