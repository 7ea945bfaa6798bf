/* A component file for the panel's inspection tests: a DLL whose version
   resource carries a known file version (3.1.4.159). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pReserved)
{
    (void)hInstance;
    (void)dwReason;
    (void)pReserved;
    return TRUE;
}
