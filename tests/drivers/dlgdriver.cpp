// dlgdriver: finds a top-level window of another program by its caption
// and acts on it as a user would: reads its controls, clicks a button,
// presses a key, posts a command. The end-to-end tests of both programs
// drive their dialogs and message boxes with it.
//
//   dlgdriver show CAPTION MS             print the window's controls
//   dlgdriver press CAPTION ID MS         print them, then click button ID
//   dlgdriver key CAPTION VK MS           press a key in the window (its focus)
//   dlgdriver type CAPTION VK MS          type a key on the keyboard, the
//                                         window in the foreground (F1 then
//                                         becomes WM_HELP, as for a user)
//   dlgdriver post CAPTION MSG WPARAM MS  post a message to the window
//   dlgdriver absent CAPTION MS           succeed when no such window appears
//                                         (MS 0: when none is there now)
//   dlgdriver gone CAPTION MS             succeed when no such window is left
//
// MS bounds the wait for the window. Output of show and press, one line
// each: "window CLASS", then
// "control ID CLASS enabled|disabled checked|unchecked TEXT".
// Exit code: 0 done, 1 window not found (or, for absent and gone, found),
// 2 usage.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace
{

struct Search
{
    const char* pszCaption;
    HWND hwnd;
};

BOOL CALLBACK MatchCaption(HWND hwnd, LPARAM lParam)
{
    Search* pSearch = reinterpret_cast<Search*>(lParam);
    char szText[256];
    if (IsWindowVisible(hwnd) && GetWindowTextA(hwnd, szText, sizeof(szText)) > 0 &&
        strcmp(szText, pSearch->pszCaption) == 0)
    {
        pSearch->hwnd = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForWindow(const char* pszCaption, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        Search search = {pszCaption, 0};
        EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (search.hwnd)
            return search.hwnd;
        if (GetTickCount() - dwStart >= dwTimeout)
            return 0;
        Sleep(50);
    }
}

BOOL CALLBACK PrintControl(HWND hwnd, LPARAM)
{
    char szClass[64], szText[1024];
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    GetWindowTextA(hwnd, szText, sizeof(szText));
    bool bChecked = lstrcmpiA(szClass, "Button") == 0 &&
                    SendMessageA(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
    printf("control %d %s %s %s %s\n", GetDlgCtrlID(hwnd), szClass,
           IsWindowEnabled(hwnd) ? "enabled" : "disabled", bChecked ? "checked" : "unchecked",
           szText);
    return TRUE;
}

void PrintWindow(HWND hwnd)
{
    char szClass[64];
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    printf("window %s\n", szClass);
    EnumChildWindows(hwnd, PrintControl, 0);
    fflush(stdout);
}

// Waits until the window's thread has handled a message sent now: it has
// ended its initialisation and runs its message loop. False when it does
// not within the time.
bool WaitUntilHandling(HWND hwnd, DWORD dwTimeout)
{
    DWORD_PTR dwResult = 0;
    return SendMessageTimeoutA(hwnd, WM_NULL, 0, 0, SMTO_NORMAL, dwTimeout, &dwResult) != 0;
}

// Waits until no visible window has the caption.
bool WaitGone(const char* pszCaption, DWORD dwTimeout)
{
    DWORD dwStart = GetTickCount();
    for (;;)
    {
        Search search = {pszCaption, 0};
        EnumWindows(MatchCaption, reinterpret_cast<LPARAM>(&search));
        if (!search.hwnd)
            return true;
        if (GetTickCount() - dwStart >= dwTimeout)
            return false;
        Sleep(50);
    }
}

HWND FocusOf(HWND hwnd)
{
    GUITHREADINFO info;
    ZeroMemory(&info, sizeof(info));
    info.cbSize = sizeof(info);
    if (GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, 0), &info) && info.hwndFocus)
        return info.hwndFocus;
    return hwnd;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
    {
        fprintf(stderr, "usage: dlgdriver show|press|key|type|post|absent|gone CAPTION ... MS\n");
        return 2;
    }
    const char* pszCaption = argv[2];
    DWORD dwTimeout = (DWORD)strtoul(argv[argc - 1], 0, 10);
    if (strcmp(argv[1], "absent") == 0)
        return WaitForWindow(pszCaption, dwTimeout) ? 1 : 0;
    if (strcmp(argv[1], "gone") == 0)
        return WaitGone(pszCaption, dwTimeout) ? 0 : 1;
    HWND hwnd = WaitForWindow(pszCaption, dwTimeout);
    if (hwnd == 0)
    {
        fprintf(stderr, "no window \"%s\"\n", pszCaption);
        return 1;
    }
    if (strcmp(argv[1], "show") == 0 && argc == 4)
    {
        PrintWindow(hwnd);
        return 0;
    }
    if (strcmp(argv[1], "press") == 0 && argc == 5)
    {
        // Read the dialog once it has finished its initialisation.
        if (!WaitUntilHandling(hwnd, dwTimeout))
        {
            fprintf(stderr, "\"%s\" does not handle messages\n", pszCaption);
            return 1;
        }
        PrintWindow(hwnd);
        HWND hwndButton = GetDlgItem(hwnd, atoi(argv[3]));
        if (!hwndButton)
        {
            printf("no button %s\n", argv[3]);
            return 1;
        }
        // A click as the button itself would report it.
        PostMessageA(hwndButton, BM_CLICK, 0, 0);
        return 0;
    }
    if (strcmp(argv[1], "key") == 0 && argc == 5)
    {
        UINT vk = (UINT)strtoul(argv[3], 0, 0);
        HWND hTarget = FocusOf(hwnd);
        PostMessageA(hTarget, WM_KEYDOWN, vk, 1);
        PostMessageA(hTarget, WM_KEYUP, vk, 0xC0000001);
        return 0;
    }
    if (strcmp(argv[1], "type") == 0 && argc == 5)
    {
        // Keys go to the foreground window: bring it there first, and say
        // so when that cannot be done rather than typing somewhere else.
        if (!WaitUntilHandling(hwnd, dwTimeout))
        {
            fprintf(stderr, "\"%s\" does not handle messages\n", pszCaption);
            return 1;
        }
        for (int i = 0; i < 40 && GetForegroundWindow() != hwnd; ++i)
        {
            SetForegroundWindow(hwnd);
            Sleep(50);
        }
        if (GetForegroundWindow() != hwnd)
        {
            fprintf(stderr, "\"%s\" cannot be brought to the foreground\n", pszCaption);
            return 1;
        }
        INPUT input[2] = {};
        input[0].type = INPUT_KEYBOARD;
        input[0].ki.wVk = (WORD)strtoul(argv[3], 0, 0);
        input[1] = input[0];
        input[1].ki.dwFlags = KEYEVENTF_KEYUP;
        return SendInput(2, input, sizeof(INPUT)) == 2 ? 0 : 1;
    }
    if (strcmp(argv[1], "post") == 0 && argc == 6)
    {
        PostMessageA(hwnd, (UINT)strtoul(argv[3], 0, 0), (WPARAM)strtoul(argv[4], 0, 0), 0);
        return 0;
    }
    fprintf(stderr, "usage: dlgdriver show|press|key|type|post|absent|gone CAPTION ... MS\n");
    return 2;
}
