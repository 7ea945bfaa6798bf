// Loading libraries from the system folder only. A program started from a
// download folder or a share must not pick up a DLL planted beside it.
#pragma once

#include <windows.h>

// Makes the system folder the only place from which this process loads
// libraries by name, where the system offers that (SetDefaultDllDirectories,
// looked up at run time); elsewhere does nothing.
void RestrictLibrarySearch();

// Loads pszName (a bare file name such as "hhctrl.ocx") from the system
// folder only: through the system's search limited to that folder, or, on a
// system without that search, by its full path there. No "cannot find" box
// is shown. Answers 0 when it cannot be loaded; the caller frees it.
HMODULE LoadSystemLibrary(const char* pszName);

// The function pszName of hLibrary as the function type F (nullptr when the
// library lacks it): a FARPROC converts to another function type without a
// warning only through a plain function pointer.
template <typename F> bool FindProc(HMODULE hLibrary, const char* pszName, F& pfn)
{
    pfn = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(hLibrary, pszName)));
    return pfn != nullptr;
}
