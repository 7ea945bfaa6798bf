// Registering and unregistering a component file with the system's
// registration tool.
#include "Modpanel.h"

// Control, Register / Unregister and Alt+R / Alt+U. Not yet written:
// starting the tool is the work of the panel's registration; for now the
// call is only counted.
void RunRegistrationTool(HWND, BOOL bRegister)
{
    if (bRegister)
        ++g_entryCalls.nRegister;
    else
        ++g_entryCalls.nUnregister;
}
