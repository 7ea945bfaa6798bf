#include "SystemLibrary.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictLibrarySearch()
{
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesFn)(DWORD);
    HMODULE hKernel = GetModuleHandleA("kernel32.dll");
    if (hKernel == nullptr)
        return;
    // Through a plain function pointer: FARPROC converts to any function
    // type only that way without a warning.
    auto pfn = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(hKernel, "SetDefaultDllDirectories")));
    if (pfn != nullptr)
        pfn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* pszName)
{
    UINT uOldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE hLibrary = LoadLibraryExA(pszName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A system without the limited search refuses the flag as a bad
    // parameter; any other failure is final.
    if (hLibrary == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
    {
        char szPath[MAX_PATH];
        UINT nSystem = GetSystemDirectoryA(szPath, sizeof(szPath));
        int nName = lstrlenA(pszName);
        if (nSystem > 0 && nSystem + 1 + nName < sizeof(szPath))
        {
            szPath[nSystem] = '\\';
            CopyMemory(szPath + nSystem + 1, pszName, nName + 1);
            hLibrary = LoadLibraryA(szPath);
        }
    }
    SetErrorMode(uOldMode);
    return hLibrary;
}
