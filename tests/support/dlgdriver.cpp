// dlgdriver: finds a top-level window of another program by its caption,
// prints its controls and their texts, and presses one of its buttons, as a
// user would. Used by the end-to-end tests of the notifier.
//
//   dlgdriver show CAPTION TIMEOUT-MS             print the window's controls
//   dlgdriver press CAPTION BUTTON-ID TIMEOUT-MS  print them, then click the button
//   dlgdriver absent CAPTION MS                   succeed when no such window
//                                                 appears within MS
//
// Output, one line each: "window CLASS" then "control ID CLASS TEXT".
// Exit code: 0 done, 1 window not found (or, for absent, found), 2 usage.
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
    printf("control %d %s %s\n", GetDlgCtrlID(hwnd), szClass, szText);
    return TRUE;
}

void PrintWindow(HWND hwnd)
{
    char szClass[64];
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    LONG lStyle = GetWindowLongA(hwnd, GWL_STYLE);
    printf("window %s style=%08lx\n", szClass, (unsigned long)lStyle);
    EnumChildWindows(hwnd, PrintControl, 0);
    fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "show") == 0)
    {
        HWND hwnd = WaitForWindow(argv[2], strtoul(argv[3], 0, 10));
        if (!hwnd)
            return 1;
        PrintWindow(hwnd);
        return 0;
    }
    if (argc == 5 && strcmp(argv[1], "press") == 0)
    {
        HWND hwnd = WaitForWindow(argv[2], strtoul(argv[4], 0, 10));
        if (!hwnd)
            return 1;
        // Let the dialog finish its initialisation before reading it.
        Sleep(300);
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
    if (argc == 4 && strcmp(argv[1], "absent") == 0)
    {
        HWND hwnd = WaitForWindow(argv[2], strtoul(argv[3], 0, 10));
        if (hwnd)
        {
            PrintWindow(hwnd);
            return 1;
        }
        return 0;
    }
    fprintf(stderr, "usage: dlgdriver show|press|absent CAPTION [BUTTON-ID] MS\n");
    return 2;
}
