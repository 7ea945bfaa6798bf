// Paths and the registry texts that name them: joining parts of a path or
// key, a registered path without its quotation marks, text values read
// always terminated.
#include "Modpanel.h"

#include "Text.h"

bool BuildFolder(char* pszFolder, int nSize, const char* pszA, const char* pszB, const char* pszC)
{
    if (CopyTextCut(pszFolder, nSize, pszA) && AppendText(pszFolder, nSize, pszB) &&
        AppendText(pszFolder, nSize, pszC))
        return true;
    if (nSize > 0)
        pszFolder[0] = '\0';
    return false;
}

bool JoinPath(const char* pszFolder, const char* pszName, char* pszResult, int nSize)
{
    BOOL bSeparator = pszFolder[0] != '\0' && !EndsWithSeparator(pszFolder, CP_ACP);
    if (!BuildFolder(pszResult, nSize, pszFolder, bSeparator ? "\\" : "", pszName))
    {
        pszResult[0] = '\0';
        return false;
    }
    return true;
}

const char* PathWithoutQuotes(const char* pszPath, int* pnLength)
{
    const char* pStart = pszPath[0] == '"' ? pszPath + 1 : pszPath;
    int nLength = lstrlenA(pStart);
    if (nLength > 0 && pStart[nLength - 1] == '"')
        --nLength;
    *pnLength = nLength;
    return pStart;
}

// A value stored without its terminating zero fills what it reads; the
// text is then terminated at the read length, or at the buffer's last byte
// when it filled the buffer.
bool ReadKeyText(HKEY hKey, const char* pszSubKey, char* pszBuffer, LONG nSize)
{
    LONG nRead = nSize;
    pszBuffer[0] = '\0';
    if (RegQueryValueA(hKey, pszSubKey, pszBuffer, &nRead) != ERROR_SUCCESS)
    {
        pszBuffer[0] = '\0';
        return false;
    }
    pszBuffer[(nRead >= 0 && nRead < nSize) ? nRead : nSize - 1] = '\0';
    return true;
}

bool ReadNamedText(HKEY hKey, const char* pszName, char* pszBuffer, DWORD nSize)
{
    DWORD dwType = 0;
    DWORD dwRead = nSize;
    pszBuffer[0] = '\0';
    if (RegQueryValueExA(hKey, pszName, nullptr, &dwType, reinterpret_cast<BYTE*>(pszBuffer),
                         &dwRead) != ERROR_SUCCESS ||
        (dwType != REG_SZ && dwType != REG_EXPAND_SZ))
    {
        pszBuffer[0] = '\0';
        return false;
    }
    pszBuffer[dwRead < nSize ? dwRead : nSize - 1] = '\0';
    return true;
}
