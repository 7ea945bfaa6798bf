#include "ModalDriver.h"

namespace
{

struct DrivenRun
{
    const std::vector<DialogStep>* steps;
    const std::function<HWND()>* currentDialog;
    size_t next;
    DWORD started;
    DWORD limit;
    bool busy;
};

DrivenRun* g_pRun = nullptr;

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

HWND FocusTarget(HWND hDlg)
{
    HWND hFocus = GetFocus();
    return hFocus ? hFocus : hDlg;
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD)
{
    DrivenRun* run = g_pRun;
    if (run == nullptr || run->busy)
        return;
    HWND hDlg = *run->currentDialog ? (*run->currentDialog)() : FindThreadDialog();
    if (hDlg == nullptr || !IsWindowVisible(hDlg))
        return;
    if (GetTickCount() - run->started > run->limit)
    {
        EndDialog(hDlg, kTimedOut);
        return;
    }
    if (run->next < run->steps->size())
    {
        // A step may pump messages, and this timer with them.
        run->busy = true;
        bool done = (*run->steps)[run->next](hDlg);
        run->busy = false;
        if (done)
            ++run->next;
    }
}

} // namespace

INT_PTR DriveModal(const std::function<INT_PTR()>& runModal, const std::vector<DialogStep>& steps,
                   DWORD limitMs, const std::function<HWND()>& currentDialog)
{
    DrivenRun run = {&steps, &currentDialog, 0, GetTickCount(), limitMs, false};
    DrivenRun* outer = g_pRun;
    g_pRun = &run;
    UINT_PTR timer = SetTimer(nullptr, 0, 10, Tick);
    INT_PTR result = runModal();
    KillTimer(nullptr, timer);
    g_pRun = outer;
    return result;
}

DialogStep UntilPostedHandled()
{
    return [](HWND) { return HIWORD(GetQueueStatus(QS_POSTMESSAGE | QS_INPUT)) == 0; };
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

bool TypeKey(HWND hDlg, UINT vk)
{
    // Keys go to the foreground window: bounded tries to put the dialog there.
    for (int i = 0; i < 40 && GetForegroundWindow() != hDlg; ++i)
    {
        SetForegroundWindow(hDlg);
        Sleep(50);
    }
    if (GetForegroundWindow() != hDlg)
        return false;
    INPUT input[2] = {};
    input[0].type = INPUT_KEYBOARD;
    input[0].ki.wVk = (WORD)vk;
    input[1] = input[0];
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, input, sizeof(INPUT)) == 2;
}

void ClickButton(HWND hDlg, int id)
{
    SendMessageA(GetDlgItem(hDlg, id), BM_CLICK, 0, 0);
}

std::string WindowText(HWND hWnd)
{
    char text[4096] = "";
    GetWindowTextA(hWnd, text, sizeof(text));
    return text;
}

std::string ControlText(HWND hDlg, int id)
{
    return WindowText(GetDlgItem(hDlg, id));
}

HWND FindThreadDialog()
{
    HWND hDlg = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), FindDialog, reinterpret_cast<LPARAM>(&hDlg));
    return hDlg;
}

int CountThreadWindows()
{
    int n = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, (LPARAM)&n);
    return n;
}
