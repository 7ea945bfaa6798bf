// Registering and unregistering a component file with the system's
// registration tool. The panel registers nothing itself: it finds the file,
// builds the tool's command line and starts the tool, which reports its own
// outcome. It does not wait for the tool to end.
#include "Modpanel.h"

#include "ScopedHandles.h"
#include "Text.h"

#include "resource.h"

namespace
{

// Command line: at most 511 characters.
const int kCommandLineSize = 512;
// The path field of OpenFile's result (OFS_MAXPATHNAME).
const int kFoundPathSize = OFS_MAXPATHNAME;
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

// The full path of the entry's file by OpenFile's own search order.
bool FindForRegistering(const ComponentEntry* pEntry, char* pszPath, int nSize)
{
    OFSTRUCT found;
    ZeroMemory(&found, sizeof(found));
    found.cBytes = static_cast<BYTE>(sizeof(found));
    if (OpenFile(pEntry->pszFileName, &found, OF_EXIST) == HFILE_ERROR)
        return false;
    // The field is terminated by OpenFile; cut at its size regardless.
    char szFound[kFoundPathSize + 1];
    CopyMemory(szFound, found.szPathName, kFoundPathSize);
    szFound[kFoundPathSize] = '\0';
    if (szFound[0] == '\0' || lstrlenA(szFound) >= nSize)
        return false;
    lstrcpynA(pszPath, szFound, nSize);
    return true;
}

// The path registered as the class's InprocServer32 default value. An empty
// value is a path too: the tool is started on it and reports the failure.
bool FindForUnregistering(const ComponentEntry* pEntry, char* pszPath, int nSize)
{
    char szKey[64] = "CLSID\\";
    if (!AppendText(szKey, sizeof(szKey), pEntry->pszClassId))
        return false;
    ScopedRegKey key;
    if (RegOpenKeyA(HKEY_CLASSES_ROOT, szKey, key.Receive()) != ERROR_SUCCESS)
        return false;
    return ReadKeyText(key, "InprocServer32", pszPath, nSize);
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

// Control, Register / Unregister and Alt+R / Alt+U; the caller inspects the
// entry again at once, while the tool may still be working.
void RunRegistrationTool(HWND hDlg, BOOL bRegister)
{
    const ComponentEntry* pEntry = SelectedEntry(hDlg);
    if (pEntry == nullptr || pEntry->pszClassId == nullptr || pEntry->pszClassId[0] == '\0')
        return;

    char szFile[kRegisteredPathSize];
    if (bRegister)
    {
        if (!FindForRegistering(pEntry, szFile, kFoundPathSize))
        {
            ShowMessage(IDS_NOT_INSTALLED, MB_ICONWARNING);
            return;
        }
    }
    else if (!FindForUnregistering(pEntry, szFile, sizeof(szFile)))
        return;

    // WinExec answers a value above 31 when the program started; 0 to 31
    // are its error codes (out of memory, file or path not found, ...).
    char szCommand[kCommandLineSize];
    if (g_szRegistrationTool[0] == '\0' ||
        !BuildRegistrationCommand(g_szRegistrationTool, szFile, bRegister, szCommand,
                                  sizeof(szCommand)) ||
        g_panelActions.pfnStartProgram(szCommand, SW_SHOW) < 32)
        ShowMessage(IDS_REGISTRATION_FAILED, MB_ICONWARNING);
}
