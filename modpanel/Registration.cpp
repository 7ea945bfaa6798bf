// Registering and unregistering a component file with the system's
// registration tool. The panel registers nothing itself: it finds the file,
// builds the tool's command line and starts the tool, which reports its own
// outcome. It does not wait for the tool to end.
#include "Modpanel.h"

#include "Text.h"

#include "resource.h"

namespace
{

// Command line: at most 511 characters.
const int kCommandLineSize = 512;
// The registered InprocServer32 path.
const int kRegisteredPathSize = 256;

// Appends a path in quotation marks, so that a path with blanks reaches the
// tool as one argument; marks that the path carries already are not doubled
// (""C:\Program Files\x.ocx"" would reach the tool as two arguments).
bool AppendQuoted(char* pszBuffer, int nSize, const char* pszPath)
{
    int nHave = lstrlenA(pszBuffer);
    int nLength;
    const char* pStart = PathWithoutQuotes(pszPath, &nLength);
    if (AppendText(pszBuffer, nSize, "\"") && AppendSpan(pszBuffer, nSize, pStart, nLength) &&
        AppendText(pszBuffer, nSize, "\""))
        return true;
    pszBuffer[nHave] = '\0';
    return false;
}

} // namespace

bool BuildRegistrationCommand(const char* pszTool, const char* pszFile, BOOL bRegister,
                              char* pszCommand, int nSize)
{
    if (nSize <= 0)
        return false;
    pszCommand[0] = '\0';
    if (AppendQuoted(pszCommand, nSize, pszTool) &&
        AppendText(pszCommand, nSize, bRegister ? " " : " /u ") &&
        AppendQuoted(pszCommand, nSize, pszFile))
        return true;
    pszCommand[0] = '\0';
    return false;
}

bool IsRegistrableFile(const char* pszPath)
{
    if (!IsLocalFullPath(pszPath))
        return false;
    DWORD dwAttributes = GetFileAttributesA(pszPath);
    return dwAttributes != INVALID_FILE_ATTRIBUTES && (dwAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Control, Register / Unregister and Alt+R / Alt+U; the caller inspects the
// entry again at once, while the tool may still be working.
void RunRegistrationTool(HWND hDlg, BOOL bRegister)
{
    const ComponentEntry* pEntry = SelectedEntry(hDlg);
    if (pEntry == nullptr || pEntry->pszClassId == nullptr || pEntry->pszClassId[0] == '\0')
        return;

    // To register, the file as the system's search finds it in its safe
    // mode (the current folder after the system folders), never by
    // OpenFile's own order, which puts the current folder first.
    char szFile[kRegisteredPathSize];
    if (bRegister)
    {
        if (!SearchFile(nullptr, pEntry->pszFileName, szFile, sizeof(szFile)))
        {
            ShowMessage(IDS_NOT_INSTALLED, MB_ICONWARNING);
            return;
        }
    }
    else if (!ReadRegisteredPath(pEntry->pszClassId, szFile, sizeof(szFile)))
        return;

    // WinExec answers a value above 31 when the program started; 0 to 31
    // are its error codes (out of memory, file or path not found, ...).
    char szCommand[kCommandLineSize];
    if (g_szRegistrationTool[0] == '\0' || !IsRegistrableFile(szFile) ||
        !BuildRegistrationCommand(g_szRegistrationTool, szFile, bRegister, szCommand,
                                  sizeof(szCommand)) ||
        g_panelActions.pfnStartProgram(szCommand, SW_SHOW) < 32)
        ShowMessage(IDS_REGISTRATION_FAILED, MB_ICONWARNING);
}
