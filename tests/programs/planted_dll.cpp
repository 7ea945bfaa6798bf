// A stand-in system DLL that the tests plant beside a program and in its
// current folder (tests/pylib/planting.py), built under each name that a
// program must take from the system folder only: when loaded it writes
// "<its own path>.loaded", so that a test can tell whether a program took
// it instead of the system's copy.
//
// Wine's own user32 imports version.dll, so under Wine that plant is loaded
// at the start of every program whatever the program does: the version
// functions that the panel calls write "<its own path>.called" as well, and
// fail, as the wide ones that Wine's user32 calls do (without a mark). Its
// HtmlHelpA (for the hhctrl.ocx stand-in) opens nothing.
#include <windows.h>

namespace
{

HINSTANCE g_hSelf;

// Creates "<own path><suffix>".
void Mark(const char* pszSuffix)
{
    char szPath[MAX_PATH + 8];
    DWORD dwLength = GetModuleFileNameA(g_hSelf, szPath, MAX_PATH);
    if (dwLength == 0 || dwLength >= MAX_PATH)
        return;
    lstrcpyA(szPath + dwLength, pszSuffix);
    HANDLE hFile = CreateFileA(szPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (hFile != INVALID_HANDLE_VALUE)
        CloseHandle(hFile);
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
    {
        g_hSelf = hInstance;
        Mark(".loaded");
    }
    return TRUE;
}

__declspec(dllexport) HWND WINAPI HtmlHelpA(HWND, LPCSTR, UINT, DWORD_PTR) { return nullptr; }

// The version functions, each answering "no version information".
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeA(LPCSTR, LPDWORD)
{
    Mark(".called");
    return 0;
}
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID)
{
    Mark(".called");
    return FALSE;
}
__declspec(dllexport) BOOL WINAPI VerQueryValueA(LPCVOID, LPCSTR, LPVOID*, PUINT)
{
    Mark(".called");
    return FALSE;
}
__declspec(dllexport) DWORD WINAPI GetFileVersionInfoSizeW(LPCWSTR, LPDWORD) { return 0; }
__declspec(dllexport) BOOL WINAPI GetFileVersionInfoW(LPCWSTR, DWORD, DWORD, LPVOID) { return FALSE; }
__declspec(dllexport) BOOL WINAPI VerQueryValueW(LPCVOID, LPCWSTR, LPVOID*, PUINT) { return FALSE; }

} // extern "C"
