#include "SystemLibrary.h"

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

void RestrictLibrarySearch()
{
    SystemFunction<BOOL(WINAPI*)(DWORD)> setDefaultDllDirectories("kernel32.dll",
                                                                   "SetDefaultDllDirectories");
    auto pfn = setDefaultDllDirectories.Get();
    if (pfn != nullptr)
        pfn(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

HMODULE LoadSystemLibrary(const char* pszName)
{
    // By the full path: a load by name alone answers a module of that name
    // that is already loaded, from wherever it came.
    char szPath[MAX_PATH];
    UINT nSystem = GetSystemDirectoryA(szPath, sizeof(szPath));
    int nName = lstrlenA(pszName);
    if (nSystem == 0 || nSystem + 1 + nName >= sizeof(szPath))
        return nullptr;
    szPath[nSystem] = '\\';
    CopyMemory(szPath + nSystem + 1, pszName, nName + 1);

    UINT uOldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX | SEM_FAILCRITICALERRORS);
    HMODULE hLibrary = LoadLibraryExA(szPath, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // A system without the limited search refuses the flag as a bad
    // parameter: then the library's own imports are looked for from its
    // folder first. Any other failure is final.
    if (hLibrary == nullptr && GetLastError() == ERROR_INVALID_PARAMETER)
        hLibrary = LoadLibraryExA(szPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    SetErrorMode(uOldMode);
    return hLibrary;
}

FARPROC FindSystemFunction(const char* pszLibrary, const char* pszFunction)
{
    HMODULE hLibrary = LoadSystemLibrary(pszLibrary);
    if (hLibrary == nullptr)
        return nullptr;
    FARPROC pfn = GetProcAddress(hLibrary, pszFunction);
    // Found: the library stays loaded, as the function lives in it.
    if (pfn == nullptr)
        FreeLibrary(hLibrary);
    return pfn;
}
