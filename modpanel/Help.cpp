// The panel's help commands, through the system's HTML Help (HtmlHelp.h).
#include "Modpanel.h"

#include "ScopedHandles.h"
#include "resource.h"

HtmlHelpFn g_pfnHtmlHelp = nullptr;
DWORD g_dwHtmlHelpCookie = 0;

namespace
{
const char kHtmlHelpKey[] = "Software\\Microsoft\\Windows\\HTML Help";

} // namespace

void LoadHtmlHelp()
{
    g_pfnHtmlHelp = SystemHtmlHelp();
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(nullptr, nullptr, HH_INITIALIZE,
                      reinterpret_cast<DWORD_PTR>(&g_dwHtmlHelpCookie));
}

void UnloadHtmlHelp()
{
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(nullptr, nullptr, HH_UNINITIALIZE,
                      static_cast<DWORD_PTR>(g_dwHtmlHelpCookie));
}

bool PreTranslateHelpMessage(MSG* pMsg)
{
    return g_pfnHtmlHelp && g_pfnHtmlHelp(nullptr, nullptr, HH_PRETRANSLATEMESSAGE,
                                          reinterpret_cast<DWORD_PTR>(pMsg)) != nullptr;
}

void CloseHelpWindows()
{
    if (g_pfnHtmlHelp)
        g_pfnHtmlHelp(nullptr, nullptr, HH_CLOSE_ALL, 0);
}

// Help, Contents and F1: the own help file at its table of contents.
void ShowHelpContents(HWND hDlg)
{
    if (g_szHelpFile[0] == '\0' || g_pfnHtmlHelp == nullptr)
        return;
    g_pfnHtmlHelp(hDlg, g_szHelpFile, HH_DISPLAY_TOC, 0);
}

// The Help button and Help, Technical Reference: the selected component's
// help file, at its topic or its table of contents.
void ShowComponentHelp(HWND hDlg)
{
    const ComponentEntry* pEntry = SelectedEntry(hDlg);
    if (pEntry == nullptr || pEntry->pszHelpFile == nullptr || pEntry->pszHelpFile[0] == '\0')
        return;

    if ((pEntry->dwFlags & COMPONENT_HTML_HELP) == 0)
    {
        WinHelpA(GetDesktopWindow(), pEntry->pszHelpFile,
                 pEntry->dwHelpContext ? HELP_CONTEXT : HELP_CONTENTS,
                 pEntry->dwHelpContext ? static_cast<ULONG_PTR>(pEntry->dwHelpContext) : 0);
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
    if (!bListed || g_pfnHtmlHelp == nullptr)
        return;

    HWND hHelp;
    if (pEntry->dwHelpContext)
        hHelp = g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, HH_HELP_CONTEXT,
                              static_cast<DWORD_PTR>(pEntry->dwHelpContext));
    else
        hHelp = g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, HH_DISPLAY_TOC, 0);
    // A context that the file does not hold: its table of contents instead.
    if (hHelp == nullptr)
        g_pfnHtmlHelp(hDlg, pEntry->pszHelpFile, HH_DISPLAY_TOC, 0);
}
