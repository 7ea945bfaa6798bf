// HTML Help: loaded at run time from the system folder, so that the panel
// runs without it and never picks up a copy beside the program or in the
// current folder; the panel's help commands; the About box's texts.
#include "Modpanel.h"

#include "ScopedHandles.h"
#include "SystemLibrary.h"
#include "resource.h"

HtmlHelpFn g_pfnHtmlHelp = 0;
DWORD g_dwHtmlHelpCookie = 0;

namespace
{
const UINT kHhDisplayToc = 1;
const UINT kHhHelpContext = 15;
const UINT kHhCloseAll = 18;
const UINT kHhInitialize = 28;
const UINT kHhUninitialize = 29;
const UINT kHhPreTranslateMessage = 253;

const char kHtmlHelpLibrary[] = "hhctrl.ocx";
const char kHtmlHelpKey[] = "Software\\Microsoft\\Windows\\HTML Help";

} // namespace

void LoadHtmlHelp()
{
    HMODULE hLibrary = LoadSystemLibrary(kHtmlHelpLibrary);
    // The library stays loaded for the life of the process.
    if (hLibrary)
        g_pfnHtmlHelp = (HtmlHelpFn)(void (*)())GetProcAddress(hLibrary, "HtmlHelpA");
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

// Help, Contents and F1: the own help file at its table of contents.
void ShowHelpContents(HWND hDlg)
{
    if (g_szHelpFile[0] == '\0' || g_pfnHtmlHelp == 0)
        return;
    g_pfnHtmlHelp(hDlg, g_szHelpFile, kHhDisplayToc, 0);
}

// The Help button and Help, Technical Reference: the selected component's
// help file, at its topic or its table of contents.
void ShowComponentHelp(HWND hDlg)
{
    const ComponentEntry* pEntry = SelectedEntry(hDlg);
    if (pEntry == 0 || pEntry->pszHelpFile == 0 || pEntry->pszHelpFile[0] == '\0')
        return;

    if ((pEntry->dwFlags & COMPONENT_HTML_HELP) == 0)
    {
        WinHelpA(GetDesktopWindow(), pEntry->pszHelpFile,
                 pEntry->dwHelpContext ? HELP_CONTEXT : HELP_CONTENTS,
                 pEntry->dwHelpContext ? (ULONG_PTR)pEntry->dwHelpContext : 0);
        return;
    }

    // HTML Help finds the file through the same key; a file not listed
    // there is not shown.
    ScopedRegKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kHtmlHelpKey, 0, KEY_QUERY_VALUE, key.Receive()) !=
        ERROR_SUCCESS)
        return;
    char szFolder[MAX_PATH];
    BOOL bListed = ReadNamedText(key, pEntry->pszHelpFile, szFolder, sizeof(szFolder));
    if (!bListed || g_pfnHtmlHelp == 0)
        return;

    HWND hHelp;
    if (pEntry->dwHelpContext)
        hHelp = g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, kHhHelpContext,
                              (DWORD_PTR)pEntry->dwHelpContext);
    else
        hHelp = g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, kHhDisplayToc, 0);
    // A context that the file does not hold: its table of contents instead.
    if (hHelp == 0)
        g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, kHhDisplayToc, 0);
}

// The About box: "About" and the product name in the caption, the name with
// its edition and the version text in the two lines.
void SetUpAboutBox(HWND hDlg)
{
    // "About " and at most 127 characters of name.
    char szCaption[6 + sizeof(g_szProductName)];
    wsprintfA(szCaption, "About %s", g_szProductName);
    SetWindowTextA(hDlg, szCaption);
    SetDlgItemTextA(hDlg, IDC_ABOUT_PRODUCT, g_szFullProductName);
    SetDlgItemTextA(hDlg, IDC_ABOUT_VERSION, g_szVersionText);
}
