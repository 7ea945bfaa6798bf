// Loading libraries from the system folder only. A program started from a
// download folder or a share must not pick up a DLL planted beside it: the
// programs import statically only KnownDLLs, which the system takes from its
// own folder whatever the search order (docs/architecture.md), and load
// every other system library through this file at its first use.
#pragma once

#include <windows.h>

// Makes the system folder the only place from which this process loads
// libraries by name, where the system offers that (SetDefaultDllDirectories,
// looked up at run time); elsewhere does nothing.
void RestrictLibrarySearch();

// Loads pszName (a bare file name such as "hhctrl.ocx") by its full path in
// the system folder, its own imports from there too, so that neither a copy
// beside the program or in the current folder nor a same-named module that
// is already loaded from elsewhere is taken. No "cannot find" box is shown.
// Answers nullptr when it cannot be loaded; the caller frees it.
HMODULE LoadSystemLibrary(const char* pszName);

// The function pszFunction of the system library pszLibrary, or nullptr when
// either is missing. The library is loaded (LoadSystemLibrary) at the first
// call that asks for it and stays loaded for the life of the process.
FARPROC FindSystemFunction(const char* pszLibrary, const char* pszFunction);

// One function of a system library, looked up at its first use and kept:
//   SystemFunction<decltype(&RasEnumConnectionsA)> s_rasEnum("rasapi32.dll", "RasEnumConnectionsA");
//   auto pfn = s_rasEnum.Get();   // nullptr when the system lacks it
// A namespace-scope object of this type is set up before any code runs
// (constexpr), so no start-up order matters.
template <typename Fn> class SystemFunction
{
public:
    constexpr SystemFunction(const char* pszLibrary, const char* pszFunction)
        : m_pszLibrary(pszLibrary), m_pszFunction(pszFunction), m_pfn(nullptr), m_bLookedUp(false)
    {
    }
    Fn Get()
    {
        if (!m_bLookedUp)
        {
            // A FARPROC converts to any function type only through a plain
            // function pointer without a warning.
            m_pfn = reinterpret_cast<Fn>(
                reinterpret_cast<void (*)()>(FindSystemFunction(m_pszLibrary, m_pszFunction)));
            m_bLookedUp = true;
        }
        return m_pfn;
    }

private:
    const char* m_pszLibrary;
    const char* m_pszFunction;
    Fn m_pfn;
    bool m_bLookedUp;
};
