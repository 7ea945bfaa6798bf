// modpanel.exe: the component panel.
#include "Modpanel.h"

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR lpCmdLine, int)
{
    return RunModpanel(hInstance, lpCmdLine);
}
