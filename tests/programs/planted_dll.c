/* A stand-in system DLL that the tests plant beside a program and in its
   current folder (tests/pylib/planting.py), built under each name that a
   program must take from the system folder only: when loaded it writes
   "<its own path>.loaded", so that a test can tell whether a program took
   it instead of the system's copy.

   Wine's own user32 imports version.dll, so under Wine that plant is loaded
   at the start of every program whatever the program does: the version
   functions that the panel calls write "<its own path>.called" as well, and
   fail, as the wide ones that Wine's user32 calls do (without a mark). Its
   HtmlHelpA (for the hhctrl.ocx stand-in) opens nothing. */
#include <windows.h>

static HINSTANCE g_hSelf;

/* Creates "<own path><suffix>". */
static void Mark(const char* pszSuffix)
{
    char szPath[MAX_PATH + 8];
    DWORD dwLength = GetModuleFileNameA(g_hSelf, szPath, MAX_PATH);
    if (dwLength > 0 && dwLength < MAX_PATH)
    {
        HANDLE hFile;
        lstrcpyA(szPath + dwLength, pszSuffix);
        hFile = CreateFileA(szPath, GENERIC_WRITE, 0, 0, CREATE_ALWAYS, 0, 0);
        if (hFile != INVALID_HANDLE_VALUE)
            CloseHandle(hFile);
    }
}

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        g_hSelf = hInstance;
        Mark(".loaded");
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

/* The version functions, each answering "no version information". */
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR pszFile, LPDWORD pdwHandle)
{
    (void)pszFile;
    (void)pdwHandle;
    Mark(".called");
    return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(LPCSTR pszFile, DWORD dwHandle, DWORD dwSize,
                                                      LPVOID pData)
{
    (void)pszFile;
    (void)dwHandle;
    (void)dwSize;
    (void)pData;
    Mark(".called");
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueA(LPCVOID pBlock, LPCSTR pszSubBlock, LPVOID* ppBuffer,
                                                 PUINT pnLength)
{
    (void)pBlock;
    (void)pszSubBlock;
    (void)ppBuffer;
    (void)pnLength;
    Mark(".called");
    return FALSE;
}

__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR pszFile, LPDWORD pdwHandle)
{
    (void)pszFile;
    (void)pdwHandle;
    return 0;
}

__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR pszFile, DWORD dwHandle, DWORD dwSize,
                                                      LPVOID pData)
{
    (void)pszFile;
    (void)dwHandle;
    (void)dwSize;
    (void)pData;
    return FALSE;
}

__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID pBlock, LPCWSTR pszSubBlock, LPVOID* ppBuffer,
                                                 PUINT pnLength)
{
    (void)pBlock;
    (void)pszSubBlock;
    (void)ppBuffer;
    (void)pnLength;
    return FALSE;
}
