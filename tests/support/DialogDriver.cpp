#include "DialogDriver.h"

#include <string>

namespace
{

struct Run
{
    const std::function<void(HWND)>* act;
    DWORD started;
    DWORD limit;
    bool acted;
};

Run* g_run = nullptr;

BOOL CALLBACK FindDialog(HWND hWnd, LPARAM lParam)
{
    char name[32] = "";
    GetClassNameA(hWnd, name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(hWnd))
    {
        *(HWND*)lParam = hWnd;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CountWindow(HWND, LPARAM lParam)
{
    ++*(int*)lParam;
    return TRUE;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    Run* run = g_run;
    if (run == nullptr)
        return;
    HWND hDlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, (LPARAM)&hDlg);
    if (hDlg == nullptr)
        return;
    if (!run->acted)
    {
        // Set first: act may pump messages, and this timer with them.
        run->acted = true;
        (*run->act)(hDlg);
        return;
    }
    if (GetTickCount() - run->started > run->limit)
        EndDialog(hDlg, kTimedOut);
}

} // namespace

INT_PTR RunModal(CDialog& dlg, const std::function<void(HWND)>& act, DWORD limitMs)
{
    Run run = { &act, GetTickCount(), limitMs, false };
    g_run = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    INT_PTR result = dlg.DoModal();
    KillTimer(nullptr, timer);
    g_run = nullptr;
    return result;
}

void PressKey(HWND hDlg, UINT vk)
{
    HWND hTarget = GetFocus();
    if (hTarget == nullptr)
        hTarget = hDlg;
    PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
    PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
}

void TypeKey(HWND hDlg, UINT vk)
{
    SetForegroundWindow(hDlg);
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = (WORD)vk;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, input, sizeof(INPUT));
}

void ClickButton(HWND hDlg, int id)
{
    SendMessageA(GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}

std::string WindowText(HWND hWnd)
{
    char text[1024] = "";
    GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

int CountThreadWindows()
{
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&n);
    return n;
}
