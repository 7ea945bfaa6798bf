// HTML Help: loaded at run time, so that the panel runs without it; and the
// entry points of the panel's help commands.
#include "Modpanel.h"

HtmlHelpFn g_pfnHtmlHelp = 0;
DWORD g_dwHtmlHelpCookie = 0;
EntryPointCalls g_entryCalls = {0, 0, 0, 0};

namespace
{
const UINT kHhCloseAll = 18;
const UINT kHhInitialize = 28;
const UINT kHhUninitialize = 29;
const UINT kHhPreTranslateMessage = 253;
} // namespace

void LoadHtmlHelp()
{
    UINT uOldMode = SetErrorMode(SEM_NOOPENFILEERRORBOX);
    HMODULE hLibrary = LoadLibraryA("hhctrl.ocx");
    // The library stays loaded for the life of the process.
    if (hLibrary)
        g_pfnHtmlHelp = (HtmlHelpFn)(void (*)())GetProcAddress(hLibrary, "HtmlHelpA");
    SetErrorMode(uOldMode);
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(0, 0, kHhInitialize, (DWORD_PTR)&g_dwHtmlHelpCookie);
}

void UnloadHtmlHelp()
{
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(0, 0, kHhUninitialize, (DWORD_PTR)g_dwHtmlHelpCookie);
}

BOOL PreTranslateHelpMessage(MSG* pMsg)
{
    return g_pfnHtmlHelp && g_pfnHtmlHelp(0, 0, kHhPreTranslateMessage, (DWORD_PTR)pMsg) != 0;
}

void CloseHelpWindows()
{
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(0, 0, kHhCloseAll, 0);
}

// Help, Contents and F1. Not yet written: opening the own help file is the
// work of the panel's help; for now the call is only counted.
void ShowHelpContents(HWND)
{
    ++g_entryCalls.nHelpContents;
}

// The Help button and Help, Technical Reference. Not yet written: for now
// the call is only counted.
void ShowComponentHelp(HWND)
{
    ++g_entryCalls.nComponentHelp;
}

// The About box's texts. Not yet written: the template's texts stay.
void SetUpAboutBox(HWND)
{
}
