/* A stand-in "hhctrl.ocx" that the help tests plant beside a program and in
   its current folder: when loaded it writes "<its own path>.loaded", so that
   a test can tell whether a program took it instead of the system's copy.
   Its HtmlHelpA opens nothing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        char szPath[MAX_PATH + 8];
        DWORD dwLength = GetModuleFileNameA(hInstance, szPath, MAX_PATH);
        if (dwLength > 0 && dwLength < MAX_PATH)
        {
            HANDLE hFile;
            lstrcpyA(szPath + dwLength, ".loaded");
            hFile = CreateFileA(szPath, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
            if (hFile != INVALID_HANDLE_VALUE)
                CloseHandle(hFile);
        }
    }
    return TRUE;
}

__declspec(dllexport) HWND WINAPI HtmlHelpA(HWND hCaller, LPCSTR pszFile, UINT uCommand,
                                            DWORD_PTR dwData)
{
    (void)hCaller;
    (void)pszFile;
    (void)uCommand;
    (void)dwData;
    return 0;
}
